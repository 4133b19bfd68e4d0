#include <QApplication>

#include "app/MainWindow.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Pyra Config");
  pyra::MainWindow window;
  window.show();
  return QApplication::exec();
}
