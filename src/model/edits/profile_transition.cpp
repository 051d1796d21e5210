#include "model/edits/profile_transition.h"

#include <algorithm>
#include <array>
#include <optional>

#include "device/protocol/value_encoding.h"
#include "model/profile/speaker_roles.h"

namespace tolva::model {
namespace {

constexpr int kEditSource = 0;  // per-source values the edits send address source 0

std::uint8_t Low8(int v) {
  return static_cast<std::uint8_t>(v & 0xFF);
}

// The bytes a command carries for each value: two values the unit cannot tell apart are equal.
std::array<std::uint8_t, 4> FilterOnWire(const FilterSettings& f) {
  const auto fs = device::EncodeU16(f.fs);
  return {Low8(f.type), fs[0], fs[1], Low8(f.slope)};
}

std::array<std::uint8_t, 6> BandOnWire(const BandOnUnit& b) {
  const auto f = device::EncodeU16(b.freq);
  const auto q = device::EncodeQ(b.q);
  const auto g = device::EncodeGain(b.gain);
  return {f[0], f[1], q[0], q[1], g[0], g[1]};
}

std::uint8_t ListByte(const Profile& p, ChannelField field, int source, int ch) {
  const int value = ChannelFieldValue(p, field, source, ch);
  return Low8(field == ChannelField::kGain ? -value : value);
}

// What the unit may hold before the per-output values are sent: `from`, or, for outputs that
// a link with pairs makes the unit copy onto, `copied` as well.
struct Baselines {
  const Profile& from;
  std::optional<Profile> copied;

  template <class Wire>
  bool Differs(const Profile& to, Wire&& wire) const {
    const auto target = wire(to);
    return target != wire(from) || (copied && target != wire(*copied));
  }
};

// The smallest range of outputs covering every output whose value differs.
template <class Wire>
std::optional<std::pair<int, int>> ChangedRange(const Baselines& b, const Profile& to,
                                                Wire&& wire) {
  int first = -1, last = -1;
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    if (!b.Differs(to, [&](const Profile& p) { return wire(p, ch); })) continue;
    if (first < 0) first = ch;
    last = ch;
  }
  if (first < 0) return std::nullopt;
  return std::pair{first, last};
}

// The pairs a link sends: each linked pair once, the lower role first, as linking left onto
// right records them.
std::vector<int> LinkPairs(const Profile& p) {
  std::vector<int> pairs;
  for (int i = 0; i < kOutputChannels; ++i) {
    const int partner = p.linkOutputs[i];
    if (partner < 0 || partner >= kOutputChannels || partner == i) continue;
    const bool first_of_pair =
        p.outputs[i] < p.outputs[partner] || (p.outputs[i] == p.outputs[partner] && i < partner);
    if (!first_of_pair) continue;
    pairs.push_back(i);
    pairs.push_back(partner);
  }
  return pairs;
}

class TransitionBuilder {
 public:
  TransitionBuilder(const Profile& from, const Profile& to)
      : from_(from), to_(to), scene_(to.editScene), base_{from, std::nullopt} {}

  std::vector<ParameterCommand> Build() {
    const bool mute_on = to_.mainVolumeMute != 0 && from_.mainVolumeMute == 0;
    const bool quieter = to_.mainVolume < from_.mainVolume;
    if (mute_on) MainMute();
    if (quieter) MainVolume();
    // Unlocked and unlinked before the roles change, locked and linked once they have: a link's
    // pairs are copied by the unit at once, and the roles must be the target's by then.
    const bool unlocking = Low8(to_.lockMode) == 0 && Low8(from_.lockMode) != 0;
    if (unlocking) Lock();
    if (to_.linkMode == 0) Link();
    List(ChannelField::kRole, kEditSource);
    if (!unlocking) Lock();
    if (to_.linkMode != 0) Link();
    Filters();
    Bands();
    List(ChannelField::kBypass, kEditSource);
    List(ChannelField::kGain, kEditSource);
    List(ChannelField::kMute, kEditSource);
    List(ChannelField::kPhase, kEditSource);
    Delays();
    for (int source = 0; source < kInputSources; ++source) List(ChannelField::kRouting, source);
    MixTrims();
    if (Low8(device::kSourceCodeBase + to_.source) !=
        Low8(device::kSourceCodeBase + from_.source)) {
      out_.push_back(SourceCommand{to_.source});
    }
    if (!quieter) MainVolume();
    if (!mute_on) MainMute();
    return std::move(out_);
  }

 private:
  void MainVolume() {
    if (Low8(6 - to_.mainVolume) != Low8(6 - from_.mainVolume)) {
      out_.push_back(MainVolumeCommand{to_.mainVolume});
    }
  }
  void MainMute() {
    if (Low8(to_.mainVolumeMute) != Low8(from_.mainVolumeMute)) {
      out_.push_back(MainMuteCommand{to_.mainVolumeMute});
    }
  }

  void Lock() {
    if (Low8(to_.lockMode) != Low8(from_.lockMode)) out_.push_back(LockCommand{to_.lockMode});
  }

