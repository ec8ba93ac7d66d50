#include <QFileDialog>
#include <QTableView>

#include "check/ui/check_window.h"
#include "samples/sample_portfolios.h"
#include "splitsearch/ui/split_search_window.h"
#include "twin_drive.h"

namespace voltrim::testing {
namespace {

// The windows beside the main one: Split Search and Check.
class SplitSearchWindowTest : public GuiTest {
 protected:
  std::string WriteSamples() {
    std::vector<std::string> written;
    EXPECT_EQ(WriteSamplePortfolios(drive.str(), written), kOk);
    return drive.str() + "/Stocks";
  }
  void SelectPortfolio(const std::string& dir) {
    QListWidget& list = *View().PortfolioList();
    const auto found = list.findItems(QString::fromStdString(dir), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualItemRect(found.front()).center());
    ASSERT_EQ(State().portfolioDir, dir);
  }
  SplitSearchWindow& OpenSearch() {
    window->Action(command::kSplitSearch)->trigger();
    auto* search = window->findChild<SplitSearchWindow*>();
    EXPECT_NE(search, nullptr);
    return *search;
  }
  QStringList Lines(SplitSearchWindow& search) {
    QStringList lines;
    for (int i = 0; i < search.Results()->count(); ++i) lines << search.Results()->item(i)->text();
    return lines;
  }
  // Answers the file dialogs with path, then cancels them after `times` answers.
  void SaveTo(SplitSearchWindow& search, const std::string& path, int times = 1) {
    onDialog = [this, path, times, offered = 0](QDialog& dialog) mutable {
      ++offers;
      auto& files = dynamic_cast<QFileDialog&>(dialog);
      EXPECT_EQ(files.defaultSuffix(), "txt");
      EXPECT_EQ(files.nameFilters(), QStringList({"Text Files (*.txt)", "All Files (*)"}));
      if (offered++ == times) return int(QDialog::Rejected);
      files.selectFile(QString::fromStdString(path));
      return int(QDialog::Accepted);
    };
    QTest::mouseClick(search.SaveAsButton(), Qt::LeftButton);
  }
  void DoubleClick(QAbstractItemView& view, const QRect& cell) {
    // A press, a release and then the double-click press, as a mouse sends.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  }

  int offers = 0;  // file dialogs shown
};

TEST_F(SplitSearchWindowTest, FindsThePlantedSplitsAppendsASecondRunAndSavesWhatTheCliSaves) {
  const std::string stocks = WriteSamples();
  Start();
  SelectPortfolio(stocks);
  TwinDrive twin(drive);
  SplitSearchWindow& search = OpenSearch();
  EXPECT_EQ(search.windowTitle(), "Split Search");
  EXPECT_FALSE(search.isModal());
  EXPECT_FALSE(Enabled(command::kSplitSearch));
  EXPECT_FALSE(Enabled(command::kSymbolEdit));
  EXPECT_TRUE(Enabled(command::kSymbolDelete));  // the rest of the window stays usable
  EXPECT_FALSE(search.SaveAsButton()->isEnabled());

  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  const QStringList first = Lines(search);
  ASSERT_EQ(first.size(), 2);
  EXPECT_TRUE(first[0].startsWith("BOLT possible 2 for 1 split on ")) << first[0].toStdString();
  EXPECT_TRUE(first[1].startsWith("DYNA possible 1 for 4 split on ")) << first[1].toStdString();
  EXPECT_EQ(search.StatusLabel()->text(), "Done search");
  EXPECT_EQ(search.CountLabel()->text(), "2 candidates found");
  EXPECT_TRUE(search.SaveAsButton()->isEnabled());
  EXPECT_TRUE(boxes.empty());

  const TempDir out;
  SaveTo(search, out.str() + "/window.txt");
  twin.RunCli({"split-search", twin.Path("Stocks"), "-o", out.str() + "/cli.txt"});
  EXPECT_FALSE(ReadText(out.str() + "/cli.txt").empty());
  EXPECT_EQ(ReadText(out.str() + "/window.txt"), ReadText(out.str() + "/cli.txt"));

  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  EXPECT_EQ(Lines(search), first + first);
  // Saving over a file asks first; No goes back to the file dialog, here cancelled.
  const std::string saved = out.str() + "/window.txt";
  answers.push_back(QMessageBox::No);
  SaveTo(search, saved, 1);
  EXPECT_EQ(offers, 3);
  EXPECT_EQ(Texts(),
            std::vector<std::string>{saved + " already exists.\nDo you want to replace it?"});
  EXPECT_EQ(ReadText(saved), ReadText(out.str() + "/cli.txt"));

  QTest::mouseClick(search.CloseButton(), Qt::LeftButton);
  EXPECT_TRUE(Enabled(command::kSplitSearch));
  EXPECT_TRUE(Enabled(command::kSymbolEdit));
  EXPECT_TRUE(WaitUntil([this] { return window->findChild<SplitSearchWindow*>() == nullptr; }));
}

TEST_F(SplitSearchWindowTest, EachSearchTakesThePortfolioShownAtThatMoment) {
  Portfolio("a", PortfolioOf({"AAA"}, 5));
  const std::string jumpy = Portfolio("b", testing::Portfolio({SeriesEntry(MakeDailySeries(
                                               1, "SPL", "SPLIT CO",
                                               {{Day(2000, 1, 3), 100, 101, 98, 100, 1000},
                                                {Day(2000, 1, 4), 50, 52, 49, 50, 1000}}))}));
  Start();
  SplitSearchWindow& search = OpenSearch();
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  EXPECT_EQ(Texts(), std::vector<std::string>{"No candidate splits found"});
  EXPECT_FALSE(search.SaveAsButton()->isEnabled());

  SelectPortfolio(jumpy);  // the main window stays usable while the search window is open
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  EXPECT_EQ(Lines(search), QStringList({"SPL possible 2 for 1 split on 01/04/00"}));
  QTest::keyClick(&search, Qt::Key_Escape);
  EXPECT_FALSE(State().splitSearchOpen);
}

// A double-click on a line makes its symbol and the later quote of the pair current in the
// main window, unless another portfolio is on show.
TEST_F(SplitSearchWindowTest, DoubleClickSelectsTheSymbolAndDateOfALine) {
  const std::string stocks = WriteSamples();
  Start();
  SelectPortfolio(stocks);
  SplitSearchWindow& search = OpenSearch();
  search.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&search));
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  QListWidget& list = *search.Results();
  ASSERT_EQ(list.count(), 2);
  const QString date = list.item(1)->text().section(' ', -1);
  DoubleClick(list, list.visualItemRect(list.item(1)));
  EXPECT_EQ(Title(), "Voltrim - " + stocks + " - DYNA");
  const int row = State().quotes.currentRow;
  EXPECT_EQ(Cell(Quotes(), row, 0), date);
  EXPECT_EQ(Quotes().SelectedRow(), row);
  EXPECT_TRUE(boxes.empty());

