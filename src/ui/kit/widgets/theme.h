#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

class QLayout;
class QWidget;

// The dark theme in the graph's colours, and the display scale: every size of a layout is given
// at 100 % and multiplied by the window's scale, so a scale change re-applies without a rebuild.
namespace tolva::kit::theme {

QColor Background();  // window
QColor Panel();       // panels and plot background
QColor PanelRaised();
QColor Border();  // 0xff444444, the graph's grid colour
QColor Text();
QColor DimText();
QColor DisabledText();
QColor Accent();  // 0xff00c000, the current curve
QColor Warning();
QColor ButtonFill();
QColor ButtonHoverFill();
QColor ButtonPressedFill();
QColor ButtonDisabledFill();
QColor SelectionFill();  // selected rows and menu items
// A colour as a style sheet value.
QString CssColor(const QColor& color);

// WCAG 2 contrast: 1 (same colour) to 21 (black on white); text needs kMinimumContrast.
inline constexpr double kMinimumContrast = 4.5;
double ContrastRatio(const QColor& a, const QColor& b);
// top drawn over an opaque under, as one opaque colour.
QColor Over(const QColor& top, const QColor& under);
// ink, lightened or darkened as little as needed to be read on ground; its hue stays.
QColor Readable(const QColor& ink, const QColor& ground);

// The palette of every window, for what the style sheet leaves to the platform style.
QPalette Palette();

// How a button (SButton) is drawn in a state: one place for the painting and the checks.
struct ButtonState {
  bool enabled = true;
  bool on = false;  // selected or checked
  bool down = false;
  bool hover = false;
};
struct ButtonLook {
  QColor fill;  // opaque
  QColor border;
  QColor ink;
};
// accent: the fill's hue when on; text_color: an explicit text colour, or invalid for the theme's.
ButtonLook ButtonColors(const ButtonState& state, const QColor& accent, const QColor& text_color);

// Percent of the window the widget belongs to (100 when none was applied).
int ScaleOf(const QWidget* widget);
inline int Scaled(int pixels, int percent) {
  return pixels * percent / 100;
}
int Scaled(const QWidget* widget, int pixels);

// The style sheet of a window at a scale.
QString StyleSheet(int percent);

// Sizes at 100 %; -1 leaves a dimension free. Applied at once at the widget's current scale.
void FixSize(QWidget* widget, int width, int height);
void SetLayoutMetrics(QLayout* layout, int margin, int spacing);
// Gives the window root the theme at a scale, and applies the scale to everything below it:
// palette, style sheet, fixed sizes, layout metrics.
void ApplyScale(QWidget* root, int percent);
// A window opened over owner: the theme at the owner's scale.
void ApplyOwnerTheme(QWidget* window, const QWidget* owner);

}  // namespace tolva::kit::theme
