#include "ui/kit/widgets/theme.h"

#include <QLayout>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tolva::kit::theme {
namespace {

constexpr const char* kScale = "tolvaScale";
constexpr const char* kBaseWidth = "tolvaBaseWidth";
constexpr const char* kBaseHeight = "tolvaBaseHeight";
constexpr const char* kBaseMargin = "tolvaBaseMargin";
constexpr const char* kBaseSpacing = "tolvaBaseSpacing";

void ApplySize(QWidget* widget, int percent) {
  const QVariant w = widget->property(kBaseWidth);
  const QVariant h = widget->property(kBaseHeight);
  if (w.isValid()) widget->setFixedWidth(Scaled(w.toInt(), percent));
  if (h.isValid()) widget->setFixedHeight(Scaled(h.toInt(), percent));
}

void ApplyLayout(QLayout* layout, int percent) {
  const QVariant margin = layout->property(kBaseMargin);
  const QVariant spacing = layout->property(kBaseSpacing);
  if (margin.isValid()) {
    const int m = Scaled(margin.toInt(), percent);
    layout->setContentsMargins(m, m, m, m);
  }
  if (spacing.isValid()) layout->setSpacing(Scaled(spacing.toInt(), percent));
}

QString Hex(const QColor& c) {
  return c.name(QColor::HexRgb);
}

}  // namespace

QString CssColor(const QColor& c) {
  return QStringLiteral("rgba(%1,%2,%3,%4)")
      .arg(c.red())
      .arg(c.green())
      .arg(c.blue())
      .arg(c.alpha());
}

QColor Background() {
  return QColor(0xff15171b);
}
QColor Panel() {
  return QColor(0xff1e2126);
}
QColor PanelRaised() {
  return QColor(0xff262a31);
}
QColor Border() {
  return QColor(0xff444444);
}
QColor Text() {
  return QColor(0xffdadde2);
}
QColor DimText() {
  return QColor(0xff9aa0a8);
}
QColor DisabledText() {
  return QColor(0xff8a8f96);
}
QColor Accent() {
  return QColor(0xff00c000);
}
QColor Warning() {
  return QColor(0xffff4040);
}
QColor ButtonFill() {
  return QColor(0xff2b3038);
}
QColor ButtonHoverFill() {
  return QColor(0xff343a44);
}
QColor ButtonPressedFill() {
  return QColor(0xff1f2329);
}
QColor ButtonDisabledFill() {
  return QColor(0xff22252a);
}

QColor SelectionFill() {
  return QColor(0xff0a5a14);
}

namespace {

double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
  return 0.2126 * Linear(c.red()) + 0.7152 * Linear(c.green()) + 0.0722 * Linear(c.blue());
}

QColor Mix(const QColor& a, const QColor& b, double share_of_b) {
  auto mix = [share_of_b](int x, int y) {
    return static_cast<int>(std::lround(x + (y - x) * share_of_b));
  };
  return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Over(const QColor& top, const QColor& under) {
  return Mix(under, top, top.alphaF());
}

QColor Readable(const QColor& ink, const QColor& ground) {
  const QColor toward = Luminance(ground) < 0.18 ? QColor(Qt::white) : QColor(Qt::black);
  QColor result = ink;
  result.setAlpha(255);
  for (int step = 1; step <= 20 && ContrastRatio(result, ground) < kMinimumContrast; ++step) {
    result = Mix(ink, toward, step / 20.0);
  }
  return result;
}

QPalette Palette() {
  QPalette p;
  const auto set = [&p](QPalette::ColorRole role, const QColor& normal, const QColor& disabled) {
    p.setColor(QPalette::All, role, normal);
    p.setColor(QPalette::Disabled, role, disabled);
  };
  set(QPalette::Window, Background(), Background());
  set(QPalette::WindowText, Text(), DisabledText());
  set(QPalette::Base, Background(), Panel());
  set(QPalette::AlternateBase, Panel(), Panel());
  set(QPalette::Text, Text(), DisabledText());
  set(QPalette::PlaceholderText, DimText(), DisabledText());
  set(QPalette::Button, ButtonFill(), ButtonDisabledFill());
  set(QPalette::ButtonText, Text(), DisabledText());
  set(QPalette::BrightText, QColor(Qt::white), DisabledText());
  set(QPalette::ToolTipBase, Panel(), Panel());
  set(QPalette::ToolTipText, Text(), Text());
  set(QPalette::Highlight, SelectionFill(), Panel());
  set(QPalette::HighlightedText, Text(), DisabledText());
  set(QPalette::Link, Readable(Accent(), Background()), DisabledText());
  set(QPalette::LinkVisited, Readable(Accent(), Background()), DisabledText());
  set(QPalette::Light, PanelRaised(), PanelRaised());
  set(QPalette::Midlight, ButtonHoverFill(), ButtonHoverFill());
  set(QPalette::Mid, Border(), Border());
  set(QPalette::Dark, ButtonPressedFill(), ButtonPressedFill());
  set(QPalette::Shadow, QColor(Qt::black), QColor(Qt::black));
  return p;
}

ButtonLook ButtonColors(const ButtonState& state, const QColor& accent, const QColor& text_color) {
  ButtonLook look{ButtonFill(), Border(), text_color.isValid() ? text_color : Text()};
  if (!state.enabled) {
    look.fill = ButtonDisabledFill();
    look.ink = DisabledText();
    return look;
  }
  if (state.on) {
    QColor tint = accent;
    tint.setAlpha(state.down ? 150 : 110);
    // Opaque, so the text reads the same over any window.
    look.fill = Over(tint, Background());
    look.border = accent;
  } else if (state.down) {
    look.fill = ButtonPressedFill();
  } else if (state.hover) {
    look.fill = ButtonHoverFill();
  }
  look.ink = Readable(look.ink, look.fill);
  return look;
}

int ScaleOf(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    const QVariant scale = w->property(kScale);
    if (scale.isValid()) return scale.toInt();
  }
  return 100;
}

