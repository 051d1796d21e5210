#pragma once

#include <QObject>

class QSocketNotifier;

namespace tolva::app {

// Turns SIGTERM, SIGINT and SIGHUP (logout, Ctrl+C, a service manager) into a signal on the UI
// thread, so the program shuts down in its normal order: the unit is told goodbye and the log
// is flushed, instead of the process just ending. One instance per process.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  void TerminationRequested();

 private:
  void Drain();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tolva::app
