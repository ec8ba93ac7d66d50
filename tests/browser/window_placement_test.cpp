#include "browser/window_placement.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/settings_store.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

// openbox on a 1024 x 768 screen: a one-pixel border and a 20-pixel title bar.
constexpr FrameMargins kOpenbox{1, 20, 1, 1};

TEST(FramePlacement, TheFrameTakesThePlacementAndTheContentsFitInside) {
  // 95% centred, truncated like the single-precision share (800 x 0.95f is 759.99...).
  EXPECT_EQ(DefaultWindowPlacement(800, 600), (WindowPlacement{20, 15, 759, 569}));
  const WindowPlacement frame = DefaultWindowPlacement(1024, 768);
  const WindowPlacement contents = ContentsOf(frame, kOpenbox);
  EXPECT_EQ(contents, (WindowPlacement{27, 39, 970, 708}));
  // The frame ends where the placement ends, not past the screen's bottom edge.
  EXPECT_EQ(contents.x + contents.cx + kOpenbox.right, frame.x + frame.cx);
  EXPECT_EQ(contents.y + contents.cy + kOpenbox.bottom, frame.y + frame.cy);
  EXPECT_EQ(ContentsOf(frame, {}), frame);

  const WindowPlacement screen{0, 0, 1024, 768};
  EXPECT_TRUE(IsMaximisedPlacement(screen, screen));
  EXPECT_FALSE(IsMaximisedPlacement({0, 0, 1024, 767}, screen));
  EXPECT_FALSE(IsMaximisedPlacement(frame, screen));
}

TEST(FramePlacement, RecorderStoresOnceASeriesOfChangesHasSettled) {
  std::vector<WindowPlacement> stores;
  PlacementRecorder recorder([&](const WindowPlacement& p) { stores.push_back(p); },
                             {26, 19, 972, 729});
  for (int step = 0; step < 30; ++step) recorder.Changed({26 + step, 19, 972, 729});
  recorder.Changed({-5, 40, 600, 500});  // dragged off the left edge
  EXPECT_TRUE(stores.empty());
  recorder.Settle();
  recorder.Settle();
  EXPECT_EQ(stores, (std::vector<WindowPlacement>{{0, 40, 600, 500}}));

  // Back where it is stored: nothing to write.
  recorder.Changed({30, 30, 640, 480});
  recorder.Changed({0, 40, 600, 500});
  recorder.Settle();
  EXPECT_EQ(stores.size(), 1u);
}

// Stored in the window system's pixels: a window left at 808 x 480 at a 1.5 scale factor
// took 1212 x 720 pixels of the screen, and takes them again at 1.0.
TEST(FramePlacement, PlacementIsStoredInTheWindowSystemsPixelsWithoutCreeping) {
  const PixelScale half(1.5);
  const WindowPlacement shown{20, 12, 808, 480};
  const WindowPlacement stored = half.ToStored(shown);
  EXPECT_EQ(stored, (WindowPlacement{30, 18, 1212, 720}));
  EXPECT_EQ(PixelScale(1.0).ToShown(stored), stored);
  EXPECT_EQ(half.ToShown(stored), shown);

  // A stored size that does not divide evenly shows rounded; saved again unmoved it stays
  // as stored instead of creeping by a pixel each start.
  const WindowPlacement odd{31, 19, 1213, 721};
  const WindowPlacement oddShown = half.ToShown(odd);
  EXPECT_EQ(half.Keep(oddShown, odd), odd);
  EXPECT_EQ(half.Keep({oddShown.x + 10, oddShown.y, oddShown.cx, oddShown.cy}, odd).x,
            half.ToStored(oddShown.x + 10));
  EXPECT_EQ(PixelScale(0.0).Factor(), 1.0);  // no scale known: pixels as they are
}

TEST(FramePlacement, PaneHeightsRoundTripAndNonsenseReadsAsNone) {
  testing::TempDir dir;
  SettingsStore settings;
  settings.OpenRoot((dir.path() / "Voltrim.conf").string());
  EXPECT_EQ(LoadPaneHeights(settings), PaneHeights{});
  SavePaneHeights(settings, {240, 380, 200});
  EXPECT_EQ(LoadPaneHeights(settings), (PaneHeights{240, 380, 200}));
  settings.SetInt("Screen", "upper", -5);
  EXPECT_EQ(LoadPaneHeights(settings), (PaneHeights{0, 380, 200}));
}

}  // namespace
}  // namespace voltrim::testing
