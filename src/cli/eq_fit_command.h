#pragma once

#include <functional>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace tolva::cli {

// "eq fit" under the eq command: an output's bands fitted to its measurement at the seat. The
// command given leaves its work in action; json and device are the global options, read when
// the command runs.
void AddEqFitCommand(CLI::App& eq, std::function<int()>& action, const bool& json,
                     const std::optional<std::string>& device);

}  // namespace tolva::cli
