#include "model/tuning/kept_edits.h"

#include "model/files/profile_json.h"
#include "model/edits/profile_transition.h"

namespace tolva::model {

KeptEdits::KeptEdits(const Profile& start) : unit_last_(std::make_unique<Profile>(start)) {}

void KeptEdits::Connecting(const Profile& live) {
  if (held_ != nullptr || !TransitionCommands(*unit_last_, live).empty()) {
    held_ = std::make_unique<Profile>(live);
  }
}

bool KeptEdits::UnitLeft(Profile& live) {
  if (held_ == nullptr) {
    *unit_last_ = live;
    return false;
  }
  live = *held_;
  return true;
}

std::unique_ptr<Profile> KeptEdits::DifferingFrom(const Profile& unit_values) const {
  if (held_ == nullptr) return nullptr;
  // What the window edits is what a scene file carries, and the source and mixer trims, which
  // no file does; the rest (model, reported values) is the unit's.
  auto mine = std::make_unique<Profile>(unit_values);
  if (ParseSceneProfile(SceneProfileText(*held_), *mine) != ProfileReadResult::kOk) return nullptr;
  mine->source = held_->source;
  mine->inputMixTrim = held_->inputMixTrim;
  if (TransitionCommands(unit_values, *mine).empty()) return nullptr;
  return mine;
}

void KeptEdits::Settled(const Profile& live) {
  held_.reset();
  *unit_last_ = live;
}

}  // namespace tolva::model
