#include "model/autotune/alignment.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/autotune/passband.h"
#include "model/profile/control_ranges.h"
#include "model/profile/speaker_roles.h"

namespace tolva::autotune {
namespace {

// Below this signal-to-noise ratio the impulse's peak may be noise.
constexpr double kReliableSnrDb = 15.0;
constexpr double kMaxDelayMs = 15.0;
constexpr int kSubwooferGroup = 5;

bool Plays(const model::FilterSettings& f) { return f.bypass == 0 && f.slope > 0; }

// Mean of the response against the target in the output's passband (its middle octaves when
// it plays the whole range), at the present gain.
double PassbandLevel(const SeatResponse& seat, const model::ChannelSettings& ch,
                     const TargetCurve& target) {
  const Passband p = PassbandOf(ch.crossover);
  const double lo = std::max(p.low_hz, Plays(ch.crossover.hp) ? 0.0 : 100.0);
  const double hi = std::min(p.high_hz, Plays(ch.crossover.lp) ? 1e9 : 5000.0);
  double sum = 0.0;
  int n = 0;
  for (std::size_t i = 0; i < seat.freq.size(); ++i) {
    const double f = seat.freq[i];
    if (f < lo || f > hi || !std::isfinite(seat.db[i])) continue;
    sum += seat.db[i] - target.At(f) - CrossoverDb(ch.crossover, f);
    ++n;
  }
  return n > 0 ? sum / n : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

bool PlaysBassOnly(const model::Crossover& crossover) {
  return Plays(crossover.lp) && crossover.lp.fs <= 200;
}

Alignment AlignOutputs(const std::vector<OutputAtSeat>& outputs, const model::Profile& profile,
                       const TargetCurve& target) {
  Alignment a;
  // The sound's own travel, the present delay taken out; the latest reliable one waits for
  // none, the others wait for it.
  double latest = -std::numeric_limits<double>::infinity();
  std::vector<double> travel;
  std::vector<bool> reliable;
  for (const OutputAtSeat& o : outputs) {
    const model::ChannelSettings& ch = profile.channels[o.output];
    travel.push_back(o.arrival_ms - ch.delay);
    reliable.push_back(o.snr_db >= kReliableSnrDb && !PlaysBassOnly(ch.crossover));
    if (reliable.back()) latest = std::max(latest, travel.back());
  }
  if (!std::isfinite(latest)) {
    for (double t : travel) latest = std::max(latest, t);
  }
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    DelaySuggestion d;
    d.output = outputs[i].output;
    d.reliable = reliable[i];
    double ms = latest - travel[i];
    if (ms < 0.0) ms = 0.0;
    if (ms > kMaxDelayMs) {
      ms = kMaxDelayMs;
      d.note = "held at the unit's 15 ms";
    }
    d.delay_ms = static_cast<float>(std::round(ms * 1000.0) / 1000.0);
    if (!d.reliable) {
      d.note = outputs[i].snr_db < kReliableSnrDb
                   ? "too little signal to date the arrival"
                   : "a bass-only output: confirm with the crossover check";
    }
    a.delays.push_back(d);
  }

  // The level every output can reach at gain 0 dB; the louder ones are turned down to it.
  std::vector<double> at_zero;
  double common = std::numeric_limits<double>::infinity();
  for (const OutputAtSeat& o : outputs) {
    const model::ChannelSettings& ch = profile.channels[o.output];
    const double level = PassbandLevel(o.seat, ch, target);
    a.gains.push_back({o.output, ch.gain, level});
    at_zero.push_back(level - ch.gain);
    if (std::isfinite(level)) common = std::min(common, at_zero.back());
  }
  for (std::size_t i = 0; i < a.gains.size(); ++i) {
    if (!std::isfinite(at_zero[i]) || !std::isfinite(common)) continue;
    a.gains[i].gain_db = std::clamp(static_cast<int>(std::lround(common - at_zero[i])),
                                    model::kChannelVolumeSliderMin,
                                    model::kChannelVolumeSliderMax);
  }
  return a;
}

std::vector<CrossoverPair> CrossoverPairs(const model::Profile& profile) {
  std::vector<CrossoverPair> pairs;
  for (int lo = 0; lo < model::kOutputChannels; ++lo) {
    const model::Crossover& a = profile.channels[lo].crossover;
    if (!Plays(a.lp)) continue;
    for (int hi = 0; hi < model::kOutputChannels; ++hi) {
      const model::Crossover& b = profile.channels[hi].crossover;
      if (hi == lo || !Plays(b.hp) || b.hp.fs <= (Plays(a.hp) ? a.hp.fs : 0)) continue;
      if (std::fabs(std::log2(double(a.lp.fs) / b.hp.fs)) > 1.0) continue;
      const int ga = model::SpeakerGroup(profile.outputs[lo]);
      const int gb = model::SpeakerGroup(profile.outputs[hi]);
      const bool roles_known = profile.outputs[lo] != 0 && profile.outputs[hi] != 0;
      if (roles_known && ga != gb && ga != kSubwooferGroup && gb != kSubwooferGroup) continue;
      pairs.push_back({lo, hi, std::sqrt(double(a.lp.fs) * b.hp.fs)});
    }
  }
  return pairs;
}

CrossoverCheck CheckCrossover(const CrossoverPair& pair, const SeatResponse& low,
                              const SeatResponse& high, const SeatResponse& together) {
  CrossoverCheck c;
  c.pair = pair;
  const double edge = std::exp2(1.0 / 3.0);
  double sum = 0.0;
  int n = 0;
  for (std::size_t i = 0; i < together.freq.size(); ++i) {
    const double f = together.freq[i];
    if (f < pair.crossover_hz / edge || f > pair.crossover_hz * edge) continue;
    const double a = LevelAt(low.freq, low.db, f, false);
    const double b = LevelAt(high.freq, high.db, f, false);
    const double t = together.db[i];
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(t)) continue;
    sum += t - 10.0 * std::log10(std::pow(10.0, a / 10.0) + std::pow(10.0, b / 10.0));
    ++n;
  }
  if (n == 0) {
    c.advice = "not measured together around the crossover";
    return c;
  }
  c.together_gain_db = sum / n;
  if (c.together_gain_db >= 1.0) {
    c.verdict = CrossoverCheck::Verdict::kInPhase;
    c.advice = "they add up: polarity and delay fit";
  } else if (c.together_gain_db <= -3.0) {
    c.verdict = CrossoverCheck::Verdict::kInverted;
    c.advice = "they cancel: reverse the higher output's polarity and measure again";
  } else {
    c.verdict = CrossoverCheck::Verdict::kPhaseOff;
    c.advice = "they add only partly: move the higher output's delay in small steps and measure again";
  }
  return c;
}

}  // namespace tolva::autotune
