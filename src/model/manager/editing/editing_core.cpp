#include "model/manager/editing/editing_core.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "device/protocol/protocol_codes.h"
#include "model/edits/edit_rules.h"
#include "model/edits/output_operations.h"
#include "model/profile/control_ranges.h"
#include "model/profile/output_links.h"

namespace tolva::model {
namespace {

namespace sub = device::dsp_sub;

constexpr int kModeScene = 0;  // the mode switch's bands always address scene 0

bool ValidOutput(int ch) {
  return ch >= 0 && ch < kOutputChannels;
}

// A value held at [low, high], noted when it moved.
template <class T>
T Held(const char* what, T asked, T low, T high, std::vector<ClampNote>& notes) {
  const T held = std::clamp(asked, low, high);
  if (held != asked) notes.push_back({what, static_cast<double>(asked), static_cast<double>(held)});
  return held;
}

// A whole dB held at [low, high], noted when it moved.
int WholeDb(double asked, int low, int high, std::vector<ClampNote>& notes) {
  const double finite = std::isfinite(asked) ? std::clamp(asked, -1e6, 1e6) : 0.0;
  const int held = std::clamp(static_cast<int>(std::lround(finite)), low, high);
  if (held != asked) notes.push_back({"volume", asked, static_cast<double>(held)});
  return held;
}

// A typed Q or gain as the unit holds it, in tenths. A value the edit did not change (the box
// showed the stored one) is not noted.
float UnitStep(const char* what, float asked, float stored, std::vector<ClampNote>& notes) {
  constexpr float kSame = 1e-4f;
  const float held = InUnitTenths(asked);
  if (std::fabs(held - asked) > kSame && std::fabs(asked - stored) > kSame) {
    notes.push_back({what, asked, held});
  }
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
  return LinkedPartner(ctx_.unit->live, output);
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
    const EqBand& stored = p.channels[output].eqArray[band];
    v.q = UnitStep("q", Held("q", v.q, kMinQ, kMaxQ, r.notes), stored.eqFactor, r.notes);
    constexpr auto kLowDb = static_cast<float>(kBandGainMinDb);
    constexpr auto kHighDb = static_cast<float>(kBandGainMaxDb);
    v.gain =
        UnitStep("gain", Held("gain", v.gain, kLowDb, kHighDb, r.notes), stored.eqGain, r.notes);
  } else if (source == BandSource::kGraph) {
    // The unit holds tenths of each, and so does the band, so that the screen never shows a
    // value the unit does not hold.
    v.q = InUnitTenths(v.q);
    v.gain = InUnitTenths(v.gain);
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
  r.outputs = EditBandTable(p, output, bands);
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

EditResult EditingCore::SetOutputGain(int output, double asked) {
  if (!ValidOutput(output)) return {};
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  std::vector<ClampNote> notes;
  const int db = WholeDb(asked, kChannelVolumeSliderMin, kChannelVolumeSliderMax, notes);
  EditResult r = FromOutputEdit(EditChannelGain(p, output, PartnerOf(output), db), output);
  r.notes = std::move(notes);
  r = Commit(*before, std::move(r));
  for (int ch : r.outputs) ctx_.view->LiveValueApplied(sub::kTrim, ch);
  return r;
}

EditResult EditingCore::SetMainVolume(double asked) {
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  std::vector<ClampNote> notes;
  const int db = WholeDb(asked, kMainVolumeSliderMin, kMainVolumeSliderMax, notes);
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
  // What the unit will hold (whole microseconds), so the box shows what plays.
  ms = NearestDelayStep(ms);
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
  ShowRole(output);
  for (int ch : r.outputs) ctx_.view->LiveValueApplied(sub::kTrim, ch);
  return r;
}

void EditingCore::ShowRole(int output) {
  if (output == ctx_.unit->live.currChannel) ctx_.view->LiveValueApplied(sub::kFilter, output);
  ctx_.view->LiveValueApplied(sub::kRole, output);  // every button label and speaker icon
  ctx_.UpdateEqualizer(-1);
}

EditResult EditingCore::SetLink(bool on, int copy_side) {
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  const int current = ctx_.CurrentChannel();
  EditResult r;
  const bool linkable = IsLinkable(p);
  if (on && linkable) {
    const std::vector<int> pairs = LinkOutputs(p, copy_side);
    for (std::size_t i = 1; i < pairs.size(); i += 2) r.outputs.push_back(pairs[i]);
    r.commands.push_back(LockCommand{1});
    // The partner takes the current output's gain, as the unit's copy does.
    OutputEdit gain = EditChannelGain(p, current, PartnerOf(current), p.channels[current].gain);
    for (ParameterCommand& c : gain.commands) r.commands.push_back(std::move(c));
    for (int ch : gain.outputs) {
      if (!Contains(r.outputs, ch)) r.outputs.push_back(ch);
    }
    r.commands.push_back(LinkCommand{1, pairs});
  } else if (linkable) {
    ClearLinks(p);
    p.lockMode = 0;
    r.commands = {LockCommand{0}, LinkCommand{0, {}}};
  } else {
    p.linkMode = 0;
    r.commands = {LinkCommand{0, {}}};
  }
  r = Commit(*before, std::move(r));
  ctx_.view->LiveValueApplied(sub::kLink, -1);
  if (on && linkable) {
    ctx_.view->LiveValueApplied(sub::kTrim, current);
    for (int ch : r.outputs) ctx_.view->LiveValueApplied(sub::kTrim, ch);
  }
  if (linkable) ctx_.SelectOutput(current);
  return r;
}

EditResult EditingCore::SetLock(bool on) {
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r;
  p.lockMode = on ? 1 : 0;
  if (!on && p.linkMode == 1) {
    ClearLinks(p);
    r.commands.push_back(LinkCommand{0, {}});
  }
  r.commands.push_back(LockCommand{p.lockMode});
  r = Commit(*before, std::move(r));
  ctx_.view->LiveValueApplied(sub::kLock, -1);
  if (!on) ctx_.SelectOutput(ctx_.CurrentChannel());
  return r;
}

EditResult EditingCore::SetBypass(int output, BypassStep step) {
  if (!ValidOutput(output)) return {};
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r =
      Commit(*before, FromOutputEdit(EditBypass(p, output, PartnerOf(output), step), output));
  ctx_.view->LiveValueApplied(sub::kBypass, output);
  ctx_.UpdateEqualizer(-1);
  return r;
}

EditResult EditingCore::ResetEq(int output) {
  if (!ValidOutput(output)) return {};
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r;
  r.outputs = ResetBands(p, output, PartnerOf(output));
  r.commands.push_back(BandResetCommand{p.editScene, r.outputs});
  r = Commit(*before, std::move(r));
  ctx_.view->LiveValueApplied(sub::kBandReset, output);
  ctx_.UpdateEqualizer(-1);
  return r;
}

EditResult EditingCore::SetEqMode(bool parametric) {
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  EditResult r;
  for (const BandRef& ref : model::SetEqMode(p, parametric)) {
    // A band switched off keeps playing nothing.
    const BandOnUnit band = BandAsSent(p.channels[ref.channel], ref.band);
    r.commands.push_back(
        BandCommand{kModeScene, ref.channel, ref.band, band.freq, band.q, band.gain});
    if (!Contains(r.outputs, ref.channel)) r.outputs.push_back(ref.channel);
  }
  r = Commit(*before, std::move(r));
  ctx_.view->EqModeChanged();
  ctx_.view->BandsEdited(p.currChannel, -1);
  ctx_.UpdateEqualizer(-1);
  return r;
}

EditResult EditingCore::ResetOutputs(bool defaults) {
  Profile& p = ctx_.unit->live;
  const auto before = std::make_unique<Profile>(p);
  const OutputEdit edit = model::ResetOutputs(p, defaults);
  const std::vector<int> gains = edit.outputs;
  EditResult r = Commit(*before, FromOutputEdit(edit, -1));
  for (int ch = 0; ch < kOutputChannels; ++ch) ShowRole(ch);
  for (int ch : gains) ctx_.view->LiveValueApplied(sub::kTrim, ch);
  ctx_.view->LiveValueApplied(sub::kLink, -1);
  ctx_.SelectOutput(0);
  return r;
}

}  // namespace tolva::model
