#pragma once

#include <QWidget>

// The microphone's level before a measurement: RMS filled, peak marked, from -60 to 0 dBFS;
// red once it clipped.
class LevelBar final : public QWidget {
 public:
  explicit LevelBar(QWidget* parent = nullptr) : QWidget(parent) {}
  void SetLevel(double peak_dbfs, double rms_dbfs, bool clipping);
  bool Clipping() const { return clipping_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double peak_ = -300.0, rms_ = -300.0;
  bool clipping_ = false;
};
