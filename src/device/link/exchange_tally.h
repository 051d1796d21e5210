#pragma once

// Whether a sequence of exchanges with the unit completed. A tally counts, on the thread that
// made it and while it lives, every synchronous exchange that thread makes: how many went
// unanswered and whether the unit was gone. Long operations (a connect read, a bulk write, a
// scene action) make one on their worker and ask it at the end, so no builder's signature
// changes and an operation that was not acknowledged in full is never reported as done.
namespace tolva::device {

class ExchangeTally {
 public:
  // Becomes the thread's innermost tally; the ones it nests in keep counting too.
  ExchangeTally();
  ~ExchangeTally();
  ExchangeTally(const ExchangeTally&) = delete;
  ExchangeTally& operator=(const ExchangeTally&) = delete;

  int exchanges() const { return exchanges_; }
  int unanswered() const { return unanswered_; }
  // The link was closed, or a read or a write failed as when the unit leaves the bus.
  bool unit_gone() const { return unit_gone_; }
  bool Complete() const { return unanswered_ == 0 && !unit_gone_; }
  // Whether a long operation should make its next request: not once the unit is gone or has
  // left kGiveUpAfter exchanges in a row unanswered (each would only wait out its time-out). A
  // single request a unit leaves unanswered, one it does not know or a reply lost on the way,
  // fails the operation but does not stop it: the rest is still read or written.
  bool GoOn() const { return !unit_gone_ && unanswered_in_a_row_ < kGiveUpAfter; }
  static constexpr int kGiveUpAfter = 3;

  // Called by the link after each synchronous exchange, on the exchanging thread.
  static void Record(bool answered, bool unit_gone);
  // Counts what happened outside an exchange (a queued command lost) into the current tallies.
  static void RecordLost(int count, bool unit_gone);

 private:
  ExchangeTally* outer_;
  int exchanges_ = 0;
  int unanswered_ = 0;
  int unanswered_in_a_row_ = 0;
  bool unit_gone_ = false;
};

}  // namespace tolva::device
