#include "ui/windows/measure_tune_level_bar.h"

#include <QPainter>

#include <algorithm>

#include "ui/kit/widgets/theme.h"

namespace {

constexpr double kFloorDbfs = -60.0;

double Share(double dbfs) {
  return std::clamp((dbfs - kFloorDbfs) / -kFloorDbfs, 0.0, 1.0);
}

}  // namespace

void LevelBar::SetLevel(double peak_dbfs, double rms_dbfs, bool clipping) {
  peak_ = peak_dbfs;
  rms_ = rms_dbfs;
  clipping_ = clipping;
  update();
}

void LevelBar::paintEvent(QPaintEvent*) {
  namespace theme = tolva::kit::theme;
  QPainter p(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  p.fillRect(frame, theme::Background());
  const QColor fill = clipping_ ? QColor(0xe0, 0x40, 0x40) : theme::Accent();
  const int inner = frame.width() - 1;
  p.fillRect(QRect(frame.left() + 1, frame.top() + 1, static_cast<int>(inner * Share(rms_)),
                   frame.height() - 1),
             fill.darker(130));
  const int peak_x = frame.left() + 1 + static_cast<int>(inner * Share(peak_));
  if (peak_ > kFloorDbfs) p.fillRect(QRect(peak_x - 1, frame.top() + 1, 2, frame.height() - 1), fill);
  p.setPen(theme::Border());
  p.drawRect(frame);
}
