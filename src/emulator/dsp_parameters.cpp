#include "emulator/dsp_parameters.h"

#include <algorithm>

#include "device/protocol/protocol_codes.h"

namespace tolva::emulator {
namespace {

constexpr std::size_t kMaxReplyData = 57;  // checksum lands in the report's last byte

// Entry layout of the channel-list commands: which field of an output one byte addresses.
enum class Field { kDelay, kTrim, kMute, kPhase, kMix, kRole, kBypass };

// The one-byte fields an output keeps exactly as they travel.
std::uint8_t OutputState::*RawByte(Field f) {
  switch (f) {
    case Field::kMute:
      return &OutputState::mute;
    case Field::kPhase:
      return &OutputState::phase;
    case Field::kRole:
      return &OutputState::role;
    default:
      return &OutputState::bypass;
  }
}

std::size_t EntrySize(Field f) {
  return f == Field::kDelay ? 3 : 1;
}

std::uint16_t U16(std::span<const std::uint8_t> p, std::size_t at) {
  return static_cast<std::uint16_t>(p[at] << 8 | p[at + 1]);
}

void PutU16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

bool ValidScene(std::uint8_t scene) {
  return scene <= kStoredScenes;
}

OutputState* Output(UnitState& u, std::uint8_t scene, int ch) {
  return ch < kOutputs ? &u.scenes[scene].outputs[ch] : nullptr;
}
const OutputState* Output(const UnitState& u, std::uint8_t scene, int ch) {
  return ch < kOutputs ? &u.scenes[scene].outputs[ch] : nullptr;
}

std::uint8_t* MixEntry(UnitState& u, std::uint8_t scene, std::uint8_t source, int ch) {
  return source < kSources && ch < kOutputs ? &u.scenes[scene].mix[source][ch] : nullptr;
}

void StoreDelay(OutputState& o, std::span<const std::uint8_t> e) {
  o.delay_us = e[0] * 1000u + U16(e, 1);
}

void StoreEntry(UnitState& u, Field f, std::uint8_t scene, std::uint8_t source, int ch,
                std::span<const std::uint8_t> e) {
  if (f == Field::kMix) {
    if (std::uint8_t* m = MixEntry(u, scene, source, ch)) *m = e[0];
    return;
  }
  OutputState* o = Output(u, scene, ch);
  if (!o) return;  // outputs 6 and 7 exist on the wire only
  if (f == Field::kDelay) {
    StoreDelay(*o, e);
  } else if (f == Field::kTrim) {
    // The command carries the attenuation as a positive number; the unit holds the gain.
    o->trim_db = static_cast<std::int8_t>(-static_cast<int>(e[0]));
  } else {
    o->*RawByte(f) = e[0];
  }
}

void AppendEntry(const UnitState& u, Field f, std::uint8_t scene, std::uint8_t source, int ch,
                 std::vector<std::uint8_t>& out) {
  const OutputState* o = Output(u, scene, ch);
  if (f == Field::kDelay) {
    const std::uint32_t us = o ? o->delay_us : 0;
    const std::uint32_t ms = std::min<std::uint32_t>(us / 1000, 255);
    out.push_back(static_cast<std::uint8_t>(ms));
    PutU16(out, us - ms * 1000);
    return;
  }
  std::uint8_t v = 0;
  if (f == Field::kMix) {
    if (source < kSources && ch < kOutputs) v = u.scenes[scene].mix[source][ch];
  } else if (o) {
    v = f == Field::kTrim ? static_cast<std::uint8_t>(o->trim_db) : o->*RawByte(f);
  }
  out.push_back(v);
}

std::optional<Field> ListField(std::uint8_t sub) {
  switch (sub) {
    case device::dsp_sub::kDelay:
      return Field::kDelay;
    case device::dsp_sub::kTrim:
      return Field::kTrim;
    case device::dsp_sub::kChannelMute:
      return Field::kMute;
    case device::dsp_sub::kPhase:
      return Field::kPhase;
    case device::dsp_sub::kMix:
      return Field::kMix;
    case device::dsp_sub::kRole:
      return Field::kRole;
    case device::dsp_sub::kBypass:
      return Field::kBypass;
    default:
      return std::nullopt;
  }
}

// Entries in an inclusive range lo..hi, none when hi < lo.
int RangeCount(std::uint8_t lo, std::uint8_t hi) {
  return hi < lo ? 0 : hi - lo + 1;
}

// How many entries of `size` bytes fit after a head of `head` bytes, cutting hi to match.
std::uint8_t FitRange(std::uint8_t lo, std::uint8_t hi, std::size_t head, std::size_t size) {
  const int fit = static_cast<int>((kMaxReplyData - head) / size);
  return RangeCount(lo, hi) > fit ? static_cast<std::uint8_t>(lo + fit - 1) : hi;
}

SetResult SetChannelList(UnitState& u, Field f, std::span<const std::uint8_t> p) {
  if (p.size() < 4 || !ValidScene(p[0])) return SetResult::kRejected;
  const std::size_t size = EntrySize(f);
  const int n = RangeCount(p[2], p[3]);
  if (p.size() < 4 + n * size) return SetResult::kRejected;
  for (int i = 0; i < n; ++i) StoreEntry(u, f, p[0], p[1], p[2] + i, p.subspan(4 + i * size, size));
  return SetResult::kApplied;
}

SetResult SetFilter(UnitState& u, std::span<const std::uint8_t> p) {
  // scene, source, ch, filter (1 low-pass, 2 high-pass), type, freq (2), slope
  if (p.size() < 8 || !ValidScene(p[0]) || (p[3] != 1 && p[3] != 2)) return SetResult::kRejected;
  if (OutputState* o = Output(u, p[0], p[2])) {
    FilterState& f = p[3] == 1 ? o->lp : o->hp;
    f = FilterState{p[4], U16(p, 5), p[7]};
  }
  return SetResult::kApplied;
}

SetResult SetEq(UnitState& u, std::span<const std::uint8_t> p) {
  // scene, source, ch, band, freq (2), Q (whole, tenths), gain + 18 (whole, signed tenths)
  if (p.size() < 10 || !ValidScene(p[0])) return SetResult::kRejected;
  OutputState* o = Output(u, p[0], p[2]);
  if (o && p[3] < kBands) {
    BandState& b = o->bands[p[3]];
    b.freq = U16(p, 4);
    b.q_hundredths = static_cast<std::uint16_t>(p[6] * 100 + p[7] * 10);
    b.gain_tenths = static_cast<std::int16_t>(p[8] * 10 + static_cast<std::int8_t>(p[9]));
  }
  return SetResult::kApplied;
}

SetResult SetLink(UnitState& u, std::span<const std::uint8_t> p) {
  // scene, link, count, then count (from, to) pairs; the reply has room for four pairs
  if (p.size() < 3 || !ValidScene(p[0]) || p.size() < 3 + 2u * p[2]) return SetResult::kRejected;
  SceneState& s = u.scenes[p[0]];
  s.link = p[1];
  s.link_data.fill(0);
  std::copy_n(p.begin() + 3, std::min<std::size_t>(2u * p[2], kLinkDataSize), s.link_data.begin());
  // Each pair's first output is copied onto the second: EQ, crossovers, bypass and trim.
  for (int i = 0; i < p[2]; ++i) {
    const int from = p[3 + 2 * i], to = p[4 + 2 * i];
    if (from >= kOutputs || to >= kOutputs || from == to) continue;
    const OutputState& a = s.outputs[from];
    OutputState& b = s.outputs[to];
    b.bands = a.bands;
    b.hp = a.hp;
    b.lp = a.lp;
    b.bypass = a.bypass;
    b.trim_db = a.trim_db;
  }
  return SetResult::kApplied;
}

SetResult SetPeqReset(UnitState& u, std::span<const std::uint8_t> p) {
  // scene, source, count, channels
  if (p.size() < 3 || !ValidScene(p[0]) || p.size() < 3u + p[2]) return SetResult::kRejected;
  for (int i = 0; i < p[2]; ++i) {
    if (OutputState* o = Output(u, p[0], p[3 + i])) ResetBands(*o);
  }
  return SetResult::kApplied;
}

SetResult SetInputMixTrim(UnitState& u, std::span<const std::uint8_t> p) {
  // scene, source, in_ch, out_ch_x, out_ch_y, one trim per output
  if (p.size() < 5 || !ValidScene(p[0])) return SetResult::kRejected;
  const int n = RangeCount(p[3], p[4]);
  if (p.size() < 5u + n) return SetResult::kRejected;
  if (p[1] >= kSources || p[2] >= kMixerInputs) return SetResult::kApplied;
  for (int i = 0; i < n; ++i) {
    const int out = p[3] + i;
    if (out < kOutputs) u.scenes[p[0]].mix_trim[p[1]][p[2]][out] = p[5 + i];
  }
  return SetResult::kApplied;
}

std::optional<std::vector<std::uint8_t>> GetChannelList(const UnitState& u, Field f,
                                                        std::span<const std::uint8_t> p) {
  if (p.size() < 4 || !ValidScene(p[0])) return std::nullopt;
  const std::uint8_t hi = FitRange(p[2], p[3], 4, EntrySize(f));
  std::vector<std::uint8_t> out{p[0], p[1], p[2], hi};
  for (int i = 0; i < RangeCount(p[2], hi); ++i) AppendEntry(u, f, p[0], p[1], p[2] + i, out);
  return out;
}

std::optional<std::vector<std::uint8_t>> GetFilter(const UnitState& u,
                                                   std::span<const std::uint8_t> p) {
  if (p.size() < 4 || !ValidScene(p[0])) return std::nullopt;
  const std::uint8_t hi = FitRange(p[2], p[3], 4, 8);
  std::vector<std::uint8_t> out{p[0], p[1], p[2], hi};
  for (int i = 0; i < RangeCount(p[2], hi); ++i) {
    const OutputState* o = Output(u, p[0], p[2] + i);
    const FilterState none{0, 0, 0};
    for (const FilterState* f : {o ? &o->hp : &none, o ? &o->lp : &none}) {
      out.push_back(f->type);
      PutU16(out, f->freq);
      out.push_back(f->slope);
    }
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> GetEq(const UnitState& u,
                                               std::span<const std::uint8_t> p) {
  if (p.size() < 5 || !ValidScene(p[0])) return std::nullopt;
  const std::uint8_t hi = FitRange(p[3], p[4], 5, 6);
  std::vector<std::uint8_t> out{p[0], p[1], p[2], p[3], hi};
  const OutputState* o = Output(u, p[0], p[2]);
  for (int i = 0; i < RangeCount(p[3], hi); ++i) {
    const int band = p[3] + i;
    const BandState b = o && band < kBands ? o->bands[band] : BandState{0, 0, 0};
    PutU16(out, b.freq);
    // Q goes back as whole and hundredths, the gain as whole and tenths of (gain + 18).
    out.push_back(static_cast<std::uint8_t>(b.q_hundredths / 100));
    out.push_back(static_cast<std::uint8_t>(b.q_hundredths % 100));
    out.push_back(static_cast<std::uint8_t>(b.gain_tenths / 10));
    out.push_back(static_cast<std::uint8_t>(b.gain_tenths % 10));
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> GetInputMixTrim(const UnitState& u,
                                                         std::span<const std::uint8_t> p) {
  if (p.size() < 5 || !ValidScene(p[0])) return std::nullopt;
  const std::uint8_t hi = FitRange(p[3], p[4], 5, 1);
  std::vector<std::uint8_t> out{p[0], p[1], p[2], p[3], hi};
  for (int i = 0; i < RangeCount(p[3], hi); ++i) {
    const int o = p[3] + i;
    const bool held = p[1] < kSources && p[2] < kMixerInputs && o < kOutputs;
    out.push_back(held ? u.scenes[p[0]].mix_trim[p[1]][p[2]][o] : 0);
  }
  return out;
}

}  // namespace

bool KnowsDspRequest(std::uint8_t sub) {
  switch (sub) {
    case device::dsp_sub::kSourceTable:
    case device::dsp_sub::kSource:
    case device::dsp_sub::kMainVolume:
    case device::dsp_sub::kSubwooferVolume:
    case device::dsp_sub::kMainMute:
    case device::dsp_sub::kFilter:
    case device::dsp_sub::kBand:
    case device::dsp_sub::kLink:
    case device::dsp_sub::kLock:
    case device::dsp_sub::kInputMixTrim:
    case device::dsp_sub::kInputThreshold:
      return true;
    default:
      return ListField(sub).has_value();
  }
}

SetResult ApplyDspSet(UnitState& u, std::uint8_t sub, std::span<const std::uint8_t> p) {
  if (const auto field = ListField(sub)) return SetChannelList(u, *field, p);
  switch (sub) {
    case device::dsp_sub::kSource:
      if (p.empty() || p[0] < kFirstSourceCode || p[0] >= kFirstSourceCode + kSources)
        return SetResult::kRejected;
      u.source_code = p[0];
      return SetResult::kApplied;
    case device::dsp_sub::kMainVolume:
      if (p.empty()) return SetResult::kRejected;
      u.main_volume_db = static_cast<std::int8_t>(6 - p[0]);  // sent as 6 - volume
      return SetResult::kApplied;
    case device::dsp_sub::kSubwooferVolume:
      // FIXME: no program of ours sets the subwoofer volume; taken as the signed byte it reads as.
      if (p.empty()) return SetResult::kRejected;
      u.sub_volume = static_cast<std::int8_t>(p[0]);
      return SetResult::kApplied;
    case device::dsp_sub::kMainMute:
      if (p.empty()) return SetResult::kRejected;
      u.main_mute = p[0];
      return SetResult::kApplied;
    case device::dsp_sub::kFilter:
      return SetFilter(u, p);
    case device::dsp_sub::kBand:
      return SetEq(u, p);
    case device::dsp_sub::kLink:
      return SetLink(u, p);
    case device::dsp_sub::kLock:
      if (p.size() < 2 || !ValidScene(p[0])) return SetResult::kRejected;
      u.scenes[p[0]].lock = p[1];
      return SetResult::kApplied;
    case device::dsp_sub::kBandReset:
      return SetPeqReset(u, p);
    case device::dsp_sub::kInputMixTrim:
      return SetInputMixTrim(u, p);
    case device::dsp_sub::kInputThreshold:
      if (p.empty()) return SetResult::kRejected;
      u.input_threshold_db = static_cast<std::int8_t>(p[0]);
      return SetResult::kApplied;
    default:
      return SetResult::kIgnored;
  }
}

std::optional<std::vector<std::uint8_t>> AnswerDspGet(const UnitState& u, std::uint8_t sub,
                                                      std::span<const std::uint8_t> p) {
  if (const auto field = ListField(sub)) return GetChannelList(u, *field, p);
  using Bytes = std::vector<std::uint8_t>;
  switch (sub) {
    case device::dsp_sub::kSourceTable: {
      Bytes out{kSources};
      for (int i = 0; i < kSources; ++i)
        out.push_back(static_cast<std::uint8_t>(kFirstSourceCode + i));
      return out;
    }
    case device::dsp_sub::kSource:
      return Bytes{u.source_code};
    case device::dsp_sub::kMainVolume:
      return Bytes{static_cast<std::uint8_t>(u.main_volume_db)};
    case device::dsp_sub::kSubwooferVolume:
      return Bytes{static_cast<std::uint8_t>(u.sub_volume)};
    case device::dsp_sub::kMainMute:
      return Bytes{u.main_mute};
    case device::dsp_sub::kFilter:
      return GetFilter(u, p);
    case device::dsp_sub::kBand:
      return GetEq(u, p);
    case device::dsp_sub::kLink: {
      if (p.empty() || !ValidScene(p[0])) return std::nullopt;
      const SceneState& s = u.scenes[p[0]];
      Bytes out{p[0], s.link};
      out.insert(out.end(), s.link_data.begin(), s.link_data.end());
      return out;
    }
    case device::dsp_sub::kLock:
      if (p.empty() || !ValidScene(p[0])) return std::nullopt;
      return Bytes{p[0], u.scenes[p[0]].lock};
    case device::dsp_sub::kInputMixTrim:
      return GetInputMixTrim(u, p);
    case device::dsp_sub::kInputThreshold:
      return Bytes{static_cast<std::uint8_t>(u.input_threshold_db)};
    default:
      return std::nullopt;
  }
}

}  // namespace tolva::emulator
