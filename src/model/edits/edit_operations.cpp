#include "model/edits/edit_operations.h"

#include <algorithm>
#include <cmath>

#include "model/edits/edit_rules.h"
#include "model/profile/output_links.h"
#include "model/profile/speaker_roles.h"

namespace tolva::model {
namespace {

constexpr float kGainEpsilon = 0.001f;
constexpr float kSameValue = 0.01f;
constexpr float kFlatQ = 5.8f;

void ClearAudibleBands(Profile& p, int channel, std::vector<BandSend>& cleared) {
  ChannelSettings& ch = p.channels[channel];
  for (int b = 0; b < std::min(ch.eqSize, kEqBands); ++b) {
    EqBand& band = ch.eqArray[b];
    if (std::fabs(band.eqGain) <= kGainEpsilon) continue;
    band.eqGain = 0.0f;
    band.enable = 1;
    cleared.push_back({channel, b, band.freq, band.eqFactor, 0.0f});
  }
}

FilterSettings& FilterOf(Profile& p, int channel, bool high_pass) {
  Crossover& x = p.channels[channel].crossover;
  return high_pass ? x.hp : x.lp;
}

// Stores on channel and partner with the store rule; bpType follows the slopes.
template <class Store>
void StoreOnBoth(Profile& p, int channel, int partner, bool high_pass, Store&& store) {
  for (int target : {channel, partner}) {
    if (target < 0) continue;
    store(FilterOf(p, target, high_pass));
    Crossover& x = p.channels[target].crossover;
    x = MakeCrossover(x.hp, x.lp);
  }
}

}  // namespace

BandEditResult EditBand(Profile& p, int channel, int partner, int band, const BandValues& v,
                        BandSource source) {
  BandEditResult r;
  ChannelSettings& ch = p.channels[channel];
  if (band < 0 || band >= kEqBands || band >= ch.eqSize) return r;
  EqBand& b = ch.eqArray[band];
  const auto same = [&](float shown_gain) {
    return v.freq == b.freq && std::fabs(v.q - b.eqFactor) < kSameValue &&
           std::fabs(v.gain - shown_gain) < kSameValue;
  };
  if (source == BandSource::kGraph && same(GraphGain(ch, band))) return r;
  if (ch.bypass == 1) {
    ClearAudibleBands(p, channel, r.cleared);
    if (partner >= 0) ClearAudibleBands(p, partner, r.cleared);
  }
  if (source == BandSource::kEdit && same(b.eqGain) && b.enable == 1) return r;
  const auto store = [&](EqBand& target) {
    target.freq = v.freq;
    target.eqFactor = v.q;
    target.eqGain = v.gain;
    target.enable = 1;
  };
  store(b);
  // A partner with fewer bands has no such band: nothing is stored or sent for it.
  if (partner >= 0 && band < p.channels[partner].eqSize) {
    r.band_partner = partner;
    store(p.channels[partner].eqArray[band]);
  }
  r.stored = true;
  r.audible = source == BandSource::kGraph ? v.gain != 0.0f : std::fabs(v.gain) > kGainEpsilon;
  r.flat = !r.audible && IsFlat(ch);
  const int bypass = r.flat ? 1 : 0;
  for (int target : {channel, partner}) {
    if (target < 0) continue;
    if (p.channels[target].bypass != bypass) r.bypass_changed.push_back(target);
    p.channels[target].bypass = bypass;
  }
  return r;
}

int EditCornerFromText(Profile& p, int channel, int partner, bool high_pass, int fs) {
  const Crossover& x = p.channels[channel].crossover;
  if (high_pass && fs > x.lp.fs) {
    fs = x.lp.fs;
  } else if (!high_pass && fs < x.hp.fs) {
    fs = x.hp.fs;
  } else {
    fs = std::clamp(fs, kMinFrequency, kMaxFrequency);
  }
  StoreOnBoth(p, channel, partner, high_pass, [fs](FilterSettings& f) { f.StoreFs(fs); });
  return fs;
}

bool EditCornerFromGraph(Profile& p, int channel, int partner, bool high_pass, int fs) {
  if (fs == FilterOf(p, channel, high_pass).fs) return false;  // a drag that ended where it began
  StoreOnBoth(p, channel, partner, high_pass, [fs](FilterSettings& f) { f.StoreFs(fs); });
  return true;
}

bool EditFilterCode(Profile& p, int channel, int partner, bool high_pass, bool slope, int code) {
  const FilterSettings& current = FilterOf(p, channel, high_pass);
  if ((slope ? current.slope : current.type) == code) return false;
  StoreOnBoth(p, channel, partner, high_pass, [&](FilterSettings& f) {
    if (slope) {
      f.StoreSlope(std::min(code, kMaxSlope));
    } else {
      f.StoreType(code);
    }
    // Linkwitz-Riley has even orders only and plays an odd one as the next: it is stored as it
    // plays.
    if (f.type == kLinkwitzRiley && f.slope % 2 == 1) f.StoreSlope(std::min(f.slope + 1, kMaxSlope));
  });
  return true;
}

std::vector<int> PairedSubwooferOutputs(const Profile& p, int channel) {
  std::vector<int> paired;
  const int own = p.outputs[channel];
  const int role = own == kLeftSubwooferRole    ? kRightSubwooferRole
                   : own == kRightSubwooferRole ? kLeftSubwooferRole
                                            : 0;
  if (role == 0) return paired;
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    if (ch != channel && p.outputs[ch] == role) paired.push_back(ch);
  }
  return paired;
}

