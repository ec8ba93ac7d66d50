#include <filesystem>

#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "browser_fixture.h"

namespace voltrim::testing {
namespace {

class Recorder : public BrowserObserver {
 public:
  explicit Recorder(const Browser& browser) : browser_(browser) {}
  void QuotesPartlyLoaded(int rows) override {
    partial.push_back(rows);
    rowsAtPartial = browser_.State().quotes.RowCount();
  }
  void TitleChanged() override { titles.push_back(browser_.State().title); }
  std::vector<int> partial;
  int rowsAtPartial = -1;
  std::vector<std::string> titles;

 private:
  const Browser& browser_;
};

class QuotesFill : public BrowserTest {
 protected:
  void SetUp() override { drive = Drive("disk"); }
  std::string drive;
};

TEST_F(QuotesFill, LongSeriesIsShownNewestFirstInChunks) {
  Write(drive, PortfolioOf({"LONG"}, 1000));
  Start();
  const QuoteTable& quotes = State().quotes;
  const auto all = RisingQuotes(1000);

  ASSERT_EQ(quotes.count, 1000);
  ASSERT_EQ(quotes.RowCount(), 1000);
  EXPECT_EQ(quotes.CellText(0, 0), FormatUserDate(all.back().day));
  EXPECT_EQ(quotes.CellText(999, 0), FormatUserDate(all.front().day));
  EXPECT_EQ(quotes.CellText(999, 1), "10.0000");
  EXPECT_EQ(quotes.CellText(0, 5), "1999");
  EXPECT_EQ(quotes.CellText(0, 6), "N/A");  // no open interest stored
  EXPECT_EQ(quotes.SeriesIndex(0), 999);
  EXPECT_EQ(quotes.firstDateText, FormatUserDate(all.front().day));
  EXPECT_EQ(quotes.lastDateText, FormatUserDate(all.back().day));
  EXPECT_EQ(quotes.currentRow, 0);
  EXPECT_EQ(QuotePaneText(State()), "Quote 1000 of 1000");
  browser->OnQuoteRowSelected(999);
  EXPECT_EQ(QuotePaneText(State()), "Quote 1 of 1000");

  // The bar advances every ten rows and is taken away at the end.
  ASSERT_GE(prompt.fillProgress.size(), 3u);
  EXPECT_EQ(prompt.fillProgress.front(), std::make_pair(0, 1000));
  EXPECT_EQ(prompt.fillProgress[1], std::make_pair(10, 1000));
  EXPECT_EQ(prompt.fillProgress.back(), std::make_pair(0, 0));
  EXPECT_EQ(prompt.fillProgress.size(), 100u + 2u);
}

TEST_F(QuotesFill, ViewIsRefreshedOnceAfterTheFirstThirtyRows) {
  Write(drive, PortfolioOf({"LONG"}, 450));
  Start();
  Recorder recorder(*browser);
  browser->SetObserver(&recorder);

  browser->FillQuotesGrid(3);

  EXPECT_EQ(recorder.partial, std::vector<int>{30});
  EXPECT_EQ(recorder.rowsAtPartial, 30);
  EXPECT_EQ(State().quotes.currentRow, 3);
  EXPECT_EQ(State().quotes.RowCount(), 450);
}

TEST_F(QuotesFill, SeriesWithoutQuotesShowsNothing) {
  Write(drive, PortfolioOf({"NONE"}, 0));
  Start();

  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_EQ(State().quotes.firstDateText, FormatUserDate(0));
  EXPECT_EQ(State().quotes.lastDateText, FormatUserDate(0));
  EXPECT_EQ(QuotePaneText(State()), "No Quotes Read");
  EXPECT_FALSE(IsCommandEnabled(State(), command::kQuoteEdit));
}

TEST_F(QuotesFill, UnreadableSeriesIsReported) {
  Write(drive, PortfolioOf({"GONE", "HERE"}));
  std::filesystem::remove(drive + "/F1.DAT");
  std::filesystem::remove(drive + "/F1.DOP");
  Start();

  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Error in FillQuotesGrid"});
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_EQ(State().quotes.count, 0);
  EXPECT_EQ(State().symbols.RowCount(), 2);
}

TEST_F(QuotesFill, TruncatedDataFileEndsTheFillWithoutHanging) {
  Write(drive, PortfolioOf({"CUT"}, 900));
  const std::filesystem::path dat = drive + "/F1.DAT";
  std::filesystem::resize_file(dat, std::filesystem::file_size(dat) / 2);

  Start();

  EXPECT_FALSE(prompt.messages.empty());
  EXPECT_EQ(prompt.messages.back().text, "Error in FillQuotesGrid");
  EXPECT_LT(State().quotes.RowCount(), 900);
  EXPECT_EQ(prompt.fillProgress.empty() ? std::make_pair(0, 0) : prompt.fillProgress.back(),
            std::make_pair(0, 0));
}

using Selection = BrowserTest;

TEST_F(Selection, ClickWithoutACurrentRowLoadsNothing) {
  const std::string drive = Drive("disk");
  Write(drive, PortfolioOf({"ONLY"}));
  Start();

  browser->OnSymbolRowSelected(4);
  browser->OnSymbolsGridClicked();

  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Error in FillQuotesGrid"});
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_EQ(State().quotes.loadedSymbol, "");
}

TEST_F(Selection, KeyboardMovesTheTitleAndAClickReloadsTheQuotes) {
  const std::string drive = Drive("disk");
  Write(drive, PortfolioOf({"FIRST", "SECOND"}));
  Start();
  Recorder recorder(*browser);
  browser->SetObserver(&recorder);

  browser->OnSymbolRowSelected(1);  // arrow key
  EXPECT_EQ(State().symbols.currentRow, 1);
  EXPECT_EQ(State().title, "Voltrim - " + drive + " - SECOND");
  EXPECT_EQ(recorder.titles.back(), State().title);
  EXPECT_EQ(State().quotes.loadedSymbol, "FIRST");
  EXPECT_EQ(SymbolPaneText(State()), "Symbol 2 of 2");

  browser->OnSymbolsGridClicked();
  EXPECT_EQ(State().quotes.loadedSymbol, "SECOND");
  EXPECT_EQ(State().quotes.loadedName, "SECOND INC      ");
  EXPECT_EQ(State().quotes.RowCount(), 5);
  EXPECT_EQ(prompt.waitDepth, 0);
}

TEST_F(Selection, PortfolioChoiceLoadsItsSymbols) {
  const std::string drive = Drive("disk");
  Write(drive + "/a", PortfolioOf({"AAA"}));
  Write(drive + "/b", PortfolioOf({"BBB", "CCC"}));
  Start();

  browser->OnPortfolioSelected(1);

  EXPECT_EQ(State().masterPath, drive + "/b/MASTER");
  EXPECT_EQ(State().symbols.RowCount(), 2);
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");
  EXPECT_EQ(State().title, "Voltrim - " + drive + "/b - BBB");
  EXPECT_TRUE(IsCommandEnabled(State(), command::kSymbolMove));
}

TEST_F(Selection, PortfolioChoiceIsIgnoredUntilAScanFoundOne) {
  Drive("bare");
  Start();
  browser->OnPortfolioSelected(0);
  EXPECT_FALSE(State().masterPathSet);
  EXPECT_EQ(prompt.messages.size(), 1u);  // only the scan's own message
}

TEST_F(Selection, PortfolioPathTooLongToHoldIsNotConfusedWithThePreviousOne) {
  const std::string drive = Drive("disk");
  Write(drive + "/a", PortfolioOf({"AAA"}));
  std::string deep = drive + "/b";
  while (deep.size() < 320) deep += "/folder_with_a_long_name";
  Write(deep, PortfolioOf({"DEEP"}));
  Start();
  ASSERT_EQ(State().portfolios.size(), 2u);

  browser->OnPortfolioSelected(1);

  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Failure while filling symbols grid"});
  EXPECT_EQ(State().symbols.RowCount(), 0);
  EXPECT_FALSE(State().masterPathSet);
}

}  // namespace
}  // namespace voltrim::testing
