#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "gui_fixture.h"
#include "samples/sample_portfolios.h"
#include "splitsearch/ui/split_search_window.h"
#include "twin_drive.h"

namespace voltrim::testing {
namespace {

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
  bool Enabled(int commandId) { return window->Action(commandId)->isEnabled(); }
  // Answers the save-file dialog with path.
  void SaveTo(SplitSearchWindow& search, const std::string& path) {
    onDialog = [path](QDialog& dialog) {
      auto& files = dynamic_cast<QFileDialog&>(dialog);
      EXPECT_EQ(files.defaultSuffix(), "txt");
      EXPECT_EQ(files.nameFilters(), QStringList({"Text Files (*.txt)", "All Files (*)"}));
      files.selectFile(QString::fromStdString(path));
      return QDialog::Accepted;
    };
    QTest::mouseClick(search.SaveAsButton(), Qt::LeftButton);
  }
};

TEST_F(SplitSearchWindowTest, FindsThePlantedSplitsAppendsASecondRunAndSavesCrLfLines) {
  const std::string stocks = WriteSamples();
  Start();
  SelectPortfolio(stocks);
  SplitSearchWindow& search = OpenSearch();
  EXPECT_EQ(search.windowTitle(), "Split Search");
  EXPECT_FALSE(search.isModal());
  EXPECT_TRUE(State().splitSearchOpen);
  EXPECT_FALSE(Enabled(command::kSplitSearch));
  EXPECT_FALSE(Enabled(command::kSymbolEdit));
  EXPECT_TRUE(Enabled(command::kSymbolDelete));  // the rest of the window stays usable
  EXPECT_FALSE(search.SaveAsButton()->isEnabled());
  EXPECT_EQ(search.StatusLabel()->text(), "");

  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  const QStringList first = Lines(search);
  ASSERT_EQ(first.size(), 2);
  EXPECT_TRUE(first[0].startsWith("BOLT possible 2 for 1 split on ")) << first[0].toStdString();
  EXPECT_TRUE(first[1].startsWith("DYNA possible 1 for 4 split on ")) << first[1].toStdString();
  EXPECT_EQ(search.StatusLabel()->text(), "Done search");
  EXPECT_EQ(search.CountLabel()->text(), "2 candidates found");
  EXPECT_TRUE(search.SaveAsButton()->isEnabled());
  EXPECT_TRUE(boxes.empty());

  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  EXPECT_EQ(Lines(search), first + first);

  const std::string saved = drive.str() + "/found";
  SaveTo(search, saved);
  const std::string expected = (first + first).join("\r\n").toStdString() + "\r\n";
  EXPECT_EQ(ReadText(saved + ".txt"), expected);
  // Saving over it asks first; No goes back to the file dialog, which is then cancelled.
  WriteFileBytes(saved + ".txt", {'x'});
  int offered = 0;
  onDialog = [&](QDialog& dialog) {
    if (offered++ > 0) return int(QDialog::Rejected);
    dynamic_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(saved + ".txt"));
    return int(QDialog::Accepted);
  };
  answers.push_back(QMessageBox::No);
  QTest::mouseClick(search.SaveAsButton(), Qt::LeftButton);
  EXPECT_EQ(offered, 2);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.toStdString(),
            saved + ".txt already exists.\nDo you want to replace it?");
  EXPECT_EQ(ReadText(saved + ".txt"), "x");

  QTest::mouseClick(search.CloseButton(), Qt::LeftButton);
  EXPECT_FALSE(State().splitSearchOpen);
  EXPECT_TRUE(Enabled(command::kSplitSearch));
  EXPECT_TRUE(Enabled(command::kSymbolEdit));
  EXPECT_TRUE(WaitUntil([this] { return window->findChild<SplitSearchWindow*>() == nullptr; }));
}

TEST_F(SplitSearchWindowTest, EachSearchTakesThePortfolioShownAtThatMoment) {
  const std::string calm = Portfolio("a", PortfolioOf({"AAA"}, 5));
  const std::string jumpy = Portfolio("b", testing::Portfolio({SeriesEntry(MakeDailySeries(
                                               1, "SPL", "SPLIT CO",
                                               {{Day(2000, 1, 3), 100, 101, 98, 100, 1000},
                                                {Day(2000, 1, 4), 50, 52, 49, 50, 1000}}))}));
  Start();
  SplitSearchWindow& search = OpenSearch();

  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "No candidate splits found");
  EXPECT_EQ(search.Results()->count(), 0);
  EXPECT_FALSE(search.SaveAsButton()->isEnabled());

  SelectPortfolio(jumpy);  // the main window stays usable while the search window is open
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  EXPECT_EQ(Lines(search), QStringList({"SPL possible 2 for 1 split on 01/04/00"}));
  EXPECT_EQ(boxes.size(), 1u);
  QTest::keyClick(&search, Qt::Key_Escape);
  EXPECT_FALSE(State().splitSearchOpen);
}

