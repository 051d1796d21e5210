#include "model/autotune/tune_session.h"

#include <algorithm>
#include <span>

#include "model/fitting/band_fitter.h"

namespace tolva::autotune {

SessionResult ComputeSession(const SessionInput& input, const model::Profile& profile,
                             const AutoEqOptions& options) {
  SessionResult result;
  const std::vector<double> grid = FitGrid(options);
  std::vector<OutputAtSeat> at_seat;
  std::map<int, SeatResponse> alone;
  for (const OutputMeasurements& m : input.outputs) {
    SeatResponse seat = CombinePositions(m.positions, grid, m.playing);
    const model::ChannelSettings& channel = profile.channels[m.output];
    result.fits.push_back(FitOutput(seat, channel, options));
    // The crossover check takes the output as it played; the level, as it will play with the
    // fit's bands, or the gains would undo what the bands take off or add on average.
    // The bands that will play: the fit's, or those the output holds now.
    SeatResponse as_played = CombinePositions(m.positions, grid);
    SeatResponse heard = std::move(seat);
    if (const OutputFit& fit = result.fits.back(); fit.Changed() || channel.bypass == 0) {
      const auto slots = static_cast<std::size_t>(std::clamp(channel.eqSize, 0, model::kEqBands));
      const std::vector<double> eq = model::BandsResponse(std::span(fit.bands).first(slots), grid);
      for (std::size_t i = 0; i < eq.size(); ++i) heard.db[i] += eq[i];
    }
    at_seat.push_back({m.output, m.arrival_ms, m.snr_db, std::move(heard)});
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
