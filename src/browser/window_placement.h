#pragma once

#include <functional>
#include <optional>

namespace voltrim {

class SettingsStore;

// Left and top edge, width and height of the main window in screen pixels, its frame
// (title bar and borders) included.
struct WindowPlacement {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;

  bool operator==(const WindowPlacement&) const = default;
};

// How far the window manager's frame reaches beyond the window's contents on each side.
struct FrameMargins {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  bool operator==(const FrameMargins&) const = default;
};

// Qt lays windows out in device-independent pixels; the window system counts its own
// pixels, which are those times the scale factor Qt applies (QT_SCALE_FACTOR, or a scale
// worked out from the screen). The placement, the splitters and the column widths are
// stored in the window system's pixels, so a start at another scale factor opens the
// window as large as the user left it on the screen.
class PixelScale {
 public:
  explicit PixelScale(double factor = 1.0) : factor_(factor > 0.0 ? factor : 1.0) {}

  double Factor() const { return factor_; }
  int ToStored(int shown) const;
  int ToShown(int stored) const;
  WindowPlacement ToStored(const WindowPlacement& shown) const;
  WindowPlacement ToShown(const WindowPlacement& stored) const;
  // What to store for a window shown at `shown`: the stored placement itself when it
  // shows there, so that restoring and saving again never creeps by a rounding.
  WindowPlacement Keep(const WindowPlacement& shown, const WindowPlacement& stored) const;

 private:
  double factor_;
};

// The heights of the main window's three parts as the user left the boundaries between
// them: portfolios and symbols, quotes, chart. 0 where nothing (or nonsense) is stored.
struct PaneHeights {
  int upper = 0;
  int quotes = 0;
  int chart = 0;

  bool operator==(const PaneHeights&) const = default;
};
PaneHeights LoadPaneHeights(const SettingsStore& settings);
void SavePaneHeights(SettingsStore& settings, const PaneHeights& heights);

// The placement stored from the last run when it lies on a screen of this size (only the
// left and top edges and the size are checked); otherwise 95% of the screen, centred,
// which is stored at once.
WindowPlacement LoadWindowPlacement(SettingsStore& settings, int screenWidth, int screenHeight);

// The default placement for a screen of this size.
WindowPlacement DefaultWindowPlacement(int screenWidth, int screenHeight);

// Remembers a moved or resized window in one write; an edge off the screen to the left or
// top is stored as 0.
void SaveWindowPlacement(SettingsStore& settings, const WindowPlacement& placement);

// The contents' rectangle of a window whose frame takes `frame`.
WindowPlacement ContentsOf(const WindowPlacement& frame, const FrameMargins& margins);

// A placement that takes the whole usable screen area is a maximised window's: it comes
// back maximised.
bool IsMaximisedPlacement(const WindowPlacement& frame, const WindowPlacement& usableArea);

// Notes every move and resize of the main window and stores the placement only once the
// window has settled (or closes): each store rewrites the settings file.
class PlacementRecorder {
 public:
  using Store = std::function<void(const WindowPlacement&)>;
  // `stored` is what the settings hold already.
  PlacementRecorder(Store store, const WindowPlacement& stored);

  // The window, not minimised, now takes this placement.
  void Changed(const WindowPlacement& frame);
  // Stores the last noted placement unless the settings already hold it.
  void Settle();
  bool Pending() const { return pending_.has_value(); }
  // The placement the settings hold, or will once the pending one is stored.
  const WindowPlacement& Latest() const { return pending_ ? *pending_ : stored_; }

 private:
  Store store_;
  WindowPlacement stored_;
  std::optional<WindowPlacement> pending_;
};

}  // namespace voltrim
