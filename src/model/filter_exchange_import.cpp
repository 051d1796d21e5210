#include "model/filter_exchange_import.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <optional>

#include "device/value_encoding.h"
#include "dsp_math/channel_response.h"
#include "model/control_ranges.h"
#include "model/edit_rules.h"

namespace tolva::model {
namespace {

using dsp::BiquadSection;
using dsp::Curve;

constexpr double kButterworthQ = std::numbers::sqrt2 / 2.0;
constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

std::string Fmt(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// A message about filter line f, naming it: "line 4 (PK 1000 Hz): …".
TextProblem About(const FilterLine& f, const char* key, std::vector<std::string> values = {}) {
  return {f.line, key, std::move(values), f.type + " " + Fmt("%g", f.fc.value_or(0)) + " Hz"};
}

bool IsPeaking(const std::string& type) {
  return type == "PK" || type == "PEQ";
}

std::optional<double> QOf(const FilterLine& f) {
  if (f.q) return f.q;
  if (f.bw_oct) return QFromBandwidth(*f.bw_oct);
  return std::nullopt;
}

// The cookbook's designs for the filter types the bands cannot be, so that leaving one out can
// be weighed in dB. nullopt for a type whose response is not known here.
std::optional<BiquadSection> Designed(const FilterLine& f);

// The evaluator takes a0 as 1.
std::optional<BiquadSection> Design(const FilterLine& f) {
  std::optional<BiquadSection> s = Designed(f);
  if (!s || s->a0 == 0.0) return std::nullopt;
  const double a0 = s->a0;
  for (double* v : {&s->b0, &s->b1, &s->b2, &s->a0, &s->a1, &s->a2}) *v /= a0;
  return s;
}

std::optional<BiquadSection> Designed(const FilterLine& f) {
  const double rate = dsp::kSampleRate;
  const double fc = f.fc.value_or(1000.0);
  if (fc <= 0.0 || fc >= rate / 2.0) return std::nullopt;
  const double w0 = 2.0 * std::numbers::pi * fc / rate;
  const double c = std::cos(w0);
  const double q = QOf(f).value_or(kButterworthQ);
  if (q <= 0.0) return std::nullopt;
  const double alpha = std::sin(w0) / (2.0 * q);
  const double gain = f.gain.value_or(0.0);
  const double a = std::pow(10.0, gain / 40.0);
  const std::string& t = f.type;
  if (t == "LP" || t == "LPQ") return BiquadSection{(1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "HP" || t == "HPQ") return BiquadSection{(1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "BP") return BiquadSection{alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "NO") return BiquadSection{1, -2 * c, 1, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "AP") return BiquadSection{1 - alpha, -2 * c, 1 + alpha, 1 + alpha, -2 * c, 1 - alpha};
  if (t == "LP1" || t == "HP1") {
    const double k = std::tan(w0 / 2.0);
    const double low = t == "LP1";
    return BiquadSection{low ? k : 1.0, low ? k : -1.0, 0, 1 + k, k - 1, 0};
  }
  const bool low_shelf = t.starts_with("LS");
  if (low_shelf || t.starts_with("HS")) {
    // A 6 dB/oct shelf is gentler than the cookbook's second-order one; Q 0.5 comes close.
    const double shelf_alpha = t.ends_with("6DB") ? std::sin(w0) : alpha;
    const double r = 2.0 * std::sqrt(a) * shelf_alpha;
    const double s = low_shelf ? 1.0 : -1.0;
    return BiquadSection{a * ((a + 1) - s * (a - 1) * c + r), s * 2 * a * ((a - 1) - s * (a + 1) * c),
                         a * ((a + 1) - s * (a - 1) * c - r), (a + 1) + s * (a - 1) * c + r,
                         -s * 2 * ((a - 1) + s * (a + 1) * c), (a + 1) + s * (a - 1) * c - r};
  }
  return std::nullopt;
}

class CurveSum {
 public:
  void AddPeaking(double freq, double gain, double q) {
    if (gain == 0.0) return;
    Curve band{};
    dsp::PeakingBandResponse(dsp::kSampleRate, freq, gain, q, Grid().data(), band.data(),
                             band.size());
    Add(band);
  }
  void AddSection(const BiquadSection& section) {
    Curve curve{};
    dsp::EvaluateSectionResponse(section, Grid().data(), curve.size(), curve.data());
    Add(curve);
  }
  // Over the audible range the graph shows.
  double LargestDifference(const CurveSum& other) const {
    double largest = 0.0;
    for (std::size_t i = 0; i < sum_.size(); ++i) {
      if (Grid()[i] < kMinFrequency || Grid()[i] > kMaxFrequency) continue;
      largest = std::max(largest, std::fabs(sum_[i] - other.sum_[i]));
    }
    return largest;
  }

 private:
  static const Curve& Grid() { return dsp::StandardEvaluator().grid(); }
  void Add(const Curve& curve) {
    for (std::size_t i = 0; i < sum_.size(); ++i) sum_[i] += std::max(curve[i], -200.0);
  }
  Curve sum_{};
};

// A peaking filter within what a band holds, and what had to give to get it there.
struct HeldPeaking {
  const FilterLine* line = nullptr;
  double fc = 1000.0, gain = 0.0, q = 1.0;  // as given
  int freq = 1000;                          // as held
  float held_gain = 0.0f, held_q = 1.0f;
  std::vector<TextProblem> limits;  // outside the unit's ranges
  std::optional<double> Deviation() const {
    CurveSum given, held;
    given.AddPeaking(fc, gain, q);
    held.AddPeaking(freq, held_gain, held_q);
    return given.LargestDifference(held);
  }
};

HeldPeaking Hold(const FilterLine& f, double q) {
  HeldPeaking h;
  h.line = &f;
  h.fc = *f.fc;
  h.gain = f.gain.value_or(0.0);
  h.q = q;
  if (h.fc < kMinFrequency || h.fc > kMaxFrequency) {
    h.limits.push_back(About(f, "${import_fc_range}", {Fmt("%g", h.fc)}));
  }
  if (q < kMinQ || q > kMaxQ) h.limits.push_back(About(f, "${import_q_range}", {Fmt("%g", q)}));
  if (h.gain < kBandGainMinDb || h.gain > kBandGainMaxDb) {
    h.limits.push_back(About(f, "${import_gain_range}", {Fmt("%g", h.gain)}));
  }
  h.freq = static_cast<int>(
      std::lround(std::clamp(h.fc, double{kMinFrequency}, double{kMaxFrequency})));
  h.held_gain = static_cast<float>(std::clamp(h.gain, kBandGainMinDb, kBandGainMaxDb));
  h.held_q = static_cast<float>(std::clamp(q, double{kMinQ}, double{kMaxQ}));
  return h;
}

// What the unit's encoding makes of a value the band holds: whole steps of 0.1.
void NoteRounding(const HeldPeaking& h, std::vector<TextProblem>& rounded) {
  if (std::fabs(h.fc - h.freq) > 1e-9) {
    rounded.push_back(
        About(*h.line, "${import_fc_held}", {Fmt("%g", h.fc), std::to_string(h.freq)}));
  }
  const double sent_gain = device::TenthsSteps(h.held_gain + 18.0) / 10.0 - 18.0;
  if (std::fabs(sent_gain - h.held_gain) > 1e-3) {
    rounded.push_back(About(*h.line, "${import_gain_sent}",
                            {Fmt("%g", h.held_gain), Fmt("%.1f", sent_gain)}));
  }
  const double sent_q = device::TenthsSteps(h.held_q) / 10.0;
  if (std::fabs(sent_q - h.held_q) > 1e-3) {
    rounded.push_back(
        About(*h.line, "${import_q_sent}", {Fmt("%g", h.held_q), Fmt("%.1f", sent_q)}));
  }
}

}  // namespace

double QFromBandwidth(double octaves) {
  const double power = std::pow(2.0, octaves);
  return power > 1.0 ? std::sqrt(power) / (power - 1.0) : 0.0;
}

FilterImportPlan PlanFilterImport(const FilterText& text, const std::vector<FilterLine>& filters,
                                  const ChannelSettings& channel) {
  FilterImportPlan plan;
  plan.bands = channel.eqArray;
  if (text.preamp) {
    plan.notes.push_back({0, "${import_preamp_note}", {Fmt("%g", *text.preamp)}});
  }
  plan.notes.insert(plan.notes.end(), text.ignored.begin(), text.ignored.end());

  CurveSum given, held;
  std::vector<HeldPeaking> peaking;
  for (const FilterLine& f : filters) {
    if (!f.on) {
      plan.notes.push_back({f.line, "${import_off}", {}});
      continue;
    }
    if (IsPeaking(f.type)) {
      const std::optional<double> q = QOf(f);
      if (!q) {
        plan.refused.push_back({About(f, "${import_no_q}"), kUnknown});
        continue;
      }
      given.AddPeaking(*f.fc, f.gain.value_or(0.0), *q);
      peaking.push_back(Hold(f, *q));
      continue;
    }
    if (f.type == "GRAPHICEQ") {
      plan.refused.push_back({{f.line, "${import_graphic_eq}", {}}, f.gain.value_or(0.0)});
      continue;
    }
    const std::optional<BiquadSection> section = Design(f);
    if (section) given.AddSection(*section);
    CurveSum alone;
    if (section) alone.AddSection(*section);
    plan.refused.push_back({About(f, "${import_not_peaking}"),
                            section ? alone.LargestDifference(CurveSum{}) : kUnknown});
  }

  // More filters than bands: the loudest stay, so that what is lost is the least audible.
  const int capacity = std::clamp(channel.eqSize, 0, kEqBands);
  std::stable_sort(peaking.begin(), peaking.end(), [](const HeldPeaking& a, const HeldPeaking& b) {
    return std::fabs(a.gain) > std::fabs(b.gain);
  });
  for (std::size_t i = static_cast<std::size_t>(capacity); i < peaking.size(); ++i) {
    CurveSum alone;
    alone.AddPeaking(peaking[i].fc, peaking[i].gain, peaking[i].q);
    plan.refused.push_back(
        {About(*peaking[i].line, "${import_too_many}", {std::to_string(capacity)}),
         alone.LargestDifference(CurveSum{})});
  }
  if (peaking.size() > static_cast<std::size_t>(capacity)) peaking.resize(capacity);
  std::stable_sort(peaking.begin(), peaking.end(),
                   [](const HeldPeaking& a, const HeldPeaking& b) { return a.fc < b.fc; });

  for (std::size_t i = 0; i < peaking.size(); ++i) {
    const HeldPeaking& h = peaking[i];
    for (const TextProblem& limit : h.limits) {
      plan.refused.push_back({limit, h.Deviation().value_or(kUnknown)});
    }
    NoteRounding(h, plan.rounded);
    plan.bands[i] = EqBand{h.held_gain, h.held_q, h.freq, 1};
    held.AddPeaking(h.freq, h.held_gain, h.held_q);
  }
  plan.peaking = static_cast<int>(peaking.size());
  for (int b = plan.peaking; b < kEqBands; ++b) {
    plan.bands[b].eqGain = 0.0f;
    plan.bands[b].enable = 1;
  }
  plan.total_deviation_db = given.LargestDifference(held);
  return plan;
}

std::vector<std::string> DescribeImportPlan(const FilterImportPlan& plan,
                                            std::string (*say)(const TextProblem&)) {
  std::vector<std::string> lines;
  for (const TextProblem& n : plan.notes) lines.push_back(say({0, "${import_note}", {say(n)}}));
  for (const TextProblem& r : plan.rounded) {
    lines.push_back(say({0, "${import_rounded}", {say(r)}}));
  }
  for (const ImportProblem& p : plan.refused) {
    const std::string deviation = std::isnan(p.deviation_db)
                                      ? say({0, "${import_deviation_unknown}", {}})
                                      : Fmt("%.1f", p.deviation_db) + " dB";
    lines.push_back(say({0, "${import_cannot_hold}", {say(p.what), deviation}}));
  }
  if (!plan.refused.empty()) {
    lines.push_back(
        say({0, "${import_largest_deviation}", {Fmt("%.1f", plan.total_deviation_db)}}));
  }
  return lines;
}

}  // namespace tolva::model
