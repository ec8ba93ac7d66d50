#include <gtest/gtest.h>

#include <atomic>

#include "browser/browser.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "settings/settings_store.h"
#include "support/event_loop.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

using Paths = std::vector<std::string>;

// A browser whose walks run in the background and stop until the test opens the gate;
// each walk "finds" the folder it was given.
class BrowserScanTest : public ::testing::Test {
 protected:
  BrowserScanTest() {
    EnsureCoreApplication();
    settings.OpenRoot((config.path() / "Voltrim.conf").string());
    BrowserPlatform platform{[] { return Paths{"/one", "/two"}; }, [] { return "/one"; }};
    platform.walk = [this](const std::string& root, const SearchFilter&, Paths& results,
                           UserPrompt&) {
      ++walks;
      gate.Wait();
      results.push_back(root + "/data");
    };
    browser = std::make_unique<Browser>(settings, prompt, platform);
    browser->RunScansInBackground();
  }
  ~BrowserScanTest() override {
    gate.Open();
    browser.reset();
  }
  const BrowserState& State() const { return browser->State(); }

  TempDir config;
  SettingsStore settings;
  RecordingPrompt prompt;
  Gate gate;
  std::atomic<int> walks = 0;
  std::unique_ptr<Browser> browser;
};

TEST_F(BrowserScanTest, NothingRunsBeforeTheSetUpOrInsideARunningScan) {
  // ReScan before the deferred set-up would walk drive "?" and say nothing was found.
  browser->ScanForPortfolios();
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_FALSE(State().scanning);
  for (const int id : {command::kReScan, command::kSearchFilter, command::kSplitSearch}) {
    EXPECT_FALSE(IsCommandEnabled(State(), id)) << id;
  }
  EXPECT_TRUE(IsCommandEnabled(State(), command::kHelpTopics));

  browser->ChooseInitialDrive();
  EXPECT_TRUE(State().scanning);
  EXPECT_FALSE(IsCommandEnabled(State(), command::kReScan));
  EXPECT_TRUE(IsCommandEnabled(State(), command::kAppExit));
  browser->ScanForPortfolios();
  browser->OnDriveChanged(1);
  browser->ChooseInitialDrive();
  browser->ApplySearchFilter(false, "/two", false);
  EXPECT_EQ(State().drive, "/one");  // the running walk keeps its drive

  gate.Open();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !State().scanning; }));
  EXPECT_EQ(walks, 1);
  EXPECT_EQ(State().portfolios, Paths{"/one/data"});
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_EQ(prompt.waitDepth, 0);
  EXPECT_TRUE(IsCommandEnabled(State(), command::kReScan));
  EXPECT_EQ(prompt.MessageTexts(),
            (std::vector<std::string>{"Failure while filling symbols grid"}));

  browser->OnDriveChanged(1);  // now a new scan of the other drive
  ASSERT_TRUE(ProcessEventsUntil([&] { return !State().scanning; }));
  EXPECT_EQ(walks, 2);
  EXPECT_EQ(State().portfolios, Paths{"/two/data"});
}

}  // namespace
}  // namespace voltrim::testing
