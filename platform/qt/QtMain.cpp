// The program's entry on Linux: the Qt application, then the framework's entry.
#include <QApplication>

#include "framework/Entry.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  return AfxWinMain(argc, argv);
}
