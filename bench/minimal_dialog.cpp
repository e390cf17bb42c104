// The start-up baseline: the least a Qt program must do to show a dialog. Logs the same
// marker as the program once the dialog is shown.
#include <QApplication>
#include <QDialog>
#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(startup, "tidewell.startup")

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QDialog dialog;
  QTimer::singleShot(0, &dialog, [] { qCInfo(startup) << "dialog shown"; });
  return dialog.exec();
}
