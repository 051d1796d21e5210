#include "model/manager/editing/safe_tuning.h"

#include "model/manager/editing/command_sending.h"
#include "model/tuning/speaker_protection.h"

namespace tolva::model {

bool SafeTuning::Ask(const std::string& question) {
  return ctx_.view->Confirm(question);
}

bool SafeTuning::Busy() const {
  return depth_ > 0 || InGesture() || session_.History().InGroup() || (unit_busy_ && unit_busy_());
}

void SafeTuning::Edit(const std::function<void()>& apply, bool guarded) {
  if (depth_ > 0) {
    apply();
    return;
  }
  ++depth_;
  const auto before = std::make_unique<Profile>(Live());
  device::DspLink& link = *ctx_.link;
  if (guarded && !gesture_unit_) link.HoldQueuedCommands();
  apply();
  bool keep = true;
  if (guarded && InGesture()) {
    // Within a gesture the question waits for the release; from the first move that leaves a
    // tweeter unprotected, the gesture's commands wait with it.
    if (!gesture_unit_) {
      if (NewlyUnprotectedTweeters(*gesture_before_, Live()).empty()) {
        link.ReleaseHeldCommands(true);
      } else {
        gesture_unit_ = std::make_unique<Profile>(*before);
      }
    }
  } else if (guarded) {
    const std::string question = TweeterQuestion(*before, Live());
    keep = question.empty() || Ask(question);
    link.ReleaseHeldCommands(keep);
  }
  if (keep) {
    session_.Record(*before, Live());
  } else {
    Live() = *before;
    ctx_.RefreshFromProfile();
  }
  --depth_;
}

bool SafeTuning::Commit(const Profile& before, const std::vector<ParameterCommand>& commands,
                        bool guarded) {
  device::DspLink& link = *ctx_.link;
  if (depth_ > 0) {  // part of an edit that asks and records for itself
    SendCommands(link, commands, false);
    return true;
  }
  ++depth_;
  bool keep = true;
  if (guarded && InGesture()) {
    if (!gesture_unit_ && !NewlyUnprotectedTweeters(*gesture_before_, Live()).empty()) {
      gesture_unit_ = std::make_unique<Profile>(before);
      link.HoldQueuedCommands();
    }
  } else if (guarded) {
    const std::string question = TweeterQuestion(before, Live());
    keep = question.empty() || Ask(question);
  }
  if (keep) {
    SendCommands(link, commands, false);
    session_.Record(before, Live());
  } else {
    Live() = before;
    ctx_.RefreshFromProfile();
  }
  --depth_;
  return keep;
}

void SafeTuning::BeginGesture() {
  gesture_before_ = std::make_unique<Profile>(Live());
  session_.History().BeginGroup(Live());
}

void SafeTuning::EndGesture() {
  if (!gesture_before_) return;
  const std::unique_ptr<Profile> before = std::move(gesture_before_);
  ++depth_;
  const std::string question = TweeterQuestion(*before, Live());
  const bool keep = question.empty() || Ask(question);
  if (gesture_unit_) {
    ctx_.link->ReleaseHeldCommands(keep);
    // The held commands never left: the unit still has what it had when they began.
    if (!keep) Live() = *gesture_unit_;
    gesture_unit_.reset();
  }
  if (!keep) MoveTo(*before);
  --depth_;
  session_.History().EndGroup(Live());
}

void SafeTuning::MoveTo(const Profile& target) {
  const auto commands = TransitionCommands(Live(), target);
  Live() = target;
  ctx_.RefreshFromProfile();
  SendCommands(*ctx_.link, commands, false);
}

bool SafeTuning::TakeStep(bool forward) {
  if (Busy()) return false;
  EditHistory& history = session_.History();
  const std::optional<Profile> target = forward ? history.Redo(Live()) : history.Undo(Live());
  if (!target) return false;
  ++depth_;
  const std::string question = TweeterQuestion(Live(), *target);
  const bool take = question.empty() || Ask(question);
  if (take) {
    MoveTo(*target);
  } else if (forward) {
    history.Undo(*target);  // the step stays where it was
  } else {
    history.Redo(*target);
  }
  --depth_;
  return take;
}

bool SafeTuning::SwitchSide() {
  if (Busy()) return false;
  ++depth_;
  const auto target = std::make_unique<Profile>(session_.SwitchTarget(Live()));
  const std::string question = TweeterQuestion(Live(), *target);
  const bool take = question.empty() || Ask(question);
  if (take) {
    const auto previous = std::make_unique<Profile>(Live());
    MoveTo(*target);
    session_.Switched(*previous);
  }
  --depth_;
  return take;
}

bool SafeTuning::MayReplaceLive(const Profile& incoming) {
  const std::string question = TweeterQuestion(Live(), incoming);
  return question.empty() || Ask(question);
}

void SafeTuning::Unit(const std::function<void()>& operation) {
  if (depth_ > 0) {
    operation();
    return;
  }
  const auto before = std::make_unique<Profile>(Live());
  ++depth_;
  operation();
  const std::string question = TweeterReturnQuestion(*before, Live());
  if (!question.empty() && Ask(question)) {
    MoveTo(*before);
  } else {
    session_.Record(*before, Live());
  }
  --depth_;
}

void SafeTuning::UnitConnected() {
  session_.Reset();
  if (gesture_unit_) ctx_.link->ReleaseHeldCommands(false);
  gesture_unit_.reset();
  gesture_before_.reset();
}

}  // namespace tolva::model
