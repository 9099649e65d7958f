// Mirto: the desktop program, or a batch run when the arguments ask for one.
#include <QApplication>
#include <iostream>

#include "app/CTervoApp.h"
#include "batch/Batch.h"

int main(int argc, char** argv) {
  const int status = mirto::RunCommandLine(argc, argv, std::cout, std::cerr);
  if (status >= 0) return status;

  QApplication application(argc, argv);
  // Qt has taken its own options (-platform ...) out of argv: look again, so
  // that `mirto -platform offscreen --help` is not taken for a file name.
  if (const int again = mirto::RunCommandLine(argc, argv, std::cout, std::cerr); again >= 0) return again;
  mirto::UseCNumericLocale();
  mirto::CTervoApp app;
  if (!app.InitInstance(QApplication::arguments().mid(1))) return 1;
  return QApplication::exec();
}
