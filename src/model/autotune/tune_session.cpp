#include "model/autotune/tune_session.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "model/fitting/band_fitter.h"

namespace tolva::autotune {
namespace {

// Linked outputs play one band table: it is fitted to both sides' positions, each without the
// bands it played and the partner brought to the output's level, so that the table follows
// their common shape and the level difference is left to the gains.
OutputFit JointFit(const OutputMeasurements& a, const OutputMeasurements& b,
                   const model::ChannelSettings& channel, const AutoEqOptions& options) {
  const std::vector<double> grid = FitGrid(options);
  const SeatResponse seat_a = CombinePositions(a.positions, grid, a.playing);
  const SeatResponse seat_b = CombinePositions(b.positions, grid, b.playing);
  double offset = PassbandMean(grid, seat_b.db, channel.crossover) -
                  PassbandMean(grid, seat_a.db, channel.crossover);
  if (!std::isfinite(offset)) offset = 0.0;
  std::vector<measure::Response> positions;
  for (const OutputMeasurements* m : {&a, &b}) {
    for (measure::Response r : m->positions) {
      const std::vector<double> bands = model::BandsResponse(m->playing, r.freq);
      const double shift = m == &b ? offset : 0.0;
      for (std::size_t i = 0; i < r.db.size(); ++i) r.db[i] -= bands[i] + shift;
      positions.push_back(std::move(r));
    }
  }
  return FitOutput(CombinePositions(positions, grid), channel, options);
}

}  // namespace

SessionResult ComputeSession(const SessionInput& input, const model::Profile& profile,
                             const AutoEqOptions& options) {
  SessionResult result;
  const std::vector<double> grid = FitGrid(options);
  std::vector<SeatResponse> seats;  // each output without the bands it played
  for (const OutputMeasurements& m : input.outputs) {
    seats.push_back(CombinePositions(m.positions, grid, m.playing));
    result.fits.push_back(FitOutput(seats.back(), profile.channels[m.output], options));
  }
  const auto index_of = [&](int output) {
    const auto it = std::find_if(input.outputs.begin(), input.outputs.end(),
                                 [&](const OutputMeasurements& m) { return m.output == output; });
    return static_cast<std::size_t>(it - input.outputs.begin());
  };
  for (const auto& [low, high] : input.linked) {
    const std::size_t a = index_of(low), b = index_of(high);
    if (a == input.outputs.size() || b == input.outputs.size()) continue;
    result.fits[a] = result.fits[b] =
        JointFit(input.outputs[a], input.outputs[b], profile.channels[low], options);
  }

  std::vector<OutputAtSeat> at_seat;
  std::map<int, SeatResponse> alone;
  for (std::size_t k = 0; k < input.outputs.size(); ++k) {
    const OutputMeasurements& m = input.outputs[k];
    const model::ChannelSettings& channel = profile.channels[m.output];
    // The crossover check takes the output as it played; the level, as it will play with the
    // bands it is to have (the fit's, or those it holds now), or the gains would undo what the
    // bands take off or add on average.
    SeatResponse heard = std::move(seats[k]);
    if (const OutputFit& fit = result.fits[k]; fit.Changed() || channel.bypass == 0) {
      const auto slots = static_cast<std::size_t>(std::clamp(channel.eqSize, 0, model::kEqBands));
      const std::vector<double> eq = model::BandsResponse(std::span(fit.bands).first(slots), grid);
      for (std::size_t i = 0; i < eq.size(); ++i) heard.db[i] += eq[i];
    }
    at_seat.push_back({m.output, m.arrival_ms, m.snr_db, std::move(heard)});
    alone[m.output] = CombinePositions(m.positions, grid);
  }
  result.alignment = AlignOutputs(at_seat, profile, options.target);
  for (const CrossoverPair& pair : CrossoverPairs(profile)) {
    const auto low = alone.find(pair.low_output);
    const auto high = alone.find(pair.high_output);
    const auto both = input.together.find({pair.low_output, pair.high_output});
    if (low == alone.end() || high == alone.end() || both == input.together.end()) {
      CrossoverCheck c;
      c.pair = pair;
      c.advice = "measure the two together to check this crossover";
      result.crossovers.push_back(c);
      continue;
    }
    result.crossovers.push_back(CheckCrossover(pair, low->second, high->second,
                                               CombinePositions(both->second, grid)));
  }
  return result;
}

}  // namespace tolva::autotune
