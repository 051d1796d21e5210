#pragma once

#include <array>
#include <cstddef>

// Magnitude responses of the unit's filters, for display only. Everything assumes 48000 Hz: the
// unit's real rate is never consulted. Pure functions on plain arrays; no state, no I/O.
namespace tolva::dsp {

inline constexpr double kSampleRate = 48000.0;
inline constexpr std::size_t kCurvePoints = 512;
// Power at or below this counts as silence: the section reports exactly kFloorDb.
inline constexpr double kPowerFloor = 1e-8;
inline constexpr double kFloorDb = -400.0;

struct BiquadSection {
  double b0 = 1.0, b1 = 0.0, b2 = 0.0;
  double a0 = 1.0, a1 = 0.0, a2 = 0.0;
};

enum class SectionKind { kAbsent = -1, kFirstOrder = 0, kSecondOrder = 1 };

// One designed crossover section: pole coefficient (p or beta) and the cosine of its frequency.
struct DesignedSection {
  double pole = 0.0;
  double cosine = 0.0;
  SectionKind kind = SectionKind::kAbsent;
};
// Second-order sections first, then at most one first-order section, then absent ones.
using CrossoverDesign = std::array<DesignedSection, 4>;

// grid[i] = 10^(log10(top/2)·(i+1)/(count-1)) for i < count-1; the last entry is top itself.
void BuildFrequencyGrid(double top, std::size_t count, double* grid);

// |H|² in dB of one section at every grid point; the rate is twice grid[count-2].
// A section whose power is at or below kPowerFloor gives exactly kFloorDb.
void EvaluateSectionResponse(const BiquadSection& section, const double* grid, std::size_t count,
                             double* out);

// A band whose frequency lies outside 1 … 23999 Hz, whose Q is not above 0 or whose values are
// not finite is flat: files can carry such values and they must not put NaN into a curve.
bool IsDegeneratePeakingBand(double freq, double gain_db, double q);
BiquadSection DesignPeakingBand(double rate, double freq, double gain_db, double q);
void PeakingBandResponse(double rate, double freq, double gain_db, double q, const double* grid,
                         double* out, std::size_t count);

// Filter order actually designed for a slope and type (clamped to 1 … 8).
int CrossoverOrder(int slope, int type);
CrossoverDesign DesignCrossoverSections(bool is_low_pass, double freq, int slope, int type);
BiquadSection CrossoverSectionCoefficients(const DesignedSection& section, bool is_low_pass);

// kind 1 = low-pass, anything else = high-pass. The rate is accepted and not used.
inline constexpr int kLowPassKind = 1;
inline constexpr int kHighPassKind = 2;
void CrossoverResponse(int kind, double rate, double freq, int type, int slope, std::size_t count,
                       const double* grid, double* out);

}  // namespace tolva::dsp
