#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/files/profile_files.h"

// Runs tolva-dsp-cli as a user would, with its output, error text and exit code.
namespace tolva::measure::testing {

struct CliRun {
  int exit_code = -1;
  std::string out, err;
};

inline CliRun RunCli(const std::string& args, const std::string& stderr_path) {
  const char* bin = std::getenv("TOLVA_BIN_DIR");
  const std::string cli = bin ? std::string(bin) + "/tolva-dsp-cli" : std::string(TOLVA_CLI_PATH);
  CliRun run;
  FILE* pipe = ::popen((cli + " " + args + " 2>" + stderr_path).c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = model::ReadFileText(stderr_path).value_or("");
  return run;
}

}  // namespace tolva::measure::testing
