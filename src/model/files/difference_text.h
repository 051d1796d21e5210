#pragma once

// The differences between the live settings and a profile file as the window lists them:
// which output, which field and both values, in the current language. The differences are the
// ones `tolva-dsp-cli diff` prints (DiffProfiles); only their wording is the window's.

#include <string>
#include <vector>

#include "model/profile/profile.h"

namespace tolva::model {

struct DifferenceRow {
  std::string output;  // "Output 2 (Front Left Tweeter)", or the unit-wide word
  std::string field;   // "Band 5 gain (dB)"
  std::string live, file;
};

// Every difference from `live` to `file`, in file order.
std::vector<DifferenceRow> DescribeDifferences(const Profile& live, const Profile& file);

}  // namespace tolva::model
