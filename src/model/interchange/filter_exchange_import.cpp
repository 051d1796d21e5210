#include "model/interchange/filter_exchange_import.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

#include "model/profile/control_ranges.h"
#include "model/edits/edit_rules.h"
#include "model/fitting/band_fitter.h"
#include "model/fitting/cookbook_filters.h"
#include "model/fitting/peaking_conversion.h"

namespace tolva::model {
namespace {

// The grid the import is judged on: what the ear and the graph cover, 1/48 octave.
constexpr int kPointsPerOctave = 48;
// A converted Q this close to the unit's range still rounds into it.
constexpr double kQSlack = 0.05;

std::string Fmt(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// A message about filter line f, naming it: "line 4 (PK 1000 Hz): …".
TextProblem About(const FilterLine& f, const char* key, std::vector<std::string> values = {}) {
  std::string subject = f.type == "GRAPHICEQ" ? "GraphicEQ" : f.type;
  if (f.fc) subject += " " + Fmt("%g", *f.fc) + " Hz";
  return {f.line, key, std::move(values), subject};
}

bool IsPeaking(const std::string& type) {
  return type == "PK" || type == "PEQ";
}

// A peaking line as the band that plays it, and whether a band holds it as written.
struct Candidate {
  const FilterLine* line = nullptr;
  double fc = 1000.0, gain = 0.0, unit_q = 1.0, area = 0.0;
  std::vector<TextProblem> beyond;  // what a band cannot hold as written
  EqBand Band() const {
    return {NearestGainStep(gain, kBandGainMaxDb), NearestQStep(unit_q), NearestFrequencyStep(fc), 1};
  }
};

Candidate CandidateOf(const FilterLine& f, double cookbook_q) {
  Candidate c;
  c.line = &f;
  c.fc = *f.fc;
  c.gain = f.gain.value_or(0.0);
  c.unit_q = UnitQFromCookbookQ(c.fc, c.gain, cookbook_q);
  c.area = std::fabs(c.gain) / cookbook_q;  // the louder and wider, the more it matters
  if (c.fc < kMinFrequency || c.fc > kMaxFrequency) {
    c.beyond.push_back(About(f, "${import_fc_range}", {Fmt("%g", c.fc)}));
  }
  if (!(c.unit_q >= kMinQ - kQSlack && c.unit_q <= kMaxQ + kQSlack)) {
    c.beyond.push_back(
        About(f, "${import_unit_q_range}", {Fmt("%g", cookbook_q), Fmt("%.2f", c.unit_q)}));
  }
  if (c.gain < kBandGainMinDb || c.gain > kBandGainMaxDb) {
    c.beyond.push_back(About(f, "${import_gain_range}", {Fmt("%g", c.gain)}));
  }
  return c;
}

// The file's bands onto the output's slots: a slot already playing a band keeps it, the others
// go into slots that played something (they change anyway), then into flat ones; what is left
// playing is made flat. So only what differs reaches the unit.
std::array<EqBand, kEqBands> Place(const std::vector<Candidate>& held, const ChannelSettings& ch,
                                   int capacity) {
  std::array<EqBand, kEqBands> table = ch.eqArray;
  std::array<bool, kEqBands> claimed{};
  std::vector<EqBand> unmatched;
  for (const Candidate& c : held) {
    const EqBand band = c.Band();
    bool found = false;
    for (int s = 0; s < capacity && !found; ++s) {
      if (!claimed[s] && BandPlays(table[s]) && SameOnTheWire(band, table[s])) {
        claimed[s] = found = true;
      }
    }
    if (!found) unmatched.push_back(band);
  }
  std::vector<int> order;
  for (const bool playing : {true, false}) {
    for (int s = 0; s < capacity; ++s) {
      if (!claimed[s] && BandPlays(table[s]) == playing) order.push_back(s);
    }
  }
  std::size_t next = 0;
  for (const EqBand& band : unmatched) {
    const int s = order[next++];
    table[s] = band;
    claimed[s] = true;
  }
  for (int s = 0; s < capacity; ++s) {
    if (!claimed[s] && BandPlays(table[s])) table[s].eqGain = 0.0f;
  }
  return table;
}

TextProblem LeftOut(const FilterLine& f) {
  if (f.type == "IIR") return About(f, "${import_iir}");
  if (IsPeaking(f.type) && !CookbookQOf(f)) return About(f, "${import_no_q}");
  if (IsPeaking(f.type)) return About(f, "${import_fc_range}", {Fmt("%g", f.fc.value_or(0.0))});
  return About(f, "${import_unknown_type}");
}

struct Deviation {
  double largest = 0.0, at_hz = 0.0, rms = 0.0;
};
Deviation DeviationOf(const std::vector<double>& freq, const std::vector<double>& file,
                      const std::vector<double>& result) {
  Deviation d;
  double squares = 0.0;
  for (std::size_t i = 0; i < freq.size(); ++i) {
    const double e = std::fabs(result[i] - file[i]);
    squares += e * e;
    if (e > d.largest) {
      d.largest = e;
      d.at_hz = freq[i];
    }
  }
  d.rms = freq.empty() ? 0.0 : std::sqrt(squares / double(freq.size()));
  return d;
}

// One-to-one filters within this of the file are taken as written, each rounded to its step.
constexpr double kExactEnoughDb = 0.1;

}  // namespace

FilterImportPlan PlanFilterImport(const ChannelFilters& filters, const ChannelSettings& channel,
                                  const FilterImportOptions& options) {
  FilterImportPlan plan;
  plan.bands = channel.eqArray;
  plan.limit_db = options.max_deviation_db;
  if (const auto preamp = filters.Preamp()) {
    plan.notes.push_back({0, "${import_preamp_note}", {Fmt("%g", *preamp)}});
  }
  for (const TextCommand& c : filters.commands) {
    if (!c.note.empty()) plan.notes.push_back(c.note);
  }

  plan.freq = LogFrequencyGrid(kMinFrequency, kMaxFrequency, kPointsPerOctave);
  plan.file_db.assign(plan.freq.size(), 0.0);
  std::vector<Candidate> peaking;
  for (const FilterLine& f : filters.filters) {
    if (!f.on) {
      plan.notes.push_back({f.line, "${import_off}", {}});
      continue;
    }
    const auto response = CookbookResponse(f, plan.freq);
    if (!response) {
      plan.left_out.push_back(LeftOut(f));
      continue;
    }
    for (std::size_t i = 0; i < plan.freq.size(); ++i) plan.file_db[i] += (*response)[i];
    if (IsPeaking(f.type)) {
      peaking.push_back(CandidateOf(f, *CookbookQOf(f)));
    } else {
      plan.reproduced.push_back(
          About(f, f.type == "GRAPHICEQ" ? "${import_graphic_eq}" : "${import_not_peaking}"));
    }
  }

  // More filters than bands: the fit starts from those that matter most.
  const int capacity = std::clamp(channel.eqSize, 0, kEqBands);
  std::stable_sort(peaking.begin(), peaking.end(),
                   [](const Candidate& a, const Candidate& b) { return a.area > b.area; });
  for (std::size_t i = static_cast<std::size_t>(capacity); i < peaking.size(); ++i) {
    plan.reproduced.push_back(
        About(*peaking[i].line, "${import_too_many}", {std::to_string(capacity)}));
  }
  if (peaking.size() > static_cast<std::size_t>(capacity)) peaking.resize(capacity);
  std::stable_sort(peaking.begin(), peaking.end(),
                   [](const Candidate& a, const Candidate& b) { return a.fc < b.fc; });
  for (const Candidate& c : peaking) {
    if (c.beyond.empty()) ++plan.held;
    plan.reproduced.insert(plan.reproduced.end(), c.beyond.begin(), c.beyond.end());
  }
  std::stable_sort(plan.reproduced.begin(), plan.reproduced.end(),
                   [](const TextProblem& a, const TextProblem& b) { return a.line < b.line; });

  const std::span<const EqBand> current(channel.eqArray.data(), static_cast<std::size_t>(capacity));
  if (capacity > 0) {
    std::array<EqBand, kEqBands> start = Place(peaking, channel, capacity);
    const std::span<const EqBand> placed(start.data(), static_cast<std::size_t>(capacity));
    const bool one_to_one = plan.reproduced.empty() && plan.left_out.empty();
    if (!one_to_one ||
        DeviationOf(plan.freq, plan.file_db, BandsResponse(placed, plan.freq)).largest >
            kExactEnoughDb) {
      const FitResult fit = FitBands({plan.freq, plan.file_db, {}, {}}, placed);
      std::copy(fit.bands.begin(), fit.bands.end(), start.begin());
    }
    std::copy(start.begin(), start.begin() + capacity, plan.bands.begin());
  }
  const std::span<const EqBand> result(plan.bands.data(), static_cast<std::size_t>(capacity));
  plan.result_db = BandsResponse(result, plan.freq);
  Deviation d = DeviationOf(plan.freq, plan.file_db, plan.result_db);
  // Bands that already play the file as well stay: importing it again changes nothing.
  const std::vector<double> now = BandsResponse(current, plan.freq);
  const Deviation kept = DeviationOf(plan.freq, plan.file_db, now);
  if (kept.largest <= d.largest + 1e-9) {
    plan.bands = channel.eqArray;
    plan.result_db = now;
    d = kept;
  }
  plan.max_deviation_db = d.largest;
  plan.worst_hz = d.at_hz;
  plan.rms_deviation_db = d.rms;
  for (int s = 0; s < capacity; ++s) {
    plan.bands_changed += SameOnTheWire(plan.bands[s], channel.eqArray[s]) ? 0 : 1;
    plan.bands_used += BandPlays(plan.bands[s]) ? 1 : 0;
  }
  return plan;
}

std::vector<std::string> DescribeImportPlan(const FilterImportPlan& plan,
                                            std::string (*say)(const TextProblem&)) {
  std::vector<std::string> lines;
  for (const TextProblem& n : plan.notes) lines.push_back(say({0, "${import_note}", {say(n)}}));
  for (const TextProblem& r : plan.reproduced) {
    lines.push_back(say({0, "${import_reproduced}", {say(r)}}));
  }
  for (const TextProblem& l : plan.left_out) {
    lines.push_back(say({0, "${import_left_out}", {say(l)}}));
  }
  lines.push_back(say({0,
                       "${import_result}",
                       {Fmt("%.2f", plan.max_deviation_db), Fmt("%.0f", plan.worst_hz),
                        Fmt("%.2f", plan.rms_deviation_db), std::to_string(plan.bands_used),
                        std::to_string(plan.bands_changed)}}));
  if (plan.BeyondLimit()) {
    lines.push_back(say({0,
                         "${import_beyond_limit}",
                         {Fmt("%.2f", plan.max_deviation_db), Fmt("%.0f", plan.worst_hz),
                          Fmt("%g", plan.limit_db)}}));
  }
  return lines;
}

}  // namespace tolva::model
