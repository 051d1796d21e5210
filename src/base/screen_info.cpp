#include "base/screen_info.h"

#include <algorithm>

#include "base/debug_print.h"

namespace tolva {

ScreenInfo::ScreenInfo(int primary_width, int primary_height, ScreenRect virtual_screen,
                       std::vector<ScreenRect> monitors)
    : count_(static_cast<int>(monitors.size())),
      main_screen_{0, 0, primary_width, primary_height},
      virtual_screen_(virtual_screen) {
  for (const ScreenRect& r : monitors) {
    if (r.left != 0 || r.top != 0) others_.push_back(r);
  }
  std::stable_sort(others_.begin(), others_.end(), [](const ScreenRect& a, const ScreenRect& b) {
    return a.left != b.left ? a.left < b.left : a.top < b.top;
  });
  DebugPrint(L"m_MainScreen (%d,%d,%d,%d)\n", main_screen_.left, main_screen_.top,
             main_screen_.right, main_screen_.bottom);
  DebugPrint(L"m_VirtualScreen (%d,%d,%d,%d)\n", virtual_screen_.left, virtual_screen_.top,
             virtual_screen_.right, virtual_screen_.bottom);
}

ScreenRect ScreenInfo::Rect(int number) const {
  if (number == 0) return main_screen_;
  // Mirrored monitors all sit at 0,0 and leave fewer "other" rectangles than the count says.
  if (number < 0 || number >= count_ || number > static_cast<int>(others_.size())) return {};
  return others_[static_cast<std::size_t>(number - 1)];
}

ScreenRect ScreenInfo::Widest() const {
  ScreenRect widest = Rect(0);
  for (int i = 1; i < count_; ++i) {
    const ScreenRect r = Rect(i);
    if (r.Width() > widest.Width()) widest = r;
  }
  return widest;
}

}  // namespace tolva
