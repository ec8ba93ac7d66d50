#include <gtest/gtest.h>

#include "browser/browser_columns.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

using namespace command;

TEST(CommandEnabling, RulesThatDependOnMoreThanRows) {
  BrowserState state;
  state.portfoliosFound = true;
  state.portfolios = {"/d/a"};
  state.symbols.rows.resize(3);
  state.symbols.count = 3;
  state.quotes.rows.resize(10);
  state.quotes.count = 10;
  EXPECT_EQ(EnabledBrowserCommands(state).size(), 10u);  // all but Move and Copy

  state.quotes.currentRow = 9;  // the oldest quote
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteAdd));
  state.splitSearchOpen = true;
  EXPECT_FALSE(IsCommandEnabled(state, kSymbolEdit));
  EXPECT_FALSE(IsCommandEnabled(state, kSplitSearch));
  state.symbols.count = 0;
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteExport));
  EXPECT_TRUE(IsCommandEnabled(state, kQuoteEdit));

  // Move and Copy need a second portfolio, not a successful scan.
  state.portfoliosFound = false;
  state.portfolios.push_back("/d/b");
  EXPECT_EQ(EnabledBrowserCommands(state), (std::vector<int>{kSymbolMove, kSymbolCopy}));
  EXPECT_TRUE(IsCommandEnabled(BrowserState{}, kReScan));
}

TEST(ColumnWidths, SavedWidthsComeBackOnlyWhenTheyFit) {
  TempDir dir;
  SettingsStore settings;
  settings.OpenRoot((dir.path() / "Voltrim.conf").string());
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 401), (SymbolColumnWidths{180, 180}));
  EXPECT_EQ(LoadQuoteColumnWidths(settings, 701)[6], 90);

  SaveColumnWidths(settings, {60, 200}, {80, 70, 70, 70, 70, 90, 110});
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 300), (SymbolColumnWidths{60, 200}));
  EXPECT_EQ(LoadQuoteColumnWidths(settings, 600), (QuoteColumnWidths{80, 70, 70, 70, 70, 90, 110}));
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 250), (SymbolColumnWidths{112, 112}));  // sum too wide

  for (int bad : {0, -40, 301, 2000000000}) {
    settings.SetInt("SymbolGrid", "col0", bad);
    settings.SetInt("SymbolGrid", "col1", bad == 2000000000 ? bad : 100);
    EXPECT_EQ(LoadSymbolColumnWidths(settings, 300), (SymbolColumnWidths{135, 135})) << bad;
  }
}

}  // namespace
}  // namespace voltrim::testing
