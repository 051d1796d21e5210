#pragma once

#include <QWidget>

class QTimer;

namespace tolva::kit {

// A circular progress indicator ("CircleProgress"): an arc for 0-100 %, or a turning arc while
// the amount of work is unknown.
class CCircleProgressUI : public QWidget {
  Q_OBJECT

 public:
  explicit CCircleProgressUI(QWidget* parent = nullptr);

  void SetValue(int percent);  // clamped to 0..100; ends the turning mode
  int Value() const { return value_; }
  void SetBusy(bool busy);
  bool IsBusy() const { return busy_; }

  QSize sizeHint() const override;
  // The ring's stroke and the percentage's font for a ring of `side` pixels: the widest text,
  // "100%", stays inside the ring with a margin.
  static qreal RingPen(int side);
  static QFont TextFont(QFont base, int side);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int value_ = 0;
  bool busy_ = false;
  int phase_ = 0;  // degrees, while busy
  QTimer* timer_;
};

}  // namespace tolva::kit
