#include "ui/kit/theme.h"

#include <QLayout>
#include <QVariant>
#include <QWidget>

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
  return QColor(0xff8d939c);
}
QColor DisabledText() {
  return QColor(0xff5a5f66);
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
QFrame[dialogFrame="true"] { background: %BG%; border: 1px solid %BORDER%; }
QFrame[panel="true"] { background: %PANEL%; border: 1px solid %BORDER%; border-radius: %R3%px; }
QLabel { background: transparent; }
QLabel[role="caption"] { color: %DIM%; font-size: %F10%px; }
QLabel[role="title"] { font-size: %F13%px; font-weight: bold; }
QLabel[role="brand"] { font-size: %F16%px; font-weight: bold; color: %ACCENT%; }
QLineEdit { background: %BG%; border: 1px solid %BORDER%; border-radius: %R2%px;
            padding: 0px %P2%px; selection-background-color: %ACCENTDIM%; }
QLineEdit[role="band"] { font-family: "DejaVu Sans Condensed"; font-size: %F10%px; padding: 0px; }
QLineEdit:focus { border: 1px solid %ACCENT%; }
QLineEdit:disabled { color: %DISABLED%; background: %PANEL%; }
QComboBox { background: %BUTTON%; border: 1px solid %BORDER%; border-radius: %R2%px;
            padding: 0px %P4%px; }
QComboBox:disabled { color: %DISABLED%; }
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
QListWidget { background: %BG%; border: 1px solid %BORDER%; }
QListWidget::item:selected { background: %ACCENTDIM%; }
QMenu { background: %PANEL%; border: 1px solid %BORDER%; padding: %P2%px; }
QMenu::item { padding: %P4%px %P20%px %P4%px %P20%px; }
QMenu::item:selected { background: %ACCENTDIM%; }
QMenu::item:disabled { color: %DISABLED%; }
QToolTip { background: %PANEL%; color: %TEXT%; border: 1px solid %BORDER%; }
)");
  const QColor accent_dim(0xff0a5a14);
  const std::pair<const char*, QString> values[] = {
      {"%TEXT%", Hex(Text())},
      {"%DIM%", Hex(DimText())},
      {"%DISABLED%", Hex(DisabledText())},
      {"%BG%", Hex(Background())},
      {"%PANEL%", Hex(Panel())},
      {"%BORDER%", Hex(Border())},
      {"%ACCENT%", Hex(Accent())},
      {"%ACCENTDIM%", Hex(accent_dim)},
      {"%BUTTON%", Hex(ButtonFill())},
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
      {"%P20%", px(20)},
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
  root->setStyleSheet(StyleSheet(percent));
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* widget : widgets) ApplySize(widget, percent);
  for (QLayout* layout : root->findChildren<QLayout*>()) ApplyLayout(layout, percent);
  if (root->layout() != nullptr) root->layout()->activate();
}

}  // namespace tolva::kit::theme
