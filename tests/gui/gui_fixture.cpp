#include "gui_fixture.h"

#include <QElapsedTimer>
#include <QHeaderView>

namespace voltrim::testing {

std::vector<DailyQuote> RisingQuotes(int count) {
  std::vector<DailyQuote> quotes;
  DayNumber day = ParseUserDate("01/03/00");
  for (int i = 0; i < count; ++i) {
    const float base = 10.0f + static_cast<float>(i) / 100.0f;
    quotes.push_back(
        {day, base, base + 1.0f, base - 1.0f, base + 0.5f, static_cast<float>(1000 + i)});
    day = NextWeekday(day);
  }
  return quotes;
}

PortfolioSpec PortfolioOf(const std::vector<std::string>& symbols, int quotes) {
  PortfolioSpec portfolio;
  int fileNumber = 1;
  for (const std::string& symbol : symbols) {
    PortfolioSpec::Entry entry;
    entry.series =
        MakeDailySeries(fileNumber, symbol, symbol + " INC", RisingQuotes(quotes + fileNumber - 1));
    portfolio.entries.push_back(entry);
    ++fileNumber;
  }
  return portfolio;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QTest::qWait(10);
  }
  return true;
}

GuiTest::GuiTest() {
  OpenSettings(settings, (config.path() / "Voltrim.conf").string(),
               (config.path() / "Voltrim.INI").string());
  prompt = std::make_unique<QtPrompt>([this](QMessageBox& box) {
    const bool scanBoxOpen = window && window->View()->ProgressBox();
    boxes.push_back(
        {box.windowTitle(), box.text(), box.icon(), box.standardButtons(), scanBoxOpen});
    if (!answers.empty()) {
      const QMessageBox::StandardButton answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return box.standardButtons().testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
  });
}

GuiTest::~GuiTest() { window.reset(); }

std::string GuiTest::Portfolio(const std::string& name, const PortfolioSpec& portfolio) {
  const std::string dir = (drive.path() / name).string();
  EXPECT_EQ(WritePortfolio(dir, portfolio), kOk) << dir;
  return dir;
}

MainWindow& GuiTest::Open() {
  const std::string root = drive.str();
  std::vector<std::string> drives = extraDrives;
  drives.push_back(root);
  BrowserPlatform platform{[drives] { return drives; }, [root] { return root; }};
  window = std::make_unique<MainWindow>(settings, *prompt, std::move(platform));
  window->SetDialogRunner([this](QDialog& dialog) { return onDialog ? onDialog(dialog) : 0; });
  window->show();
  return *window;
}

void GuiTest::WaitForSetUp() {
  ASSERT_TRUE(WaitUntil([this] { return View().IsSetUp() && !State().scanning; }));
  // Let the scan's closing box go away.
  QTest::qWait(1);
}

MainWindow& GuiTest::Start() {
  Open();
  WaitForSetUp();
  return *window;
}

QString GuiTest::Cell(GridView& grid, int row, int column) {
  return grid.model()->index(row, column).data().toString();
}

void GuiTest::ClickRow(GridView& grid, int row) {
  const QRect cell = grid.visualRect(grid.model()->index(row, 0));
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

std::vector<QString> GuiTest::BoxTexts() const {
  std::vector<QString> texts;
  for (const ShownBox& box : boxes) texts.push_back(box.text);
  return texts;
}

}  // namespace voltrim::testing
