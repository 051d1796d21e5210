#pragma once

#include <span>
#include <string>
#include <string_view>

// The commands of tolva-dsp-cli. Each takes the arguments after its name and returns the
// process exit code: 0 done, 1 wrong usage, 2 the input was rejected or the work failed.
namespace tolva::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailed = 2;

struct Command {
  std::string_view name;
  std::string_view usage;  // arguments, for the usage text
  int (*run)(std::span<char* const> args);
};

int RunResponse(std::span<char* const> args);

// English text of a placeholder such as "${profile_load_error}": the language table's entry
// when one is loaded, else the CLI's own wording.
std::string EnglishText(std::string_view placeholder);

}  // namespace tolva::cli
