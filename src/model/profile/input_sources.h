#pragma once

#include <array>
#include <string_view>

#include "model/profile/profile.h"

// The unit's seven input sources: the code the unit reports, the short name the command line
// takes, and the routing each starts with.
namespace tolva::model {

struct InputSource {
  int code;                     // as the unit reports it
  std::string_view name;        // "bt": the command line's word, and the key of its label
  bool offered;                 // this model's unit takes it
  int mixer_inputs;             // input channels whose mixer trims are read for this source
  std::array<int, kOutputChannels> default_routing;
};

// Index 4 for any index outside 0 … 6.
const InputSource& SourceInfo(int index);
// Any code the table does not hold is taken as index 4.
int SourceIndexFromCode(int code);
int SourceCode(int index);
// With sources 2 and 3 only inputs 1 and 2 can be routed.
bool SourceRoutesOnlyTwoInputs(int index);

}  // namespace tolva::model
