#include "browser/browser_enabling.h"
#include "browser_fixture.h"

namespace voltrim::testing {
namespace {

using Startup = BrowserTest;

TEST_F(Startup, FillsTheListsAndLoadsTheFirstPortfolio) {
  const std::string drive = Drive("disk");
  Write(drive + "/zeta", PortfolioOf({"ZZ"}));
  Write(drive + "/Alpha", PortfolioOf({"AA", "AB"}, 40));
  Write(drive + "/beta/deep", PortfolioOf({"BB"}));

  Start();

  EXPECT_EQ(State().drive, drive);
  EXPECT_EQ(settings.GetString("Settings", "Drive", ""), drive);
  EXPECT_EQ(State().portfolios,
            (std::vector<std::string>{drive + "/Alpha", drive + "/beta/deep", drive + "/zeta"}));
  EXPECT_EQ(State().portfolioSelection, 0);
  EXPECT_EQ(State().masterPath, drive + "/Alpha/MASTER");
  ASSERT_EQ(State().symbols.RowCount(), 2);
  EXPECT_EQ(State().symbols.CellText(1, 0), "AB");
  EXPECT_EQ(State().title, "Voltrim - " + drive + "/Alpha - AA");
  EXPECT_EQ(State().quotes.loadedSymbol, "AA");
  EXPECT_EQ(State().quotes.RowCount(), 40);
  EXPECT_EQ(SymbolPaneText(State()), "Symbol 1 of 2");
  EXPECT_EQ(QuotePaneText(State()), "Quote 40 of 40");
  EXPECT_EQ(prompt.scanCounts.back(), 3);
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(prompt.waitDepth, 0);
}

TEST_F(Startup, EmptyDriveSaysSoAndChangesNothingElse) {
  const std::string drive = Drive("bare");
  std::filesystem::create_directories(drive + "/MASTER");

  Start();
  browser->OnPortfolioSelected(0);  // ignored: nothing was found

  EXPECT_EQ(prompt.MessageTexts(),
            std::vector<std::string>{"No master files found on drive " + drive +
                                     "\n\n(Is your Portfolio Search Filter setting correct?)"});
  EXPECT_FALSE(State().portfoliosFound);
  EXPECT_FALSE(State().masterPathSet);
  EXPECT_EQ(State().title, "Voltrim");
  EXPECT_EQ(EnabledBrowserCommands(State()), std::vector<int>{});
}

TEST_F(Startup, DriveChangeAndFilterChangeRescanWhenDue) {
  const std::string first = Drive("d1");
  const std::string second = Drive("d2");
  Write(first + "/metastock/data", PortfolioOf({"IN"}));
  Write(first + "/other", PortfolioOf({"OUT"}));
  Write(second + "/p", PortfolioOf({"TWO"}));
  Start();
  const auto scans = [&] { return prompt.beeps.size(); };

  browser->OnDriveChanged(0);  // already current
  EXPECT_EQ(scans(), 1u);
  browser->OnDriveChanged(1);
  EXPECT_EQ(State().title, "Voltrim - " + second + "/p - TWO");

  browser->ApplySearchFilter(false, first + "/metastock", false);  // text only, limit off
  EXPECT_EQ(scans(), 2u);
  // Switching the limit on walks the filter's drive, even though another one was current.
  browser->ApplySearchFilter(true, first + "/metastock", false);
  EXPECT_EQ(scans(), 3u);
  EXPECT_EQ(State().drive, first);
  EXPECT_EQ(State().driveSelection, 0);
  EXPECT_EQ(State().portfolios, std::vector<std::string>{first + "/metastock/data"});
  EXPECT_EQ(settings.GetString("Search", "Name", ""), first + "/metastock");
  EXPECT_EQ(browser->ValidateSearchFilter(true, "relative"),
            std::optional<std::string>("The Search Filter path refers to an unknown drive"));
}

}  // namespace
}  // namespace voltrim::testing