std::vector<BandRef> SetEqMode(Profile& p, bool peq) {
  p.peqMode = peq ? 1 : 0;
  std::vector<BandRef> reset;
  if (peq) return reset;  // the parametric mode keeps every Q: it may hold a tune
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    // Every band, also those beyond eqSize: a later eqSize must not bring back an old Q.
    for (int b = 0; b < kEqBands; ++b) {
      EqBand& band = p.channels[ch].eqArray[b];
      if (band.eqFactor >= 5.79f && band.eqFactor <= 5.81f) continue;
      band.eqFactor = kFlatQ;
      reset.push_back({ch, b});
    }
  }
  return reset;
}

std::vector<int> ResetBands(Profile& p, int channel, int partner) {
  std::vector<int> channels{channel};
  if (partner >= 0) channels.push_back(partner);
  for (int target : channels) {
    ChannelSettings& ch = p.channels[target];
    for (int b = 0; b < std::min(ch.eqSize, kEqBands); ++b) {
      ch.eqArray[b] = EqBand{};
      ch.eqArray[b].freq = kBandCentres[b];
      ch.eqArray[b].eqFactor = kFlatQ;
    }
  }
  return channels;
}

std::vector<int> EditBandTable(Profile& p, int channel, const std::array<EqBand, kEqBands>& bands) {
  std::vector<int> changed;
  if (channel < 0 || channel >= kOutputChannels) return changed;
  // Stored as the unit holds them, so the screen and the files show what plays.
  std::array<EqBand, kEqBands> held = bands;
  for (EqBand& b : held) {
    b.eqFactor = InUnitTenths(b.eqFactor);
    b.eqGain = InUnitTenths(b.eqGain);
  }
  for (int target : {channel, LinkedPartner(p, channel)}) {
    if (target < 0) continue;
    ChannelSettings& ch = p.channels[target];
    const ChannelSettings was = ch;
    std::copy_n(held.begin(), std::min(ch.eqSize, kEqBands), ch.eqArray.begin());
    ch.bypass = 0;
    if (!(ch == was)) changed.push_back(target);
  }
  return changed;
}

void CopyChannel(Profile& p, int from, int to) {
  if (from < 0 || from >= kOutputChannels || to < 0 || to >= kOutputChannels) return;
  const ChannelSettings& src = p.channels[from];
  ChannelSettings& dst = p.channels[to];
  for (int b = 0; b < std::min(dst.eqSize, kEqBands); ++b) {
    EqBand& d = dst.eqArray[b];
    const EqBand& s = src.eqArray[b];
    d.eqGain = s.eqGain;
    d.eqFactor = s.eqFactor;
    d.freq = s.freq;
    d.enable = s.enable;
  }
  Crossover& x = dst.crossover;
  x.hp.StoreType(src.crossover.hp.type);
  x.lp.StoreType(src.crossover.lp.type);
  x.hp.StoreFs(src.crossover.hp.fs);
  x.lp.StoreFs(src.crossover.lp.fs);
  x.hp.StoreSlope(src.crossover.hp.slope);
  x.lp.StoreSlope(src.crossover.lp.slope);
  x.bpType = MakeCrossover(x.hp, x.lp).bpType;
  dst.bypass = src.bypass;
  dst.gain = src.gain;
}

std::vector<int> LinkOutputs(Profile& p, int choice) {
  p.linkMode = 1;
  p.lockMode = 1;
  RecomputeLinkOutputs(p);
  std::vector<int> pairs;
  for (int i = 0; i < kOutputChannels; ++i) {
    const int partner = p.linkOutputs[i];
    if (partner < 0) continue;
    const bool left_onto_right = choice == 1 && p.outputs[i] < p.outputs[partner];
    const bool right_onto_left = choice != 1 && p.outputs[partner] < p.outputs[i];
    if (!left_onto_right && !right_onto_left) continue;
    CopyChannel(p, i, partner);
    pairs.push_back(i);
    pairs.push_back(partner);
  }
  return pairs;
}

}  // namespace tolva::model
