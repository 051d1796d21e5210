#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace tolva::cli {

// "measure sweep|analyze|run|devices" under app; the command given leaves its work in action.
// json is the global --json flag, read when the command runs.
void AddMeasureCommands(CLI::App& app, std::function<int()>& action, const bool& json);
// "run" and "devices", under the measure command.
void AddMeasureDeviceCommands(CLI::App& measure, std::function<int()>& action, const bool& json);

}  // namespace tolva::cli
