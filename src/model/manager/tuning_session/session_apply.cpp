// The preview's accepted suggestions onto the unit, as one step, and the comparison with the
// tune before.
#include <cmath>
#include <memory>
#include <vector>

#include "model/manager/tuning_session/measurement_session.h"
#include "model/profile/polarity.h"

namespace tolva::model {
namespace {

bool WantsBands(const OutputPreview& op, const ApplyChoice& c) {
  return c.bands && op.bands_differ;
}

bool WantsDelay(const OutputPreview& op, const ApplyChoice& c, const ChannelSettings& now) {
  return c.delay && std::fabs(op.delay_suggested_ms - now.delay) >= 0.0005f;
}

bool WantsGain(const OutputPreview& op, const ApplyChoice& c, const ChannelSettings& now) {
  return c.gain && op.gain_suggested_db != now.gain;
}

bool WantsPolarity(const OutputPreview& op, const ApplyChoice& c, const ChannelSettings& now) {
  return c.polarity && op.inverted_suggested != PolarityInverted(now.phase);
}

}  // namespace

ApplyResult MeasurementSession::Apply(const std::array<ApplyChoice, kOutputChannels>& choices) {
  ApplyResult out;
  SafeTuning& tuning = manager_.Tuning();
  // While a run holds the mutes the live settings are not the tune, and no step may hold them.
  if (running_ || computing_ || tuning.Busy()) {
    out.reason = "${tune_busy}";
    return out;
  }
  if (!preview_) {
    out.reason = "${tune_no_preview}";
    return out;
  }
  Profile& live = manager_.LiveProfile();
  bool wanted = false;
  for (const OutputPreview& op : preview_->outputs) {
    const ApplyChoice& c = choices[op.output];
    const ChannelSettings& now = live.channels[op.output];
    wanted = wanted || WantsBands(op, c) || WantsDelay(op, c, now) || WantsGain(op, c, now) ||
             WantsPolarity(op, c, now);
  }
  if (!wanted) {
    out.reason = "${tune_nothing_to_apply}";
    return out;
  }
  // The first apply opens the comparison: the first switch copies the live side and sends
  // nothing, so the other side keeps the tune before.
  if (!tuning.Session().Comparing()) {
    if (!tuning.SwitchSide()) {
      out.reason = "${tune_busy}";
      return out;
    }
    before_on_other_side_ = true;
  }
  const auto before = std::make_unique<Profile>(live);
  EditingCore& editing = manager_.Editing();
  tuning.Edit(
      [&] {
        std::vector<int> banded;  // a linked partner takes the band table with its output
        for (const OutputPreview& op : preview_->outputs) {
          const ApplyChoice& c = choices[op.output];
          if (WantsBands(op, c) && std::find(banded.begin(), banded.end(), op.output) == banded.end()) {
            out.commands += editing.ApplyBands(op.output, op.fit.bands).commands.size();
            banded.push_back(op.output);
            if (op.partner >= 0) banded.push_back(op.partner);
          }
          // Compared with what the output holds now: a partner's gain may have followed already.
          const ChannelSettings& now = live.channels[op.output];
          if (WantsDelay(op, c, now)) {
            out.commands += editing.SetDelay(op.output, op.delay_suggested_ms).commands.size();
          }
          if (WantsGain(op, c, now)) {
            out.commands += editing.SetOutputGain(op.output, op.gain_suggested_db).commands.size();
          }
          if (WantsPolarity(op, c, now)) {
            out.commands += editing.SetPhase(op.output, op.inverted_suggested).commands.size();
          }
        }
      },
      /*guarded=*/true);
  out.applied = !(*before == live);
  if (!out.applied) {
    out.commands = 0;
    out.reason = "${tune_declined}";
  }
  out.before_on_other_side = before_on_other_side_ && tuning.Session().Comparing();
  return out;
}

bool MeasurementSession::CompareBefore() {
  if (running_) return false;
  return manager_.Tuning().SwitchSide();
}

}  // namespace tolva::model
