#pragma once

#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>

#include <deque>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "app/main_frame.h"
#include "app/startup.h"
#include "browser/command_ids.h"
#include "browser/ui/grid_view.h"
#include "browser/ui/voltrim_view.h"
#include "datafiles/fixtures.h"
#include "samples/portfolio_builder.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"
#include "widgets/qt_prompt.h"

namespace voltrim::testing {

// One message box as the program built it.
struct ShownBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  bool scanBoxOpen = false;  // the scan progress box was still up
};

// A portfolio of the given symbols; the n-th symbol gets quotes + n - 1 daily quotes from
// 01/03/00, the close rising a cent a day, so that series and rows tell which they are.
inline PortfolioSpec PortfolioOf(const std::vector<std::string>& symbols, int quotes) {
  PortfolioSpec portfolio;
  for (const std::string& symbol : symbols) {
    const int n = static_cast<int>(portfolio.entries.size());
    std::vector<DailyQuote> rising;
    DayNumber day = ParseUserDate("01/03/00");
    for (int i = 0; i < quotes + n; ++i, day = NextWeekday(day)) {
      const float base = 10.0f + static_cast<float>(i) / 100.0f;
      rising.push_back({day, base, base + 1, base - 1, base + 0.5f, static_cast<float>(1000 + i)});
    }
    PortfolioSpec::Entry entry;
    entry.series = MakeDailySeries(n + 1, symbol, symbol + " INC", rising);
    portfolio.entries.push_back(entry);
  }
  return portfolio;
}

// Waits, running the event loop, until the condition holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QTest::qWait(10);
  }
  return true;
}

// The desktop program over a temporary folder that stands in for the machine's one drive,
// with its settings in another temporary folder.
class GuiTest : public ::testing::Test {
 protected:
  GuiTest() {
    OpenSettings(settings, (config.path() / "Voltrim.conf").string(),
                 (config.path() / "Voltrim.INI").string());
    prompt = std::make_unique<QtPrompt>([this](QMessageBox& box) {
      const bool scanBoxOpen = window && window->View()->ProgressBox();
      boxes.push_back(
          {box.windowTitle(), box.text(), box.icon(), box.standardButtons(), scanBoxOpen});
      if (answers.empty()) {
        return box.standardButtons().testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
      }
      const QMessageBox::StandardButton answer = answers.front();
      answers.pop_front();
      return answer;
    });
  }
  ~GuiTest() override { window.reset(); }

  std::string Portfolio(const std::string& name, const PortfolioSpec& portfolio) {
    const std::string dir = (drive.path() / name).string();
    EXPECT_EQ(WritePortfolio(dir, portfolio), kOk) << dir;
    return dir;
  }

  // Opens the main window without waiting for anything.
  CMainFrame& Open() {
    const std::vector<std::string> drives = {drive.str()};
    BrowserPlatform platform{[drives] { return drives; }, [root = drive.str()] { return root; }};
    if (walk) platform.walk = walk;
    window = std::make_unique<CMainFrame>(settings, *prompt, std::move(platform));
    window->SetDialogRunner([this](QDialog& dialog) { return onDialog ? onDialog(dialog) : 0; });
    window->show();
    return *window;
  }
  void WaitForSetUp() {
    ASSERT_TRUE(WaitUntil([this] { return View().IsSetUp(); }));
    WaitForScan();
  }
  // Scans walk on a worker thread: waits for the one running to fill the lists.
  void WaitForScan() {
    ASSERT_TRUE(WaitUntil([this] { return !State().scanning; }));
    QTest::qWait(1);  // let the scan's closing box go away
  }
  // Opens the main window and waits for the first scan to finish.
  void Start() {
    Open();
    WaitForSetUp();
  }

  CVoltrimView& View() { return *window->View(); }
  const BrowserState& State() { return window->View()->State(); }
  GridView& Symbols() { return *View().SymbolsGrid(); }
  GridView& Quotes() { return *View().QuotesGrid(); }
  QString Cell(GridView& grid, int row, int column) {
    return grid.model()->index(row, column).data().toString();
  }
  void ClickRow(GridView& grid, int row) {
    const QRect cell = grid.visualRect(grid.model()->index(row, 0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  }
  void Key(QWidget& widget, Qt::Key key) {
    widget.setFocus();
    QTest::keyClick(&widget, key);
  }
  std::string Title() const { return window->windowTitle().toStdString(); }

  // Answers for the next message boxes; a box with no answer left gets Ok, else No.
  std::deque<QMessageBox::StandardButton> answers;
  std::vector<ShownBox> boxes;
  // Called with each modal dialog the window opens; returns the dialog's result.
  std::function<int(QDialog&)> onDialog;
  // The walk of a drive, when a test needs its own (it runs on the worker thread).
  ScanWorker::Walk walk;

  TempDir drive;
  TempDir config;
  SettingsStore settings;
  std::unique_ptr<QtPrompt> prompt;
  std::unique_ptr<CMainFrame> window;
};

}  // namespace voltrim::testing
