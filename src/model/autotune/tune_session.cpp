#include "model/autotune/tune_session.h"

namespace tolva::autotune {

SessionResult ComputeSession(const SessionInput& input, const model::Profile& profile,
                             const AutoEqOptions& options) {
  SessionResult result;
  const std::vector<double> grid = FitGrid(options);
  std::vector<OutputAtSeat> at_seat;
  std::map<int, SeatResponse> alone;
  for (const OutputMeasurements& m : input.outputs) {
    SeatResponse seat = CombinePositions(m.positions, grid, m.playing);
    result.fits.push_back(FitOutput(seat, profile.channels[m.output], options));
    // The level and the crossover check take the output as it played.
    SeatResponse as_played = CombinePositions(m.positions, grid);
    at_seat.push_back({m.output, m.arrival_ms, m.snr_db, as_played});
    alone[m.output] = std::move(as_played);
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
