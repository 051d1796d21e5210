#pragma once

#include <QWidget>

#include <array>

#include "ui/kit/widgets/sbutton.h"

class QSvgRenderer;

namespace tolva::ui {

// One speaker position on the car picture ("speaker_%d"): a round icon, lit when selected.
class CSpeakerIconUI : public kit::CSButtonUI {
  Q_OBJECT

 public:
  explicit CSpeakerIconUI(QWidget* parent = nullptr) : kit::CSButtonUI(parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The car seen from above, front up, with the 24 speaker icons at their places (roles 1-24:
// front left and right, rear left and right, centre, subwoofers). Icons start hidden.
class CarView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRoles = 24;
  explicit CarView(QWidget* parent = nullptr);

  CSpeakerIconUI* Icon(int role) const;  // 1..24, else null
  // Centre of a role's icon as a fraction of the picture (x, y in 0..1).
  static QPointF RelativePosition(int role);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlaceIcons();

  QSvgRenderer* car_ = nullptr;
  std::array<CSpeakerIconUI*, kRoles> icons_{};
};

}  // namespace tolva::ui
