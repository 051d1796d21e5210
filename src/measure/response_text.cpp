#include "measure/response_text.h"

#include <cstdio>

namespace tolva::measure {

std::string ResponseText(const Response& response, const std::vector<std::string>& notes) {
  std::string out = "* Measurement data measured by tolva-dsp-cli\n";
  for (const std::string& note : notes) out += "* " + note + "\n";
  const bool phase = response.phase_deg.size() == response.freq.size();
  out += phase ? "* Freq(Hz) SPL(dB) Phase(degrees)\n" : "* Freq(Hz) SPL(dB)\n";
  char line[96];
  for (std::size_t i = 0; i < response.freq.size(); ++i) {
    // printf under the "C" locale, which this program never leaves: a point, never a comma.
    if (phase) {
      std::snprintf(line, sizeof line, "%.6f %.4f %.2f\n", response.freq[i], response.db[i],
                    response.phase_deg[i]);
    } else {
      std::snprintf(line, sizeof line, "%.6f %.4f\n", response.freq[i], response.db[i]);
    }
    out += line;
  }
  return out;
}

}  // namespace tolva::measure
