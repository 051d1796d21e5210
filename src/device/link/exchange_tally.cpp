#include "device/link/exchange_tally.h"

namespace tolva::device {
namespace {

thread_local ExchangeTally* innermost = nullptr;

}  // namespace

ExchangeTally::ExchangeTally() : outer_(innermost) {
  innermost = this;
}

ExchangeTally::~ExchangeTally() {
  innermost = outer_;
}

void ExchangeTally::Record(bool answered, bool unit_gone) {
  for (ExchangeTally* t = innermost; t; t = t->outer_) {
    ++t->exchanges_;
    if (!answered) ++t->unanswered_;
    t->unanswered_in_a_row_ = answered ? 0 : t->unanswered_in_a_row_ + 1;
    if (unit_gone) t->unit_gone_ = true;
  }
}

void ExchangeTally::RecordLost(int count, bool unit_gone) {
  for (ExchangeTally* t = innermost; t; t = t->outer_) {
    t->unanswered_ += count;
    t->unanswered_in_a_row_ += count;
    if (unit_gone) t->unit_gone_ = true;
  }
}

}  // namespace tolva::device
