#pragma once

#include <string>
#include <vector>

#include "emulator/faults.h"

namespace tolva::emulator {

// How one emulated unit is run: the faults it shows, the file that keeps its memory and, for
// the executable, the bridge socket it serves.
struct EmulatorOptions {
  Faults faults;
  std::string state_file;   // empty: memory lives as long as the process
  std::string socket_path;  // tolva-dsp-emulator only
  bool help = false;
  bool version = false;
  bool manual_page = false;  // for the build: print the manual page instead of serving
};

// Parses "--option value" words (also "--option=value"). False with a reason on an unknown
// option or a bad value; `options` keeps what was parsed before.
bool ParseEmulatorArgs(const std::vector<std::string>& args, EmulatorOptions& options,
                       std::string* error);

// The option list as --help prints it.
std::string EmulatorUsage();
// "tolva-dsp-emulator VERSION", as --version prints it.
std::string EmulatorVersion();
// The manual page, from the same option definitions.
std::string EmulatorManualPage();

}  // namespace tolva::emulator
