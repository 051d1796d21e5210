#pragma once

#include <span>
#include <string>
#include <string_view>

#include "device/transport.h"

// The commands of tolva-dsp-cli. Each takes the arguments after its name and returns the
// process exit code: 0 done, 1 wrong usage, 2 the input was rejected or the work failed, 3 no
// unit or its handshake failed, 4 a unit of another model.
namespace tolva::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailed = 2;
inline constexpr int kExitNoUnit = 3;
inline constexpr int kExitOtherModel = 4;

// The unit chosen with --device (as in the GUI).
struct DeviceOptions {
  device::TransportFactory factory;
};

struct Command {
  std::string_view name;
  std::string_view usage;  // arguments, for the usage text
  int (*run)(std::span<char* const> args) = nullptr;
  // Commands that talk to the unit take this one instead.
  int (*run_on_device)(const DeviceOptions& device, std::span<char* const> args) = nullptr;
};

int RunResponse(std::span<char* const> args);
int RunInfo(const DeviceOptions& device, std::span<char* const> args);
int RunRead(const DeviceOptions& device, std::span<char* const> args);
int RunReadWhole(const DeviceOptions& device, std::span<char* const> args);
int RunWrite(const DeviceOptions& device, std::span<char* const> args);

// English text of a placeholder such as "${profile_load_error}": the language table's entry
// when one is loaded, else the CLI's own wording.
std::string EnglishText(std::string_view placeholder);

}  // namespace tolva::cli