// A double-click on a line makes its symbol and the later quote of the pair current in the
// main window, as the Check window does with a finding.
TEST_F(SplitSearchWindowTest, DoubleClickSelectsTheSymbolAndDateOfALine) {
  const std::string stocks = WriteSamples();
  Start();
  SelectPortfolio(stocks);
  SplitSearchWindow& search = OpenSearch();
  search.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&search));
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  ASSERT_EQ(search.Results()->count(), 2);
  const QString line = search.Results()->item(1)->text();
  ASSERT_TRUE(line.startsWith("DYNA possible 1 for 4 split on ")) << line.toStdString();
  const QString date = line.section(' ', -1);

  QListWidget& list = *search.Results();
  const QPoint at = list.visualItemRect(list.item(1)).center();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_EQ(State().quotes.loadedSymbol, "DYNA");
  EXPECT_EQ(Title(), "Voltrim - " + stocks + " - DYNA");
  const int row = State().quotes.currentRow;
  EXPECT_EQ(Cell(Quotes(), row, 0), date);
  EXPECT_EQ(Quotes().SelectedRow(), row);
  EXPECT_TRUE(boxes.empty());

  // Another portfolio on show: the line cannot be shown there, and nothing changes.
  SelectPortfolio(drive.str() + "/Futures");
  const std::string shown = State().quotes.loadedSymbol;
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_EQ(State().quotes.loadedSymbol, shown);
  EXPECT_EQ(State().portfolioDir, drive.str() + "/Futures");
}

// The list shows what was found before a box asks for the user, and counts it.
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
  prompt = std::make_unique<QtPrompt>([&](QMessageBox&) {
    if (auto* search = window ? window->findChild<SplitSearchWindow*>() : nullptr) {
      seen.emplace_back(search->Results()->count(), search->CountLabel()->text());
    }
    return QMessageBox::Ok;
  });
  Start();
  SplitSearchWindow& search = OpenSearch();
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  // The box about ONE comes after SPL's line; TWO's comes after it.
  EXPECT_EQ(seen, (std::vector<std::pair<int, QString>>{{1, "1 candidate found"}}));
  EXPECT_EQ(search.Results()->count(), 2);
  EXPECT_EQ(search.CountLabel()->text(), "2 candidates found");
  EXPECT_EQ(search.StatusLabel()->text(), "Done search");
}

TEST_F(SplitSearchWindowTest, APressWhileASearchRunsDoesNothing) {
  Portfolio("a", PortfolioOf({"ONE"}, 1));
  std::vector<QString> texts;
  // The box about the short series is up while the search runs; Search is pressed again.
  prompt = std::make_unique<QtPrompt>([&](QMessageBox& box) {
    texts.push_back(box.text());
    if (auto* search = window ? window->findChild<SplitSearchWindow*>() : nullptr) {
      search->SearchButton()->click();
      search->CloseButton()->click();
    }
    return QMessageBox::Ok;
  });
  Start();
  SplitSearchWindow& search = OpenSearch();
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0],
            "For symbol ONE\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.");
  EXPECT_EQ(texts[1], "No candidate splits found");
  EXPECT_TRUE(State().splitSearchOpen);  // Close waited for the search as well
}

TEST_F(SplitSearchWindowTest, SavesTheSameFileAsTheCli) {
  const std::string stocks = WriteSamples();
  Start();
  SelectPortfolio(stocks);
  TwinDrive twin(drive);
  SplitSearchWindow& search = OpenSearch();
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  const TempDir out;
  SaveTo(search, out.str() + "/window.txt");
  twin.RunCli({"split-search", twin.Path("Stocks"), "-o", out.str() + "/cli.txt"});
  EXPECT_FALSE(ReadText(out.str() + "/cli.txt").empty());
  EXPECT_EQ(ReadText(out.str() + "/window.txt"), ReadText(out.str() + "/cli.txt"));
}

}  // namespace
}  // namespace voltrim::testing
