// The start-up baselines: the least a Qt program must do to show a dialog — an empty one, or
// (with --controls) one with the program's four controls and the template's font. Logs the
// same marker as the program once the dialog is shown.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTimer>
#include <cstring>

Q_LOGGING_CATEGORY(startup, "tidewell.startup")

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QDialog dialog;
  if (argc > 1 && std::strcmp(argv[1], "--controls") == 0) {
    dialog.setFont(QFont("Tahoma", 8));
    new QPushButton("OK", &dialog);
    new QPushButton("Cancel", &dialog);
    (new QComboBox(&dialog))->addItem("Veltaro Loom 4");
    new QLabel(&dialog);
  }
  QTimer::singleShot(0, &dialog, [] { qCInfo(startup) << "dialog shown"; });
  return dialog.exec();
}