  // Partners that did not change send no link: the pairs derived from them follow the roles'
  // order, and a link with pairs makes the unit copy outputs.
  void Link() {
    const bool linked = to_.linkMode != 0;
    const bool was_linked = from_.linkMode != 0;
    if (linked == was_linked && (!linked || to_.linkOutputs == from_.linkOutputs)) return;
    LinkCommand link{linked ? 1 : 0, linked ? LinkPairs(to_) : std::vector<int>{}};
    if (!link.pairs.empty()) {
      // The unit copies the whole output at that moment: assume any of its values may follow.
      Profile copied = from_;
      for (std::size_t i = 0; i + 1 < link.pairs.size(); i += 2) {
        copied.channels[link.pairs[i + 1]] = from_.channels[link.pairs[i]];
      }
      base_.copied = copied;
    }
    out_.push_back(std::move(link));
  }

  void Filters() {
    for (int ch = 0; ch < kOutputChannels; ++ch) {
      const Crossover& x = to_.channels[ch].crossover;
      if (base_.Differs(
              to_, [&](const Profile& p) { return FilterOnWire(p.channels[ch].crossover.hp); })) {
        out_.push_back(FilterCommand{scene_, ch, kHighPassFilter, x.hp.type, x.hp.fs, x.hp.slope});
      }
      if (base_.Differs(
              to_, [&](const Profile& p) { return FilterOnWire(p.channels[ch].crossover.lp); })) {
        out_.push_back(FilterCommand{scene_, ch, kLowPassFilter, x.lp.type, x.lp.fs, x.lp.slope});
      }
    }
  }

  void Bands() {
    for (int ch = 0; ch < kOutputChannels; ++ch) {
      for (int band = 0; band < kEqBands; ++band) {
        const auto wire = [&](const Profile& p) {
          return BandOnWire(BandAsSent(p.channels[ch], band));
        };
        if (!base_.Differs(to_, wire)) continue;
        const BandOnUnit b = BandAsSent(to_.channels[ch], band);
        out_.push_back(BandCommand{scene_, ch, band, b.freq, b.q, b.gain});
      }
    }
  }

  void List(ChannelField field, int source) {
    const auto range = ChangedRange(
        base_, to_, [&](const Profile& p, int ch) { return ListByte(p, field, source, ch); });
    if (!range) return;
    ChannelListCommand command{field, scene_, source, range->first, range->second, {}};
    for (int ch = range->first; ch <= range->second; ++ch) {
      command.values.push_back(ChannelFieldValue(to_, field, source, ch));
    }
    out_.push_back(std::move(command));
  }

  void Delays() {
    const auto range = ChangedRange(base_, to_, [](const Profile& p, int ch) {
      return device::EncodeDelay(p.channels[ch].delay);
    });
    if (!range) return;
    DelayCommand command{scene_, range->first, range->second, {}};
    for (int ch = range->first; ch <= range->second; ++ch) {
      command.delays.push_back(to_.channels[ch].delay);
    }
    out_.push_back(std::move(command));
  }

  void MixTrims() {
    for (int source = 0; source < kInputSources; ++source) {
      for (int input = 0; input < kMixerInputs; ++input) {
        const auto range = ChangedRange(base_, to_, [&](const Profile& p, int ch) {
          return Low8(p.inputMixTrim[source][input][ch]);
        });
        if (!range) continue;
        MixTrimCommand command{scene_, source, input, range->first, range->second, {}};
        for (int ch = range->first; ch <= range->second; ++ch) {
          command.trims.push_back(to_.inputMixTrim[source][input][ch]);
        }
        out_.push_back(std::move(command));
      }
    }
  }

  const Profile& from_;
  const Profile& to_;
  const int scene_;
  Baselines base_;
  std::vector<ParameterCommand> out_;
};


}  // namespace

BandOnUnit BandAsSent(const ChannelSettings& c, int band) {
  if (band < 0 || band >= kEqBands) return {};
  if (band >= c.eqSize) return {kBandCentres[band], 5.8f, 0.0f};
  const EqBand& b = c.eqArray[band];
  return {b.freq, b.eqFactor, b.enable == 1 ? b.eqGain : 0.0f};
}

int ChannelFieldValue(const Profile& p, ChannelField field, int source, int ch) {
  const ChannelSettings& c = p.channels[ch];
  switch (field) {
    case ChannelField::kRole:
      return p.outputs[ch];
    case ChannelField::kGain:
      return c.gain;  // Trim_Ctrl takes the gain and sends its attenuation
    case ChannelField::kMute:
      return c.mute;
    case ChannelField::kPhase:
      return c.phase;
    case ChannelField::kBypass:
      return c.bypass;
    case ChannelField::kRouting:
      return p.inputs[source][ch];
  }
  return 0;
}

std::vector<ParameterCommand> TransitionCommands(const Profile& from, const Profile& to) {
  return TransitionBuilder(from, to).Build();
}

Profile ChangesOnlyTarget(const Profile& unit, Profile file) {
  file.editScene = 0;
  file.source = unit.source;
  file.linkMode = unit.linkMode;
  file.lockMode = unit.lockMode;
  file.linkOutputs = unit.linkOutputs;
  file.inputMixTrim = unit.inputMixTrim;
  return file;
}

}  // namespace tolva::model
