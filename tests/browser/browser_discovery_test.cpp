#include <filesystem>

#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "browser_fixture.h"

namespace voltrim::testing {
namespace {

using Startup = BrowserTest;

TEST_F(Startup, FillsTheListsAndLoadsTheFirstPortfolio) {
  const std::string drive = Drive("disk");
  Write(drive + "/zeta", PortfolioOf({"ZZ"}));
  Write(drive + "/Alpha", PortfolioOf({"AA", "AB"}, 40));
  Write(drive + "/beta/deep", PortfolioOf({"BB"}));
  std::filesystem::create_directories(drive + "/empty");

  Start();

  EXPECT_EQ(State().drive, drive);
  EXPECT_EQ(State().driveSelection, 0);
  EXPECT_EQ(settings.GetString("Settings", "Drive", ""), drive);
  // Sorted without regard to case, whatever order the walk found them in.
  EXPECT_EQ(State().portfolios,
            (std::vector<std::string>{drive + "/Alpha", drive + "/beta/deep", drive + "/zeta"}));
  EXPECT_TRUE(State().portfoliosFound);
  EXPECT_EQ(State().portfolioSelection, 0);
  EXPECT_EQ(State().masterPath, drive + "/Alpha/MASTER");
  EXPECT_EQ(State().portfolioDir, drive + "/Alpha");

  ASSERT_EQ(State().symbols.RowCount(), 2);
  EXPECT_EQ(State().symbols.CellText(1, 0), "AB");
  EXPECT_EQ(State().title, "Voltrim - " + drive + "/Alpha - AA");
  EXPECT_EQ(State().quotes.loadedSymbol, "AA");
  EXPECT_EQ(State().quotes.RowCount(), 40);

  EXPECT_EQ(SymbolPaneText(State()), "Symbol 1 of 2");
  EXPECT_EQ(QuotePaneText(State()), "Quote 40 of 40");
  EXPECT_FALSE(prompt.scanPaths.empty());
  EXPECT_EQ(prompt.scanCounts.back(), 3);
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(prompt.waitDepth, 0);
  EXPECT_FALSE(State().scanning);
}

TEST_F(Startup, EmptyDriveSaysSoAndLeavesTheBrowserUsable) {
  const std::string drive = Drive("bare");
  std::filesystem::create_directories(drive + "/MASTER");  // a folder does not count

  Start();

  EXPECT_EQ(prompt.MessageTexts(),
            std::vector<std::string>{"No master files found on drive " + drive +
                                     "\n\n(Is your Portfolio Search Filter setting correct?)"});
  EXPECT_FALSE(State().portfoliosFound);
  EXPECT_TRUE(State().portfolios.empty());
  EXPECT_EQ(State().title, "Voltrim");
  EXPECT_EQ(EnabledBrowserCommands(State()), std::vector<int>{});
  EXPECT_EQ(SymbolPaneText(State()), "No Symbols Read");
  EXPECT_EQ(QuotePaneText(State()), "No Quotes Read");
}

TEST_F(Startup, SavedDriveIsPreferredAndAMissingOneFallsBackToTheLast) {
  const std::string first = Drive("d1");
  const std::string second = Drive("d2");
  Write(first, PortfolioOf({"ONE"}));
  Write(second, PortfolioOf({"TWO"}));

  settings.SetString("Settings", "Drive", second);
  Start();
  EXPECT_EQ(State().drive, second);
  EXPECT_EQ(State().driveSelection, 1);
  EXPECT_EQ(State().portfolios, std::vector<std::string>{second});

  settings.SetString("Settings", "Drive", (root.path() / "gone").string());
  Start();
  EXPECT_EQ(State().drive, second);
  EXPECT_EQ(State().driveSelection, -1);
  EXPECT_EQ(State().quotes.loadedSymbol, "TWO");
}

TEST_F(Startup, DriveChangeRescansOnlyWhenTheDriveDiffers) {
  const std::string first = Drive("d1");
  const std::string second = Drive("d2");
  Write(first, PortfolioOf({"ONE"}));
  Write(second + "/p", PortfolioOf({"TWO"}));
  Start();
  const std::size_t beeps = prompt.beeps.size();

  browser->OnDriveChanged(0);
  EXPECT_EQ(prompt.beeps.size(), beeps);

  browser->OnDriveChanged(1);
  EXPECT_EQ(prompt.beeps.size(), beeps + 1);
  EXPECT_EQ(State().drive, second);
  EXPECT_EQ(settings.GetString("Settings", "Drive", ""), second);
  EXPECT_EQ(State().portfolios, std::vector<std::string>{second + "/p"});
  EXPECT_EQ(State().title, "Voltrim - " + second + "/p - TWO");
}

using SearchFilterCommand = BrowserTest;

TEST_F(SearchFilterCommand, LimitWalksOnlyMatchingPaths) {
  const std::string drive = Drive("disk");
  Write(drive + "/metastock/data", PortfolioOf({"IN"}));
  Write(drive + "/metastock/data2", PortfolioOf({"ALSO"}));
  Write(drive + "/other/metastock", PortfolioOf({"OUT"}));
  Start();
  ASSERT_EQ(State().portfolios.size(), 3u);

  browser->ApplySearchFilter(true, drive + "/METASTOCK/data", false);

  EXPECT_EQ(State().portfolios,
            (std::vector<std::string>{drive + "/metastock/data", drive + "/metastock/data2"}));
  EXPECT_EQ(settings.GetInt("Search", "Limit", -1), 1);
  EXPECT_EQ(settings.GetString("Search", "Name", ""), drive + "/METASTOCK/data");
  EXPECT_EQ(State().searchFilter.filterUpper, [&] {
    std::string upper = drive + "/METASTOCK/DATA";
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
  }());
}

TEST_F(SearchFilterCommand, RescansWhenLimitOrAnActiveFilterChanges) {
  const std::string drive = Drive("disk");
  Write(drive + "/p", PortfolioOf({"P"}));
  Start();
  auto scans = [&] { return prompt.beeps.size(); };
  const std::size_t before = scans();

  browser->ApplySearchFilter(false, "/elsewhere", true);  // text only, limit stays off
  EXPECT_EQ(scans(), before);
  EXPECT_EQ(settings.GetInt("Search", "MasterFix", 0), 1);

  browser->ApplySearchFilter(true, drive, true);  // limit switched on
  EXPECT_EQ(scans(), before + 1);
  browser->ApplySearchFilter(
      true, drive.substr(0, drive.size() - 1) + static_cast<char>(std::toupper(drive.back())),
      true);  // same text in another case
  EXPECT_EQ(scans(), before + 1);
  browser->ApplySearchFilter(true, drive + "/p", true);
  EXPECT_EQ(scans(), before + 2);
  browser->ApplySearchFilter(false, drive + "/p", true);  // limit switched off
  EXPECT_EQ(scans(), before + 3);
  EXPECT_EQ(State().drive, drive);
  EXPECT_TRUE(State().portfoliosFound);
}

TEST_F(SearchFilterCommand, UnknownDriveIsRefusedOnlyWhileLimited) {
  Drive("disk");
  Start();
  EXPECT_EQ(browser->ValidateSearchFilter(true, "relative/path"),
            std::optional<std::string>("The Search Filter path refers to an unknown drive"));
  EXPECT_EQ(browser->ValidateSearchFilter(false, "relative/path"), std::nullopt);
  EXPECT_EQ(browser->ValidateSearchFilter(true, drives.front() + "/x"), std::nullopt);
}

}  // namespace
}  // namespace voltrim::testing