int Scaled(const QWidget* widget, int pixels) {
  return Scaled(pixels, ScaleOf(widget));
}

QString StyleSheet(int percent) {
  auto px = [percent](int base) { return QString::number(std::max(1, Scaled(base, percent))); };
  QString css = QStringLiteral(R"(
* { color: %TEXT%; font-size: %F11%px; }
*[tolvaRoot="true"] { background: %BG%; }
QFrame[titleBar="true"] { background: %PANEL%; border: none; border-bottom: 1px solid %BORDER%; }
QFrame[panel="true"] { background: %PANEL%; border: 1px solid %BORDER%; border-radius: %R3%px; }
QLabel { background: transparent; }
QLabel:disabled { color: %DISABLED%; }
QLabel[role="caption"] { color: %DIM%; font-size: %F10%px; }
QLabel[role="header"] { color: %DIM%; font-weight: bold; }
QLabel[role="hint"] { color: %DIM%; }
QLabel[role="warning"] { color: %WARN%; }
QFrame[role="listHeader"] { background: %PANEL%; border: 1px solid %BORDER%; border-bottom: none; }
QFrame[role="band"] { background: %PANEL%; border: 1px solid %BORDER%; border-radius: %R3%px; }
QLabel[role="title"] { font-size: %F13%px; font-weight: bold; }
QLabel[role="brand"] { font-size: %F16%px; font-weight: bold; color: %ACCENT%; }
QLineEdit { background: %BG%; border: 1px solid %BORDER%; border-radius: %R2%px;
            padding: 0px %P2%px; selection-background-color: %ACCENTDIM%; }
QLineEdit[role="band"] { font-family: "DejaVu Sans Condensed"; font-size: %F10%px; padding: 0px; }
QLineEdit:focus { border: 1px solid %ACCENT%; }
QLineEdit:disabled { color: %DISABLED%; background: %PANEL%; }
QComboBox { background: %BUTTON%; border: 1px solid %BORDER%; border-radius: %R2%px;
            padding: 0px %P4%px; }
QComboBox:disabled { color: %DISABLED%; background: %BUTTONOFF%; }
QComboBox::drop-down { border: none; width: %P14%px; }
QComboBox::down-arrow { image: url(:/images/arrow_down.svg); width: %P8%px; height: %P8%px; }
QComboBox QAbstractItemView { background: %PANEL%; border: 1px solid %BORDER%;
                              selection-background-color: %ACCENTDIM%; outline: none; }
QSlider::groove:horizontal { height: %P4%px; background: %BG%; border: 1px solid %BORDER%;
                             border-radius: %P2%px; }
QSlider::groove:vertical { width: %P4%px; background: %BG%; border: 1px solid %BORDER%;
                           border-radius: %P2%px; }
QSlider::sub-page:horizontal { background: %ACCENTDIM%; border-radius: %P2%px; }
QSlider::add-page:vertical { background: %ACCENTDIM%; border-radius: %P2%px; }
QSlider[role="band"]::add-page:vertical { background: %BG%; }
QSlider::handle:horizontal { background: %HANDLE%; border: 1px solid %BORDER%;
                             width: %P10%px; margin: -%P4%px 0px; border-radius: %P3%px; }
QSlider::handle:vertical { background: %HANDLE%; border: 1px solid %BORDER%;
                           height: %P10%px; margin: 0px -%P4%px; border-radius: %P3%px; }
QSlider::handle:disabled { background: %PANEL%; }
QAbstractItemView { background: %BG%; border: 1px solid %BORDER%; outline: none;
                    selection-background-color: %ACCENTDIM%; selection-color: %TEXT%; }
QAbstractItemView::item:selected { background: %ACCENTDIM%; color: %TEXT%; }
QAbstractItemView::item:hover:!selected { background: %PANEL%; }
QHeaderView::section { background: %PANEL%; color: %DIM%; border: none;
                       border-right: 1px solid %BORDER%; border-bottom: 1px solid %BORDER%;
                       padding: %P2%px %P4%px; }
QScrollBar:vertical { background: %BG%; width: %P10%px; margin: 0px; border: none; }
QScrollBar:horizontal { background: %BG%; height: %P10%px; margin: 0px; border: none; }
QScrollBar::handle { background: %BUTTONHOVER%; border-radius: %P3%px; }
QScrollBar::handle:vertical { min-height: %P20%px; }
QScrollBar::handle:horizontal { min-width: %P20%px; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
QPushButton, QToolButton { background: %BUTTON%; border: 1px solid %BORDER%; border-radius: %R3%px;
                           padding: %P4%px %P14%px; min-height: %P16%px; }
QPushButton { min-width: %P64%px; }
QToolButton { padding: %P2%px; }
QPushButton:hover, QToolButton:hover { background: %BUTTONHOVER%; }
QPushButton:pressed, QToolButton:pressed { background: %BUTTONDOWN%; }
QPushButton:default, QPushButton:focus { border: 1px solid %ACCENT%; }
QPushButton:disabled, QToolButton:disabled { background: %BUTTONOFF%; color: %DISABLED%; }
QCheckBox, QRadioButton { background: transparent; spacing: %P4%px; }
QCheckBox:disabled, QRadioButton:disabled { color: %DISABLED%; }
QTabWidget::pane { border: 1px solid %BORDER%; top: -1px; }
QTabBar::tab { background: %BUTTON%; border: 1px solid %BORDER%; padding: %P4%px %P14%px;
               margin-right: %P2%px; }
QTabBar::tab:selected { background: %PANEL%; border-bottom: %P2%px solid %ACCENT%; }
QTabBar::tab:!selected:hover { background: %BUTTONHOVER%; }
QMenu { background: %PANEL%; border: 1px solid %BORDER%; padding: %P2%px; }
QMenu::item { padding: %P4%px %P20%px %P4%px %P20%px; }
QMenu::item:selected { background: %ACCENTDIM%; }
QMenu::item:disabled { color: %DISABLED%; }
QToolTip { background: %PANEL%; color: %TEXT%; border: 1px solid %BORDER%; }
)");
  const QColor accent_dim = SelectionFill();
  const std::pair<const char*, QString> values[] = {
      {"%TEXT%", Hex(Text())},
      {"%DIM%", Hex(DimText())},
      {"%WARN%", Hex(Readable(Warning(), Panel()))},
      {"%DISABLED%", Hex(DisabledText())},
      {"%BG%", Hex(Background())},
      {"%PANEL%", Hex(Panel())},
      {"%BORDER%", Hex(Border())},
      {"%ACCENT%", Hex(Accent())},
      {"%ACCENTDIM%", Hex(accent_dim)},
      {"%BUTTON%", Hex(ButtonFill())},
      {"%BUTTONHOVER%", Hex(ButtonHoverFill())},
      {"%BUTTONDOWN%", Hex(ButtonPressedFill())},
      {"%BUTTONOFF%", Hex(ButtonDisabledFill())},
      {"%HANDLE%", Hex(QColor(0xffc8ccd2))},
      {"%F10%", px(10)},
      {"%F11%", px(11)},
      {"%F13%", px(13)},
      {"%F16%", px(16)},
      {"%R2%", px(2)},
      {"%R3%", px(3)},
      {"%P2%", px(2)},
      {"%P3%", px(3)},
      {"%P4%", px(4)},
      {"%P8%", px(8)},
      {"%P10%", px(10)},
      {"%P14%", px(14)},
      {"%P16%", px(16)},
      {"%P20%", px(20)},
      {"%P64%", px(64)},
  };
  for (const auto& [key, value] : values) css.replace(QLatin1String(key), value);
  return css;
}

void FixSize(QWidget* widget, int width, int height) {
  if (width >= 0) widget->setProperty(kBaseWidth, width);
  if (height >= 0) widget->setProperty(kBaseHeight, height);
  ApplySize(widget, ScaleOf(widget));
}

void SetLayoutMetrics(QLayout* layout, int margin, int spacing) {
  if (margin >= 0) layout->setProperty(kBaseMargin, margin);
  if (spacing >= 0) layout->setProperty(kBaseSpacing, spacing);
  ApplyLayout(layout, layout->parentWidget() ? ScaleOf(layout->parentWidget()) : 100);
}

void ApplyScale(QWidget* root, int percent) {
  root->setProperty(kScale, percent);
  root->setProperty("tolvaRoot", true);
  root->setPalette(Palette());
  root->setStyleSheet(StyleSheet(percent));
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* widget : widgets) ApplySize(widget, percent);
  for (QLayout* layout : root->findChildren<QLayout*>()) ApplyLayout(layout, percent);
  if (root->layout() != nullptr) root->layout()->activate();
}

void ApplyOwnerTheme(QWidget* window, const QWidget* owner) {
  ApplyScale(window, ScaleOf(owner));
}

}  // namespace tolva::kit::theme
