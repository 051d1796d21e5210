#pragma once

#include <QObject>

class QScreen;

namespace tolva::app {

// Reports the first change of the display arrangement (a screen added or removed, the primary
// moved, a resolution changed). The program then closes and starts again, so the new copy
// chooses its scale for the new arrangement.
class DisplayChangeWatch : public QObject {
  Q_OBJECT

 public:
  explicit DisplayChangeWatch(QObject* parent = nullptr);
  bool changed() const { return changed_; }

 signals:
  void DisplayChanged();

 private:
  void Watch(QScreen* screen);
  void Report();

  bool changed_ = false;
};

}  // namespace tolva::app
