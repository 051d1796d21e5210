#pragma once

#include <QColor>
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
// A colour as a style sheet value.
QString CssColor(const QColor& color);

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
// Applies the scale to root and everything below it: style sheet, fixed sizes, layout metrics.
void ApplyScale(QWidget* root, int percent);

}  // namespace tolva::kit::theme
