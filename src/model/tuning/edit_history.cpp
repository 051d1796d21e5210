#include "model/tuning/edit_history.h"

#include <algorithm>
#include <cstring>

namespace tolva::model {
namespace {

// Every field of a profile is a 32-bit value, or a byte that sits alone in its word with
// padding (band enable, channel bypass) or inside the 16 reserved bytes, so a word never holds
// parts of two fields and putting one word back restores whole values.
static_assert(alignof(Profile) == 4 && sizeof(Profile) % 4 == 0);
constexpr std::uint32_t kWords = sizeof(Profile) / 4;

std::uint32_t Word(const Profile& p, std::uint32_t index) {
  std::uint32_t w;
  std::memcpy(&w, reinterpret_cast<const unsigned char*>(&p) + 4 * index, 4);
  return w;
}

void SetWord(Profile& p, std::uint32_t index, std::uint32_t w) {
  std::memcpy(reinterpret_cast<unsigned char*>(&p) + 4 * index, &w, 4);
}

}  // namespace

EditHistory::EditHistory(std::size_t max_steps) : max_steps_(std::max<std::size_t>(max_steps, 1)) {}

EditHistory::Step EditHistory::Diff(const Profile& before, const Profile& after) {
  Step step;
  if (before == after) return step;  // differences in padding alone are no edit
  for (std::uint32_t i = 0; i < kWords; ++i) {
    const std::uint32_t b = Word(before, i);
    const std::uint32_t a = Word(after, i);
    if (a != b) step.push_back({i, b, a});
  }
  return step;
}

void EditHistory::Push(Step step) {
  if (step.empty()) return;
  undo_.push_back(std::move(step));
  if (undo_.size() > max_steps_) undo_.pop_front();
  redo_.clear();
}

void EditHistory::Record(const Profile& before, const Profile& after) {
  if (InGroup()) return;  // the group's own before and after span this edit
  Push(Diff(before, after));
}

void EditHistory::BeginGroup(const Profile& before) {
  if (group_depth_++ == 0) group_before_ = before;
}

void EditHistory::EndGroup(const Profile& after) {
  if (group_depth_ == 0) return;
  if (--group_depth_ == 0) Push(Diff(group_before_, after));
}

std::optional<Profile> EditHistory::Replay(std::deque<Step>& from, std::deque<Step>& to,
                                           const Profile& current, bool forward) {
  if (InGroup() || from.empty()) return std::nullopt;
  Profile target = current;
  for (const WordChange& c : from.back()) SetWord(target, c.index, forward ? c.after : c.before);
  to.push_back(std::move(from.back()));
  from.pop_back();
  return target;
}

std::optional<Profile> EditHistory::Undo(const Profile& current) {
  return Replay(undo_, redo_, current, false);
}

std::optional<Profile> EditHistory::Redo(const Profile& current) {
  return Replay(redo_, undo_, current, true);
}

void EditHistory::Clear() {
  undo_.clear();
  redo_.clear();
  group_depth_ = 0;
}

}  // namespace tolva::model
