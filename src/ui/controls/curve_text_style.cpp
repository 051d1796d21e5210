#include "ui/controls/curve_text_style.h"

#include <QFontMetrics>
#include <QStringList>

#include <charconv>
#include <cstdint>

namespace tolva::curves {

namespace {

bool IsTrue(std::string_view v) {
  return v == "true";
}

std::optional<int> ParseInt(std::string_view v) {
  int out = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
  if (ec != std::errc() || end != v.data() + v.size()) return std::nullopt;
  return out;
}

}  // namespace

std::optional<QColor> ParseLayoutColor(std::string_view value) {
  int base = 10;
  bool has_alpha = true;
  if (value.starts_with('#')) {
    value.remove_prefix(1);
    base = 16;
    if (value.size() == 6) {
      has_alpha = false;
    } else if (value.size() != 8) {
      return std::nullopt;
    }
  } else if (value.starts_with("0x") || value.starts_with("0X")) {
    value.remove_prefix(2);
    base = 16;
  }
  std::uint32_t argb = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), argb, base);
  if (value.empty() || ec != std::errc() || end != value.data() + value.size()) return std::nullopt;
  if (!has_alpha) argb |= 0xff000000u;
  return QColor::fromRgba(argb);
}

bool CurveTextStyle::Apply(std::string_view name, std::string_view value) {
  if (name == "align") {
    if (value == "left")
      horizontal = Qt::AlignLeft;
    else if (value == "center")
      horizontal = Qt::AlignHCenter;
    else if (value == "right")
      horizontal = Qt::AlignRight;
    else
      return false;
  } else if (name == "valign") {
    if (value == "top")
      vertical = Qt::AlignTop;
    else if (value == "vcenter")
      vertical = Qt::AlignVCenter;
    else if (value == "bottom")
      vertical = Qt::AlignBottom;
    else
      return false;
  } else if (name == "endellipsis") {
    end_ellipsis = IsTrue(value);
  } else if (name == "wordbreak") {
    word_break = IsTrue(value);
  } else if (name == "noprefix") {
    no_prefix = IsTrue(value);
  } else if (name == "autocalcwidth") {
    auto_calc_width = IsTrue(value);
  } else if (name == "font") {
    const auto id = ParseInt(value);
    if (!id) return false;
    font_id = *id;
  } else if (name == "textcolor" || name == "disabledtextcolor") {
    const auto color = ParseLayoutColor(value);
    if (!color) return false;
    (name == "textcolor" ? text_color : disabled_text_color) = *color;
  } else if (name == "textpadding") {
    const QStringList parts = QString::fromUtf8(value.data(), qsizetype(value.size())).split(',');
    if (parts.size() != 4) return false;
    int v[4];
    for (int i = 0; i < 4; ++i) {
      bool ok = false;
      v[i] = parts[i].trimmed().toInt(&ok);
      if (!ok) return false;
    }
    padding = QMargins(v[0], v[1], v[2], v[3]);
  } else {
    return false;
  }
  return true;
}

int CurveTextStyle::Flags() const {
  int flags = int(horizontal | vertical);
  if (word_break) flags |= Qt::TextWordWrap;
  if (!no_prefix) flags |= Qt::TextShowMnemonic;
  return flags;
}

QString CurveTextStyle::Fit(const QString& text, const QFontMetrics& metrics, int width) const {
  if (!end_ellipsis || word_break) return text;
  return metrics.elidedText(text, Qt::ElideRight, width);
}

}  // namespace tolva::curves
