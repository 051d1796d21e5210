#include "model/manager/editing/editing_core.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "device/protocol/protocol_codes.h"
#include "model/profile/control_ranges.h"
#include "model/edits/edit_rules.h"
#include "model/edits/output_operations.h"

namespace tolva::model {
namespace {

namespace sub = device::dsp_sub;

bool ValidOutput(int ch) {
  return ch >= 0 && ch < kOutputChannels;
}

float Tenths(double value) {
  return static_cast<float>(std::lround(value * 10.0)) / 10.0f;
}

// A value held at [low, high], noted when it moved.
template <class T>
T Held(const char* what, T asked, T low, T high, std::vector<ClampNote>& notes) {
  const T held = std::clamp(asked, low, high);
  if (held != asked) notes.push_back({what, static_cast<double>(asked), static_cast<double>(held)});
  return held;
}

ParameterCommand Band(const Profile& p, int ch, int band, float gain) {
  const EqBand& b = p.channels[ch].eqArray[band];
  return BandCommand{p.editScene, ch, band, b.freq, b.eqFactor, gain};
}

ParameterCommand Bypass(const Profile& p, int ch) {
  return ChannelListCommand{ChannelField::kBypass, p.editScene, 0, ch, ch, {p.channels[ch].bypass}};
}

ParameterCommand Filter(const Profile& p, int ch, bool high_pass) {
  const Crossover& x = p.channels[ch].crossover;
  const FilterSettings& f = high_pass ? x.hp : x.lp;
  return FilterCommand{p.editScene, ch, high_pass ? kHighPassFilter : kLowPassFilter,
                       f.type, f.fs, f.slope};
}

bool Contains(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

void EditingCore::SelectOutput(int output) {
  ctx_.SelectOutput(output);
}

void EditingCore::SetOutputShown(int output, bool shown) {
  if (!ValidOutput(output)) return;
  ctx_.unit->live.showChEqualizer[output] = shown ? 1 : 0;
  ctx_.ComputeChannelResponse(output);
  ctx_.UpdateEqualizer(-1);
}

int EditingCore::PartnerOf(int output) const {
  const Profile& p = ctx_.unit->live;
  if (p.linkMode != 1 || !ValidOutput(output)) return -1;
  const int partner = p.linkOutputs[output];
  return ValidOutput(partner) && partner != output ? partner : -1;
}

EditResult EditingCore::Commit(const Profile& before, EditResult r) {
  if (r.commands.empty() && before == ctx_.unit->live) return r;
  r.applied = tuning_.Commit(before, r.commands, true);
  return r;
}

EditResult EditingCore::SetBand(int output, int band, const BandValues& asked, BandSource source) {
  EditResult r;
  if (!ValidOutput(output) || band < 0 || band >= kEqBands) return r;
  Profile& p = ctx_.unit->live;
  BandValues v = asked;
  if (source == BandSource::kEdit) {
    v.freq = Held("frequency", v.freq, kMinFrequency, kMaxFrequency, r.notes);
    // The unit holds Q in tenths: a typed 1.27 is the 1.3 it can hold, not the 1.2 it would cut.
    v.q = Tenths(Held("q", v.q, kMinQ, kMaxQ, r.notes));
    v.gain = Tenths(Held("gain", static_cast<double>(v.gain), kBandGainMinDb, kBandGainMaxDb,
                         r.notes));
  } else if (source == BandSource::kGraph) {
    // The unit holds tenths of each, and so does the band, so that the screen never shows a
    // value the unit does not hold.
    v.q = Tenths(v.q);
    v.gain = Tenths(v.gain);
  }
  const auto before = std::make_unique<Profile>(p);
  const int partner = PartnerOf(output);
  const BandEditResult e = EditBand(p, output, partner, band, v, source);
  for (const BandSend& s : e.cleared) {
    r.commands.push_back(BandCommand{p.editScene, s.channel, s.band, s.freq, s.q, s.gain});
  }
  if (e.stored) {
    r.outputs.push_back(output);
    if (e.band_partner >= 0) r.outputs.push_back(e.band_partner);
    // The bypass goes out only when it changed, for drags too: the unit holds it already, and a
    // drag step would otherwise cost a second exchange.
    if (source == BandSource::kGraph) {
      for (int target : {output, partner}) {
        if (target < 0) continue;
        if (target == output || target == e.band_partner) {
          r.commands.push_back(Band(p, target, band, v.gain));
        }
        if (Contains(e.bypass_changed, target)) r.commands.push_back(Bypass(p, target));
      }
    } else {
      for (int target : {output, partner}) {
        if (target >= 0 && Contains(e.bypass_changed, target)) {
          r.commands.push_back(Bypass(p, target));
        }
      }
      r.commands.push_back(Band(p, output, band, v.gain));
      if (e.band_partner >= 0) r.commands.push_back(Band(p, e.band_partner, band, v.gain));
    }
  }
  // Cleared bands and a changed bypass show in other rows too; the graph keeps the band selected.
  const bool other_rows = !e.cleared.empty() || !e.bypass_changed.empty();
  r = Commit(*before, std::move(r));
  if (r.applied) {
    ctx_.view->BandsEdited(output, other_rows ? -1 : band);
    ctx_.UpdateEqualizer(band);
  }
  return r;
}

EditResult EditingCore::SetBandEnabled(int output, int band, bool enabled) {
  EditResult r;
  if (!ValidOutput(output)) return r;
  Profile& p = ctx_.unit->live;
  ChannelSettings& ch = p.channels[output];
  if (band < 0 || band >= std::min(ch.eqSize, kEqBands) || (ch.eqArray[band].enable == 1) == enabled) {
    return r;
  }
  const auto before = std::make_unique<Profile>(p);
  EqBand& b = ch.eqArray[band];
  // The button acts on what the row shows: a band of a bypassed output shows 0 dB.
  const float shown = static_cast<float>(ShownGainTenths(ch, band)) / 10.0f;
  constexpr float kGainEpsilon = 0.001f;
  if (!enabled && std::fabs(shown) > kGainEpsilon) {
    b.enable = 0;
    r.commands.push_back(Band(p, output, band, 0.0f));
    r.outputs.push_back(output);
  } else if (enabled && std::fabs(b.eqGain - shown) > kGainEpsilon) {
    b.enable = 1;
    r.commands.push_back(Band(p, output, band, b.eqGain));
    r.outputs.push_back(output);
  }
  // The partner follows even when this output did not change: the two may have drifted apart.
  if (const int partner = PartnerOf(output); partner >= 0 && band < p.channels[partner].eqSize) {
    EqBand& other = p.channels[partner].eqArray[band];
    other.enable = b.enable;
    r.commands.push_back(Band(p, partner, band, other.enable == 1 ? other.eqGain : 0.0f));
    r.outputs.push_back(partner);
  }
  r = Commit(*before, std::move(r));
  if (r.applied) {
    for (int target : r.outputs) ctx_.view->BandsEdited(target, band);
    ctx_.UpdateEqualizer(band);
  }
  return r;
}

EditResult EditingCore::ApplyBands(int output, const std::array<EqBand, kEqBands>& bands) {
  EditResult r;
  if (!ValidOutput(output)) return r;
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  // Stored as the unit holds them, in tenths, so the screen and the files show what plays.
  std::array<EqBand, kEqBands> held = bands;
  for (EqBand& b : held) {
    b.eqFactor = Tenths(b.eqFactor);
    b.eqGain = Tenths(b.eqGain);
  }
  for (int target : {output, PartnerOf(output)}) {
    if (target < 0) continue;
    ChannelSettings& ch = p.channels[target];
    std::copy_n(held.begin(), std::min(ch.eqSize, kEqBands), ch.eqArray.begin());
    ch.bypass = 0;
    if (!(ch == before->channels[target])) r.outputs.push_back(target);
  }
  r.commands = TransitionCommands(*before, p);
  r = Commit(*before, std::move(r));
  if (r.applied) {
    for (int ch : r.outputs) {
      ctx_.ComputeChannelResponse(ch);
      ctx_.view->BandsEdited(ch, -1);
    }
    ctx_.UpdateEqualizer(-1);
  }
  return r;
}

EditResult EditingCore::SetCorner(int output, bool high_pass, int fs, bool from_graph) {
  EditResult r;
  if (!ValidOutput(output)) return r;
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  const int partner = PartnerOf(output);
  if (from_graph) {
    if (!EditCornerFromGraph(p, output, partner, high_pass, fs)) return r;
  } else {
    const int held = EditCornerFromText(p, output, partner, high_pass, fs);
    if (held != fs) r.notes.push_back({"corner", static_cast<double>(fs), static_cast<double>(held)});
  }
  for (int target : {output, partner}) {
    if (target < 0) continue;
    r.outputs.push_back(target);
    r.commands.push_back(Filter(p, target, high_pass));
  }
  r = Commit(*before, std::move(r));
  if (r.applied || !from_graph) {
    ctx_.view->LiveValueApplied(sub::kFilter, output);
    ctx_.UpdateEqualizer(-1);
  }
  return r;
}

EditResult EditingCore::SetFilterCode(int output, bool high_pass, bool slope, int code) {
  EditResult r;
  if (!ValidOutput(output) || code < 0) return r;
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  const int partner = PartnerOf(output);
  if (!EditFilterCode(p, output, partner, high_pass, slope, code)) return r;
  for (int target : {output, partner}) {
    if (target < 0) continue;
    r.outputs.push_back(target);
    r.commands.push_back(Filter(p, target, high_pass));
  }
  r = Commit(*before, std::move(r));
  if (r.applied) {
    ctx_.view->LiveValueApplied(sub::kFilter, output);
    ctx_.UpdateEqualizer(-1);
  }
  return r;
}

namespace {

EditResult FromOutputEdit(OutputEdit edit, int output) {
  EditResult r;
  r.commands = std::move(edit.commands);
  if (output >= 0) r.outputs.push_back(output);
  for (int ch : edit.outputs) {
    if (!Contains(r.outputs, ch)) r.outputs.push_back(ch);
  }
  return r;
}

}  // namespace

EditResult EditingCore::SetOutputGain(int output, int db) {
  if (!ValidOutput(output)) return {};
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  std::vector<ClampNote> notes;
  db = Held("volume", db, kChannelVolumeSliderMin, kChannelVolumeSliderMax, notes);
  EditResult r = FromOutputEdit(EditChannelGain(p, output, PartnerOf(output), db), output);
  r.notes = std::move(notes);
  r = Commit(*before, std::move(r));
  for (int ch : r.outputs) ctx_.view->LiveValueApplied(sub::kTrim, ch);
  return r;
}

EditResult EditingCore::SetMainVolume(int db) {
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  std::vector<ClampNote> notes;
  db = Held("volume", db, kMainVolumeSliderMin, kMainVolumeSliderMax, notes);
  EditResult r = FromOutputEdit(EditMainVolume(p, db), -1);
  r.notes = std::move(notes);
  r = Commit(*before, std::move(r));
  ctx_.view->LiveValueApplied(sub::kMainVolume, -1);
  return r;
}

EditResult EditingCore::SetMainMute(bool mute) {
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r = Commit(*before, FromOutputEdit(EditMainMute(p, mute), -1));
  ctx_.view->LiveValueApplied(sub::kMainMute, -1);
  return r;
}

EditResult EditingCore::SetMute(int output, bool mute) {
  if (!ValidOutput(output)) return {};
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r = Commit(*before, FromOutputEdit(EditChannelMute(p, output, mute), output));
  ctx_.view->LiveValueApplied(sub::kChannelMute, output);
  return r;
}

EditResult EditingCore::SetPhase(int output, bool reversed) {
  if (!ValidOutput(output)) return {};
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r = Commit(*before, FromOutputEdit(EditPhase(p, output, reversed), output));
  ctx_.view->LiveValueApplied(sub::kPhase, output);
  return r;
}

EditResult EditingCore::SetDelay(int output, float ms) {
  if (!ValidOutput(output) || !std::isfinite(ms)) return {};
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  std::vector<ClampNote> notes;
  ms = Held("delay", ms, 0.0f, static_cast<float>(kDelaySliderMax) / 1000.0f, notes);
  EditResult r = FromOutputEdit(EditDelay(p, output, ms), output);
  r.notes = std::move(notes);
  r = Commit(*before, std::move(r));
  ctx_.view->LiveValueApplied(sub::kDelay, output);
  return r;
}

EditResult EditingCore::SetRouting(int output, int input, bool on) {
  if (!ValidOutput(output)) return {};
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r = Commit(*before, FromOutputEdit(EditRouting(p, output, input, on), output));
  ctx_.view->LiveValueApplied(sub::kMix, output);
  return r;
}

EditResult EditingCore::SetSource(int source) {
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r = FromOutputEdit(EditInputSource(p, source), -1);
  // Without a unit the source changes on the screen only.
  if (ctx_.state != ConnectState::kConnected) r.commands.clear();
  r = Commit(*before, std::move(r));
  ctx_.view->LiveValueApplied(sub::kSource, -1);
  for (int ch : r.outputs) ctx_.view->LiveValueApplied(sub::kMix, ch);
  return r;
}

EditResult EditingCore::SetRole(int output, int role) {
  if (!ValidOutput(output)) return {};
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r = Commit(*before, FromOutputEdit(EditRole(p, output, role), output));
  ctx_.view->LiveValueApplied(sub::kRole, output);
  for (int ch : r.outputs) ctx_.view->LiveValueApplied(sub::kTrim, ch);
  ctx_.UpdateEqualizer(-1);
  return r;
}

}  // namespace tolva::model
