#include "discovery/scan_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "discovery/discovery_walk.h"
#include "support/event_loop.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

// A tree of 20 x 30 folders with a MASTER in every seventh.
void GrowTree(const fs::path& root) {
  for (int a = 0; a < 20; ++a) {
    for (int b = 0; b < 30; ++b) {
      const fs::path folder = root / ("d" + std::to_string(a)) / ("e" + std::to_string(b));
      fs::create_directories(folder);
      if ((a * 30 + b) % 7 == 0) std::ofstream(folder / "MASTER") << "x";
    }
  }
}

class ScanWorkerTest : public ::testing::Test {
 protected:
  ScanWorkerTest() { EnsureCoreApplication(); }

  TempDir tree;
  RecordingPrompt prompt;
  const SearchFilter noLimit = MakeSearchFilter(0, 0, "");
};

TEST_F(ScanWorkerTest, FindsWhatTheWalkFindsWithProgressInWalkOrder) {
  GrowTree(tree.path());
  RecordingPrompt direct;
  Paths expected;
  WalkDirectory(tree.str(), noLimit, expected, direct);
  ASSERT_EQ(expected.size(), 86u);

  ScanWorker worker(prompt);
  std::optional<Paths> found;
  ASSERT_TRUE(worker.Start(WalkDirectory, tree.str(), noLimit, [&](Paths f) { found = f; }));
  ASSERT_TRUE(ProcessEventsUntil([&] { return found.has_value(); }));
  EXPECT_EQ(*found, expected);
  EXPECT_FALSE(worker.Running());

  // Every report is one the walk made, in the walk's order, and the last is its end state.
  ASSERT_FALSE(prompt.scanPaths.empty());
  auto next = direct.scanPaths.begin();
  for (const std::string& path : prompt.scanPaths) {
    next = std::find(next, direct.scanPaths.end(), path);
    ASSERT_NE(next, direct.scanPaths.end()) << path;
  }
  EXPECT_TRUE(std::is_sorted(prompt.scanCounts.begin(), prompt.scanCounts.end()));
  EXPECT_EQ(prompt.scanPaths.back(), direct.scanPaths.back());
  EXPECT_EQ(prompt.scanCounts.back(), 86);
}

TEST_F(ScanWorkerTest, OneWalkAtATimeAndADroppedWorkerWaitsAndCallsNothing) {
  Gate gate;
  int walks = 0;
  const ScanWorker::Walk held = [&](const std::string& root, const SearchFilter&, Paths& results,
                                    UserPrompt& progress) {
    ++walks;
    progress.ScanProgress(root, 0);
    gate.Wait();
    results.push_back(root);
  };
  int done = 0;
  {
    ScanWorker worker(prompt);
    ASSERT_TRUE(worker.Start(held, "/a", noLimit, [&](Paths) { ++done; }));
    EXPECT_FALSE(worker.Start(held, "/b", noLimit, [&](Paths) { ++done; }));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !prompt.scanPaths.empty(); }));
    EXPECT_TRUE(worker.Running());  // progress came through while the walk is held
    gate.Open();
  }
  ProcessEventsUntil([] { return true; });
  EXPECT_EQ(walks, 1);
  EXPECT_EQ(done, 0);
}

}  // namespace
}  // namespace voltrim::testing
