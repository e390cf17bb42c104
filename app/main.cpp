// The program's entry point, the framework's part: the QApplication first, then the
// application object's InitInstance, which runs the whole program.
#include <QApplication>

#include "app/TidewellPluginApp.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // InitInstance answers false once its dialog has closed: no event loop of our own follows.
  if (theApp.InitInstance()) return QApplication::exec();
  return 0;
}
