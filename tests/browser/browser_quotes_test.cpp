#include "browser/browser_enabling.h"
#include "browser_fixture.h"

namespace voltrim::testing {
namespace {

class PartialRows : public BrowserObserver {
 public:
  explicit PartialRows(const Browser& browser) : browser_(browser) {}
  void QuotesPartlyLoaded(int rows) override {
    calls.push_back({rows, browser_.State().quotes.RowCount()});
  }
  std::vector<std::pair<int, int>> calls;  // (reported, rows in the table then)

 private:
  const Browser& browser_;
};

using QuotesFill = BrowserTest;

TEST_F(QuotesFill, LongSeriesComesNewestFirstWithProgress) {
  const std::string drive = Drive("disk");
  Write(drive, PortfolioOf({"LONG"}, 1000));
  Start();
  const QuoteTable& quotes = State().quotes;
  const auto all = RisingQuotes(1000);

  ASSERT_EQ(quotes.RowCount(), 1000);
  EXPECT_EQ(quotes.CellText(0, 0), FormatUserDate(all.back().day));
  EXPECT_EQ(quotes.CellText(999, 0), FormatUserDate(all.front().day));
  EXPECT_EQ(quotes.CellText(999, 1), "10.0000");
  EXPECT_EQ(quotes.CellText(0, 5), "1999");
  EXPECT_EQ(quotes.CellText(0, 6), "N/A");  // no open interest stored
  EXPECT_EQ(quotes.firstDateText, FormatUserDate(all.front().day));
  EXPECT_EQ(quotes.lastDateText, FormatUserDate(all.back().day));
  browser->OnQuoteRowSelected(999);
  EXPECT_EQ(QuotePaneText(State()), "Quote 1 of 1000");
  // A step every ten rows, the bar taken away at the end.
  EXPECT_EQ(prompt.fillProgress.size(), 102u);
  EXPECT_EQ(prompt.fillProgress[1], std::make_pair(10, 1000));
  EXPECT_EQ(prompt.fillProgress.back(), std::make_pair(0, 0));

  PartialRows observer(*browser);
  browser->SetObserver(&observer);
  browser->FillQuotesGrid(3);
  EXPECT_EQ(observer.calls, (std::vector<std::pair<int, int>>{{30, 30}}));
  EXPECT_EQ(quotes.currentRow, 3);
}

TEST_F(QuotesFill, EmptyOrUnreadableSeries) {
  const std::string drive = Drive("disk");
  Write(drive, PortfolioOf({"NONE", "GONE"}, 0));
  std::filesystem::remove(drive + "/F2.DAT");
  Start();
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_EQ(State().quotes.firstDateText, FormatUserDate(0));
  EXPECT_EQ(QuotePaneText(State()), "No Quotes Read");

  browser->OnSymbolRowSelected(1);
  browser->OnSymbolsGridClicked();
  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Error in FillQuotesGrid"});
  EXPECT_EQ(State().quotes.count, 0);
}

TEST_F(QuotesFill, TruncatedDataFileEndsTheFill) {
  const std::string drive = Drive("disk");
  Write(drive, PortfolioOf({"CUT"}, 900));
  std::filesystem::resize_file(drive + "/F1.DAT",
                               std::filesystem::file_size(drive + "/F1.DAT") / 2);

  Start();

  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Error in FillQuotesGrid"});
  EXPECT_LT(State().quotes.RowCount(), 900);
}

using Selection = BrowserTest;

TEST_F(Selection, KeyboardMovesTheTitleAndAClickReloadsTheQuotes) {
  const std::string drive = Drive("disk");
  Write(drive + "/a", PortfolioOf({"FIRST", "SECOND"}));
  Write(drive + "/b", PortfolioOf({"OTHER"}));
  Start();

  browser->OnSymbolRowSelected(1);
  EXPECT_EQ(State().title, "Voltrim - " + drive + "/a - SECOND");
  EXPECT_EQ(State().quotes.loadedSymbol, "FIRST");
  EXPECT_EQ(SymbolPaneText(State()), "Symbol 2 of 2");

  browser->OnSymbolsGridClicked();
  EXPECT_EQ(State().quotes.loadedSymbol, "SECOND");
  EXPECT_EQ(State().quotes.loadedName, "SECOND INC      ");

  browser->OnSymbolRowSelected(7);  // no such row: nothing to load
  browser->OnSymbolsGridClicked();
  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Error in FillQuotesGrid"});
  EXPECT_EQ(State().quotes.RowCount(), 0);

  browser->OnPortfolioSelected(1);
  EXPECT_EQ(State().title, "Voltrim - " + drive + "/b - OTHER");
  EXPECT_EQ(State().quotes.loadedSymbol, "OTHER");
  EXPECT_EQ(prompt.waitDepth, 0);
}

TEST_F(Selection, PortfolioPathTooLongToHoldFailsRatherThanShowTheLastOne) {
  const std::string drive = Drive("disk");
  Write(drive + "/a", PortfolioOf({"AAA"}));
  std::string deep = drive + "/b";
  while (deep.size() < 320) deep += "/folder_with_a_long_name";
  Write(deep, PortfolioOf({"DEEP"}));
  Start();

  browser->OnPortfolioSelected(1);

  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Failure while filling symbols grid"});
  EXPECT_EQ(State().symbols.RowCount(), 0);
  EXPECT_EQ(State().title, "Voltrim - " + deep + " - (no symbols)");
}

}  // namespace
}  // namespace voltrim::testing
