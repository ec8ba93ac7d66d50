#include <gtest/gtest.h>

#include "browser/browser_columns.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

using namespace command;

BrowserState Browsing(int symbols, int quotes) {
  BrowserState state;
  state.portfoliosFound = true;
  state.portfolios = {"/d/a"};
  state.symbols.rows.resize(static_cast<std::size_t>(symbols));
  state.symbols.count = static_cast<std::int16_t>(symbols);
  state.quotes.rows.resize(static_cast<std::size_t>(quotes));
  state.quotes.count = static_cast<std::int16_t>(quotes);
  return state;
}

TEST(CommandEnabling, FollowsWhatIsLoaded) {
  EXPECT_EQ(EnabledBrowserCommands(BrowserState{}), std::vector<int>{});
  for (int always : {kSearchFilter, kReScan, kAppExit, kAppAbout, kHelpTopics}) {
    EXPECT_TRUE(IsCommandEnabled(BrowserState{}, always)) << always;
  }

  EXPECT_EQ(EnabledBrowserCommands(Browsing(3, 0)),
            (std::vector<int>{kSymbolAbout, kSymbolEdit, kSymbolDelete}));
  EXPECT_EQ(EnabledBrowserCommands(Browsing(3, 10)),
            (std::vector<int>{kQuoteEdit, kQuoteSplit, kQuoteAdjust, kSymbolAbout, kQuoteDelete,
                              kSplitSearch, kSymbolEdit, kSymbolDelete, kQuoteAdd, kQuoteExport}));

  BrowserState lost = Browsing(3, 10);
  lost.portfoliosFound = false;
  EXPECT_EQ(EnabledBrowserCommands(lost), std::vector<int>{});
}

TEST(CommandEnabling, RowAndWindowDependentRules) {
  BrowserState state = Browsing(3, 10);
  state.quotes.currentRow = 9;  // the oldest quote
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteAdd));
  state.quotes.currentRow = 8;
  EXPECT_TRUE(IsCommandEnabled(state, kQuoteAdd));

  state.splitSearchOpen = true;
  EXPECT_FALSE(IsCommandEnabled(state, kSymbolEdit));
  EXPECT_FALSE(IsCommandEnabled(state, kSplitSearch));
  EXPECT_TRUE(IsCommandEnabled(state, kSymbolDelete));

  state.symbols.count = 0;  // a fill that failed after the quotes were shown
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteExport));
  EXPECT_TRUE(IsCommandEnabled(state, kQuoteEdit));

  // Move and Copy need a second portfolio, not a successful scan.
  BrowserState two = Browsing(1, 0);
  EXPECT_FALSE(IsCommandEnabled(two, kSymbolCopy));
  two.portfolios.push_back("/d/b");
  two.portfoliosFound = false;
  EXPECT_TRUE(IsCommandEnabled(two, kSymbolCopy));
  EXPECT_TRUE(IsCommandEnabled(two, kSymbolMove));
}

TEST(StatusPanes, CountSymbolsFromTheTopAndQuotesFromTheOldest) {
  BrowserState state = Browsing(7, 1000);
  state.symbols.currentRow = 6;
  state.quotes.currentRow = 0;
  EXPECT_EQ(SymbolPaneText(state), "Symbol 7 of 7");
  EXPECT_EQ(QuotePaneText(state), "Quote 1000 of 1000");
  state.quotes.currentRow = 999;
  EXPECT_EQ(QuotePaneText(state), "Quote 1 of 1000");
  EXPECT_EQ(SymbolPaneText(BrowserState{}), "No Symbols Read");
  EXPECT_EQ(QuotePaneText(BrowserState{}), "No Quotes Read");
}

class ColumnWidths : public ::testing::Test {
 protected:
  ColumnWidths() { settings.OpenRoot((dir.path() / "Voltrim.conf").string()); }
  TempDir dir;
  SettingsStore settings;
};

TEST_F(ColumnWidths, DefaultsShareTheGrid) {
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 401), (SymbolColumnWidths{180, 180}));
  QuoteColumnWidths quotes;
  quotes.fill(90);
  EXPECT_EQ(LoadQuoteColumnWidths(settings, 701), quotes);
}

TEST_F(ColumnWidths, SavedWidthsComeBackWhenTheyFit) {
  SaveColumnWidths(settings, {60, 200}, {80, 70, 70, 70, 70, 90, 110});
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 300), (SymbolColumnWidths{60, 200}));
  EXPECT_EQ(LoadQuoteColumnWidths(settings, 600), (QuoteColumnWidths{80, 70, 70, 70, 70, 90, 110}));
  EXPECT_EQ(settings.GetInt("QuoteGrid", "col6", 0), 110);

  // Too wide together for a narrower grid.
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 250), (SymbolColumnWidths{112, 112}));
}

TEST_F(ColumnWidths, WidthsThatWouldHideAColumnAreReplaced) {
  for (int bad : {0, -40, 301}) {
    settings.SetInt("SymbolGrid", "col0", bad);
    settings.SetInt("SymbolGrid", "col1", 100);
    EXPECT_EQ(LoadSymbolColumnWidths(settings, 300), (SymbolColumnWidths{135, 135})) << bad;
  }
  settings.SetInt("SymbolGrid", "col0", 2000000000);
  settings.SetInt("SymbolGrid", "col1", 2000000000);
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 300), (SymbolColumnWidths{135, 135}));
}

}  // namespace
}  // namespace voltrim::testing
