#pragma once

namespace voltrim {

class SettingsStore;

// Left and top edge, width and height of the main window in screen pixels.
struct WindowPlacement {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;

  bool operator==(const WindowPlacement&) const = default;
};

// The placement stored from the last run when it lies on a screen of this size (only the
// left and top edges and the size are checked); otherwise 95% of the screen, centred,
// which is stored at once.
WindowPlacement LoadWindowPlacement(SettingsStore& settings, int screenWidth, int screenHeight);

// The default placement for a screen of this size.
WindowPlacement DefaultWindowPlacement(int screenWidth, int screenHeight);

// Remembers a moved or resized window; an edge off the screen to the left or top is
// stored as 0.
void SaveWindowPlacement(SettingsStore& settings, const WindowPlacement& placement);

}  // namespace voltrim
