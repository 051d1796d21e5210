#pragma once

#include <vector>

namespace tolva {

// A screen rectangle as the display-scale rules see it: right and bottom are one past the edge.
struct ScreenRect {
  int left = -1;
  int top = -1;
  int right = -1;
  int bottom = -1;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The monitors in the order the window placement uses: number 0 is the primary screen (always
// at 0,0), then every monitor whose top-left corner is not 0,0, by left then top edge.
// Coordinates are relative to the primary screen's top-left corner.
class ScreenInfo {
 public:
  // `monitors` holds every monitor, the primary among them, in any order.
  ScreenInfo(int primary_width, int primary_height, ScreenRect virtual_screen,
             std::vector<ScreenRect> monitors);

  int Count() const { return count_; }
  // A number outside 0 .. Count() - 1 gives a rectangle of four -1.
  ScreenRect Rect(int number) const;
  // The widest rectangle; the earlier one on a tie.
  ScreenRect Widest() const;
  const ScreenRect& MainScreen() const { return main_screen_; }
  const ScreenRect& VirtualScreen() const { return virtual_screen_; }

 private:
  int count_ = 0;
  ScreenRect main_screen_;
  ScreenRect virtual_screen_;
  std::vector<ScreenRect> others_;
};

}  // namespace tolva