  SelectPortfolio(drive.str() + "/Futures");
  const std::string shown = State().quotes.loadedSymbol;
  DoubleClick(list, list.visualItemRect(list.item(1)));
  EXPECT_EQ(State().quotes.loadedSymbol, shown);
  EXPECT_EQ(State().portfolioDir, drive.str() + "/Futures");
}

// The list shows what was found before a box asks for the user, and counts it; a press
// while the search runs (here from inside the box) does nothing, not even Close.
TEST_F(SplitSearchWindowTest, ABoxDuringTheSearchFollowsTheLinesFoundBeforeIt) {
  const auto day = [](int d) { return YmdToDay(2000, 1, d); };
  PortfolioSpec plan;
  plan.entries.resize(3);
  plan.entries[0].series = MakeDailySeries(
      1, "SPL", "SPLIT CO", {{day(3), 100, 101, 98, 100, 1000}, {day(4), 50, 52, 49, 50, 1000}});
  plan.entries[1].series = MakeDailySeries(2, "ONE", "ONE CO", {{day(3), 1, 1, 1, 1, 1}});
  plan.entries[2].series = plan.entries[0].series;
  plan.entries[2].series.fileNumber = 3;
  plan.entries[2].series.symbol = "TWO";
  Portfolio("p", plan);
  std::vector<std::pair<int, QString>> seen;  // lines listed and the count, at each box
  prompt = std::make_unique<QtPrompt>([&](QMessageBox& box) {
    auto* search = window ? window->findChild<SplitSearchWindow*>() : nullptr;
    if (search) {
      seen.emplace_back(search->Results()->count(), search->CountLabel()->text());
      search->SearchButton()->click();
      search->CloseButton()->click();
    }
    boxes.push_back({box.windowTitle(), box.text(), box.icon(), box.standardButtons(), false});
    return QMessageBox::Ok;
  });
  Start();
  SplitSearchWindow& search = OpenSearch();
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  // The box about ONE comes after SPL's line; TWO's comes after it.
  EXPECT_EQ(seen, (std::vector<std::pair<int, QString>>{{1, "1 candidate found"}}));
  EXPECT_EQ(Texts(), std::vector<std::string>{"For symbol ONE\nSplitSearch cannot perform "
                                              "search\nas there are fewer than 2 quotes."});
  EXPECT_EQ(search.Results()->count(), 2);
  EXPECT_EQ(search.CountLabel()->text(), "2 candidates found");
  EXPECT_EQ(search.StatusLabel()->text(), "Done search");
  EXPECT_TRUE(State().splitSearchOpen);
}

CheckWindow* OpenCheckWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* check = qobject_cast<CheckWindow*>(widget); check && check->isVisible()) return check;
  }
  return nullptr;
}

// Portfolio > Check lists the planted fault; double-clicking it makes its symbol and its
// quote current in the browser, ready for the quote commands.
TEST_F(SplitSearchWindowTest, CheckDoubleClickSelectsTheSymbolAndQuoteOfAFinding) {
  PortfolioSpec plan = PortfolioOf({"AAA", "BBB", "CCC"}, 30);
  auto& records = plan.entries[1].series.records;
  std::swap(records[20][0], records[21][0]);  // quote 21 now dated before quote 20
  const std::string dir = Portfolio("p", plan);
  Start();
  window->Action(command::kPortfolioCheck)->trigger();
  CheckWindow* check = OpenCheckWindow();
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->windowTitle().toStdString(), "Check - " + dir);
  EXPECT_EQ(check->Summary(), "1 problem found; 3 series, 93 quotes checked");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(check));
  QTableView& table = *check->Table();
  ASSERT_EQ(table.model()->rowCount(), 1);
  EXPECT_EQ(table.model()->index(0, 3).data().toString(), "date-order");
  EXPECT_EQ(table.model()->index(0, 0).data().toString(), "BBB");
  DoubleClick(table, table.visualRect(table.model()->index(0, 1)));
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");
  EXPECT_EQ(State().quotes.SeriesIndex(State().quotes.currentRow), 21);
  EXPECT_EQ(Quotes().SelectedRow(), State().quotes.currentRow);
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - BBB");

  // The filter by kind keeps whole kinds only.
  check->KindFilter()->setCurrentText("duplicate-date");
  EXPECT_EQ(table.model()->rowCount(), 0);
  check->KindFilter()->setCurrentText("date-order");
  EXPECT_EQ(table.model()->rowCount(), 1);
  check->close();
}

}  // namespace
}  // namespace voltrim::testing
