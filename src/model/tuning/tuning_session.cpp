#include "model/tuning/tuning_session.h"

#include <memory>
#include <vector>

#include "base/language_tables.h"
#include "model/profile/scene_names.h"
#include "model/edits/screen_text.h"
#include "model/tuning/speaker_protection.h"

namespace tolva::model {

TuningSession::TuningSession(std::size_t steps) : histories_{EditHistory(steps), EditHistory(steps)} {}

void TuningSession::Record(const Profile& before, const Profile& after) {
  if (History().InGroup()) return;  // the group spans it
  auto shown = std::make_unique<Profile>(after);
  shown->currChannel = before.currChannel;
  shown->showChEqualizer = before.showChEqualizer;
  if (*shown == before) return;
  History().Record(before, after);
}

Profile TuningSession::SwitchTarget(const Profile& live) const {
  return other_ ? *other_ : live;
}

void TuningSession::Switched(const Profile& previous) {
  other_ = previous;
  live_side_ = live_side_ == Side::kA ? Side::kB : Side::kA;
}

void TuningSession::Reset() {
  for (EditHistory& history : histories_) history.Clear();
  live_side_ = Side::kA;
  other_.reset();
}

namespace {

// One line per output: "output 2 (front left tweeter)".
std::string OutputsNamed(const std::vector<TweeterWarning>& warnings) {
  const std::string pattern = Languages().Resolve("${tweeter_output}");
  std::string lines;
  for (const TweeterWarning& w : warnings) {
    if (!lines.empty()) lines += "\n";
    lines += FillPlaceholders(pattern, {std::to_string(w.output + 1),
                                        Languages().Resolve(RoleButtonLabel(w.role))});
  }
  return lines;
}

std::string Asked(const char* key, const Profile& before, const Profile& after) {
  const std::vector<TweeterWarning> warnings = NewlyUnprotectedTweeters(before, after);
  if (warnings.empty()) return {};
  return FillPlaceholders(Languages().Resolve(key), {OutputsNamed(warnings)});
}

}  // namespace

std::string TweeterQuestion(const Profile& before, const Profile& after) {
  return Asked("${tweeter_unprotected_ask}", before, after);
}

std::string TweeterReturnQuestion(const Profile& before, const Profile& after) {
  return Asked("${tweeter_scene_return}", before, after);
}

}  // namespace tolva::model
