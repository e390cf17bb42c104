// CTidewellPluginApp: the application object. One global instance, `theApp`, exists from
// static initialisation to process exit; main() creates the QApplication and then lets
// InitInstance run the program: one modal dialog, then the end.
#pragma once

class QWidget;

class CTidewellPluginApp {
 public:
  // Holds nothing yet: the QApplication (which takes the executable's name as the
  // application name) does not exist before main().
  CTidewellPluginApp() = default;
  virtual ~CTidewellPluginApp() = default;
  CTidewellPluginApp(const CTidewellPluginApp&) = delete;
  CTidewellPluginApp& operator=(const CTidewellPluginApp&) = delete;

  // Constructs the main dialog without a parent, registers it as the main window, runs it
  // modally (its result is not used) and destroys it. Always false: there is nothing left
  // to run once the dialog has closed. Needs a QApplication.
  virtual bool InitInstance();

  // The main window while InitInstance runs its dialog, null otherwise; borrowed.
  [[nodiscard]] QWidget* GetMainWnd() const { return m_pMainWnd; }

 private:
  QWidget* m_pMainWnd = nullptr;
};

// The program's application object.
extern CTidewellPluginApp theApp;
