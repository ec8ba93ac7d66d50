#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/qt_prompt.h"
#include "app/startup.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/grid_view.h"
#include "datafiles/portfolio_builder.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"

// Readable QString values in assertion failures.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace voltrim::testing {

// One message box as the program built it.
struct ShownBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  bool scanBoxOpen = false;  // the scan progress box was still up
};

// Daily quotes on consecutive weekdays from 3 January 2000, the close rising by a cent a
// day so that each row tells which quote it is.
std::vector<DailyQuote> RisingQuotes(int count);
// A portfolio of the given symbols with `quotes` quotes each (the n-th symbol gets
// quotes + n, so that series differ in length).
PortfolioSpec PortfolioOf(const std::vector<std::string>& symbols, int quotes);

// The desktop program over a temporary folder that stands in for the machine's one drive,
// with its settings in another temporary folder.
class GuiTest : public ::testing::Test {
 protected:
  GuiTest();
  ~GuiTest() override;

  std::string Portfolio(const std::string& name, const PortfolioSpec& portfolio);
  std::string DrivePath() const { return drive.str(); }

  // Opens the main window and waits for the first scan to finish.
  MainWindow& Start();
  // Opens the main window without waiting for anything.
  MainWindow& Open();
  void WaitForSetUp();

  BrowserView& View() { return *window->View(); }
  const BrowserState& State() { return window->View()->State(); }
  GridView& Symbols() { return *View().SymbolsGrid(); }
  GridView& Quotes() { return *View().QuotesGrid(); }
  QString Cell(GridView& grid, int row, int column);
  void ClickRow(GridView& grid, int row);
  std::vector<QString> BoxTexts() const;

  // Answers for the next message boxes; a box with no answer left gets its first button.
  std::deque<QMessageBox::StandardButton> answers;
  std::vector<ShownBox> boxes;
  // Called with each modal dialog the window opens; returns the dialog's result.
  std::function<int(QDialog&)> onDialog;

  TempDir drive;
  std::vector<std::string> extraDrives;  // more folders standing in for drives
  TempDir config;
  SettingsStore settings;
  std::unique_ptr<QtPrompt> prompt;
  std::unique_ptr<MainWindow> window;
};

// Waits, running the event loop, until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

}  // namespace voltrim::testing
