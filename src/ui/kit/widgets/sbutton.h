#pragma once

#include <QAbstractButton>
#include <QColor>

#include "ui/kit/widgets/theme.h"

namespace tolva::kit {

// A button with a selected state ("SButton"); checkable, it serves as an option. Its text wraps
// onto as many lines as it needs and shrinks its font before it would ever clip.
class CSButtonUI : public QAbstractButton {
  Q_OBJECT
  Q_PROPERTY(bool selected READ IsSelected WRITE SetSelected)

 public:
  explicit CSButtonUI(QWidget* parent = nullptr);

  // The selected state of a plain button (a checkable one shows its check state).
  bool IsSelected() const { return isCheckable() ? isChecked() : selected_; }
  void SetSelected(bool selected);
  // An explicit text colour; an invalid colour returns to the theme's.
  void SetTextColor(const QColor& color);
  QColor TextColor() const { return text_color_; }
  // Colour of the fill when selected or checked.
  void SetAccent(const QColor& color);
  // The colours it is drawn with in its current state.
  tolva::kit::theme::ButtonLook Look() const;
  // The colours it would be drawn with, enabled or not, on or not (neither hovered nor pressed).
  tolva::kit::theme::ButtonLook LookWhen(bool enabled, bool on) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  // The font scale (1 or less) the text is drawn with inside the current rectangle.
  qreal FittedFactor() const;
  // True when the text fits the button without shrinking.
  bool TextFits() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QRectF TextRect() const;
  QFont FontAt(qreal factor) const;
  bool FitsAt(qreal factor) const;

  bool selected_ = false;
  bool hover_ = false;
  QColor text_color_;
  QColor accent_;
};

}  // namespace tolva::kit
