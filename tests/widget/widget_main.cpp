// Widget tests run the real views on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/widget_style.h"

using namespace shurencho;

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InstallFontSubstitutes();
  InstallDesktopStyle();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
