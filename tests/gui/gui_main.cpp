#include <QApplication>

#include <gtest/gtest.h>

#include "text/c_locale.h"

// Widgets need a QApplication for the whole run; without a display they draw offscreen.
int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  voltrim::KeepNumbersAndCaseLocaleFree();  // as the program does
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
