#pragma once

#include <optional>
#include <string>
#include <string_view>

// Fractional-octave smoothing: the level at f is the mean over a band of some octaves centred
// on f (on the log axis). Variable smoothing narrows the band where rooms need detail (1/48
// octave up to 100 Hz) and widens it where single dips mislead (1/3 octave from 10 kHz); the
// psychoacoustic one follows hearing (1/3 octave up to 100 Hz, 1/6 from 1 kHz) and takes the
// cubic mean, so that peaks, which are heard, weigh more than dips.
namespace tolva::measure {

struct Smoothing {
  enum class Kind { kNone, kFraction, kVariable, kPsychoacoustic };
  Kind kind = Kind::kNone;
  int denominator = 48;  // kFraction: 1/denominator octave, 1 … 48

  // The band's width at f, in octaves (0: no smoothing).
  double OctavesAt(double f) const;
  // The exponent of the mean: 2 (power) or 3 (cubic, psychoacoustic).
  int Exponent() const { return kind == Kind::kPsychoacoustic ? 3 : 2; }
  // "none", "1/N" (N in 1 … 48), "var" or "psy", as written.
  std::string Name() const;
};

// nullopt for text other than the forms Name writes.
std::optional<Smoothing> ParseSmoothing(std::string_view text);

}  // namespace tolva::measure
