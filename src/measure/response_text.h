#pragma once

#include <string>
#include <vector>

#include "measure/response.h"

// A response as measurement text of the kind REW exports: "*" comment lines, then frequency,
// level and phase per line. The notes become comment lines after the first.
namespace tolva::measure {

std::string ResponseText(const Response& response, const std::vector<std::string>& notes);

}  // namespace tolva::measure
