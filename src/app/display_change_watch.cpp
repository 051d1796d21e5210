#include "app/display_change_watch.h"

#include <QGuiApplication>
#include <QScreen>

namespace tolva::app {

DisplayChangeWatch::DisplayChangeWatch(QObject* parent) : QObject(parent) {
  auto* app = qGuiApp;
  for (QScreen* screen : QGuiApplication::screens()) Watch(screen);
  connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
    Watch(screen);
    Report();
  });
  connect(app, &QGuiApplication::screenRemoved, this, &DisplayChangeWatch::Report);
  connect(app, &QGuiApplication::primaryScreenChanged, this, &DisplayChangeWatch::Report);
}

void DisplayChangeWatch::Watch(QScreen* screen) {
  connect(screen, &QScreen::geometryChanged, this, &DisplayChangeWatch::Report);
}

void DisplayChangeWatch::Report() {
  // One change arrives as a burst of signals; restart once.
  if (changed_) return;
  changed_ = true;
  emit DisplayChanged();
}

}  // namespace tolva::app
