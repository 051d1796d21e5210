#pragma once

// The layout attributes the curve graphs understand for the texts they draw ("align", "valign",
// "endellipsis", "wordbreak", "noprefix", "font", "textcolor", "disabledtextcolor", "textpadding",
// "autocalcwidth").

#include <QColor>
#include <QMargins>
#include <QString>

#include <optional>
#include <string_view>

class QFontMetrics;

namespace tolva::curves {

struct CurveTextStyle {
  Qt::Alignment horizontal = Qt::AlignHCenter;
  Qt::Alignment vertical = Qt::AlignVCenter;
  bool end_ellipsis = false;
  bool word_break = false;
  bool no_prefix = false;
  bool auto_calc_width = false;
  int font_id = -1;  // the layout's font index; the window maps it to a QFont
  QColor text_color = QColor(0xff9a9a9a);
  QColor disabled_text_color = QColor(0xff5a5a5a);
  QMargins padding;

  // Applies one attribute. False for a name this style does not know or a value it cannot read;
  // the style is then unchanged.
  bool Apply(std::string_view name, std::string_view value);
  // Qt text flags for QPainter::drawText.
  int Flags() const;
  // The text to draw in a box of the given width, elided at its end when "endellipsis" is set.
  QString Fit(const QString& text, const QFontMetrics& metrics, int width) const;
};

// "#AARRGGBB", "#RRGGBB", "0xAARRGGBB" or a decimal ARGB number.
std::optional<QColor> ParseLayoutColor(std::string_view value);

}  // namespace tolva::curves
