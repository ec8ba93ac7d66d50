#include "browser/window_placement.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace voltrim {
namespace {

// The share of the screen is the single-precision 0.95 (0.949999988...) multiplied in
// double precision and truncated, so an 800 x 600 screen gives 759 x 569, not 760 x 570.
int NinetyFivePercent(int length) {
  constexpr float kShare = 0.95f;
  return static_cast<int>(static_cast<double>(length) * static_cast<double>(kShare));
}

bool FitsScreen(const WindowPlacement& p, int screenWidth, int screenHeight) {
  return p.cx > 0 && p.cy > 0 && p.x >= 0 && p.y >= 0 && p.cx <= screenWidth &&
         p.cy <= screenHeight && p.x <= screenWidth && p.y <= screenHeight;
}

WindowPlacement OnScreenEdges(WindowPlacement p) {
  p.x = std::max(p.x, 0);
  p.y = std::max(p.y, 0);
  return p;
}

void Store(SettingsStore& settings, const WindowPlacement& p) {
  settings.SetInts(settings::kScreen, {{settings::kScreenX, p.x},
                                       {settings::kScreenY, p.y},
                                       {settings::kScreenCx, p.cx},
                                       {settings::kScreenCy, p.cy}});
}

}  // namespace

int PixelScale::ToStored(int shown) const {
  return static_cast<int>(std::lround(static_cast<double>(shown) * factor_));
}

int PixelScale::ToShown(int stored) const {
  return static_cast<int>(std::lround(static_cast<double>(stored) / factor_));
}

WindowPlacement PixelScale::ToStored(const WindowPlacement& shown) const {
  return {ToStored(shown.x), ToStored(shown.y), ToStored(shown.cx), ToStored(shown.cy)};
}

WindowPlacement PixelScale::ToShown(const WindowPlacement& stored) const {
  return {ToShown(stored.x), ToShown(stored.y), ToShown(stored.cx), ToShown(stored.cy)};
}

WindowPlacement PixelScale::Keep(const WindowPlacement& shown,
                                 const WindowPlacement& stored) const {
  return ToShown(stored) == shown ? stored : ToStored(shown);
}

PaneHeights LoadPaneHeights(const SettingsStore& settings) {
  const auto height = [&settings](const char* key) {
    const int value = settings.GetInt(settings::kScreen, key, 0);
    return value > 0 ? value : 0;
  };
  return {height(settings::kScreenUpper), height(settings::kScreenQuotes),
          height(settings::kScreenChart)};
}

void SavePaneHeights(SettingsStore& settings, const PaneHeights& heights) {
  settings.SetInts(settings::kScreen, {{settings::kScreenUpper, heights.upper},
                                       {settings::kScreenQuotes, heights.quotes},
                                       {settings::kScreenChart, heights.chart}});
}

WindowPlacement DefaultWindowPlacement(int screenWidth, int screenHeight) {
  WindowPlacement p;
  p.cx = NinetyFivePercent(screenWidth);
  p.cy = NinetyFivePercent(screenHeight);
  p.x = (screenWidth - p.cx) / 2;
  p.y = (screenHeight - p.cy) / 2;
  return p;
}

WindowPlacement LoadWindowPlacement(SettingsStore& settings, int screenWidth, int screenHeight) {
  WindowPlacement stored;
  stored.x = settings.GetInt(settings::kScreen, settings::kScreenX, 0);
  stored.y = settings.GetInt(settings::kScreen, settings::kScreenY, 0);
  stored.cx = settings.GetInt(settings::kScreen, settings::kScreenCx, 0);
  stored.cy = settings.GetInt(settings::kScreen, settings::kScreenCy, 0);
  if (FitsScreen(stored, screenWidth, screenHeight)) return stored;

  const WindowPlacement fallback = DefaultWindowPlacement(screenWidth, screenHeight);
  Store(settings, fallback);
  return fallback;
}

void SaveWindowPlacement(SettingsStore& settings, const WindowPlacement& placement) {
  Store(settings, OnScreenEdges(placement));
}

WindowPlacement ContentsOf(const WindowPlacement& frame, const FrameMargins& margins) {
  return {frame.x + margins.left, frame.y + margins.top,
          std::max(frame.cx - margins.left - margins.right, 1),
          std::max(frame.cy - margins.top - margins.bottom, 1)};
}

bool IsMaximisedPlacement(const WindowPlacement& frame, const WindowPlacement& usableArea) {
  return frame == usableArea;
}

PlacementRecorder::PlacementRecorder(Store store, const WindowPlacement& stored)
    : store_(std::move(store)), stored_(stored) {}

void PlacementRecorder::Changed(const WindowPlacement& frame) { pending_ = OnScreenEdges(frame); }

void PlacementRecorder::Settle() {
  if (!pending_) return;
  const WindowPlacement placement = *pending_;
  pending_.reset();
  if (placement == stored_) return;
  store_(placement);
  stored_ = placement;
}

}  // namespace voltrim
