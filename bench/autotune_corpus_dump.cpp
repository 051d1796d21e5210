// Writes the synthetic car corpus with our cuts-only flat fit, one file a case, so that an
// optimiser of another design (bench/independent_fit.py) can be judged on the same points.
// Columns: Hz, the positions' power mean (dB), the target with the crossover, 1 beside a
// cancellation of the first position, the fitted bands' response as the unit plays them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "autotune/car_corpus.h"
#include "model/autotune/auto_eq.h"
#include "model/autotune/passband.h"
#include "model/fitting/band_fitter.h"
#include "model/fitting/peaking_conversion.h"

int main(int argc, char** argv) {
  using namespace tolva::autotune;
  if (argc < 2) {
    std::fprintf(stderr, "usage: autotune_corpus_dump DIR [POSITIONS [MAX_BOOST_DB]]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const int positions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  AutoEqOptions options;
  options.max_boost_db = argc > 3 ? std::atof(argv[3]) : 0.0;
  options.target = FlatTarget();
  for (int k = 0; k < corpus::kCases; ++k) {
    const corpus::CarCase c = corpus::MakeCase(k, positions);
    tolva::model::ChannelSettings channel;
    channel.crossover = c.crossover;
    const OutputFit fit = FitOutput(CombinePositions(c.positions, FitGrid(options)), channel, options);
    const Passband pass = PassbandOf(c.crossover);
    const std::vector<double>& freq = c.positions[0].freq;
    const std::vector<double> eq = tolva::model::BandsResponse(fit.bands, freq);
    const std::string path = dir + "/case" + std::to_string(k) + ".txt";
    FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::fprintf(f, "# %s pass %.2f %.2f bands %d judged %.2f %.2f rms %.3f max %.2f at %.0f\n",
                 c.name.c_str(), pass.low_hz, pass.high_hz, fit.bands_used, fit.low_hz, fit.high_hz,
                 fit.after.rms_db, fit.after.max_db, fit.after.worst_hz);
    for (const tolva::model::EqBand& b : fit.bands) {
      if (tolva::model::BandPlays(b)) std::fprintf(f, "# band %d Hz %.1f dB Q %.1f\n", b.freq, b.eqGain, b.eqFactor);
    }
    for (std::size_t i = 0; i < freq.size(); ++i) {
      double power = 0.0;
      for (const auto& p : c.positions) power += std::pow(10.0, p.db[i] / 10.0);
      bool near_null = false;
      for (const corpus::Null& n : c.nulls) near_null |= std::fabs(std::log2(freq[i] / n.hz)) < 0.4;
      // Left unboosted by the fit (nearest judged point), whatever the reason.
      int left_alone = 0;
      for (std::size_t k = 0; k < fit.freq.size(); ++k) {
        if (std::fabs(std::log2(fit.freq[k] / freq[i])) <= 1.0 / 48.0 && fit.mask[k] != kBoostAllowed) left_alone = 1;
      }
      std::fprintf(f, "%.4f %.5f %.5f %d %.5f %d\n", freq[i],
                   10.0 * std::log10(power / double(c.positions.size())),
                   options.target.At(freq[i]) + CrossoverDb(c.crossover, freq[i]), near_null ? 1 : 0,
                   eq[i], left_alone);
    }
    std::fclose(f);
  }
  return 0;
}
