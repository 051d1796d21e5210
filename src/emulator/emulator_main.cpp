// tolva-dsp-emulator: an emulated unit serving the report bridge, for demos and end-to-end tests.
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "emulator/bridge_server.h"
#include "emulator/emulator_options.h"

namespace {
tolva::emulator::BridgeServer* g_server = nullptr;
extern "C" void OnStopSignal(int) {
  if (g_server) g_server->Stop();
}
}  // namespace

int main(int argc, char** argv) {
  using namespace tolva::emulator;
  EmulatorOptions options;
  std::string error;
  if (!ParseEmulatorArgs(std::vector<std::string>(argv + 1, argv + argc), options, &error)) {
    std::fprintf(stderr, "tolva-dsp-emulator: %s\n%s", error.c_str(), EmulatorUsage().c_str());
    return 2;
  }
  if (options.help || options.version || options.manual_page) {
    const std::string text = options.help      ? EmulatorUsage()
                             : options.version ? EmulatorVersion() + "\n"
                                               : EmulatorManualPage();
    return std::fputs(text.c_str(), stdout) < 0 ? 1 : 0;
  }
  if (options.socket_path.empty()) {
    std::fprintf(stderr, "tolva-dsp-emulator: --socket PATH is required\n%s",
                 EmulatorUsage().c_str());
    return 2;
  }
  auto device = std::make_shared<EmulatedDevice>(options);
  if (!device->LoadState(&error)) {
    // Refuse rather than overwrite a file we cannot read: it is the unit's whole memory.
    std::fprintf(stderr, "tolva-dsp-emulator: %s\n", error.c_str());
    return 2;
  }
  BridgeServer server(options.socket_path, device);
  if (!server.Listen(&error)) {
    std::fprintf(stderr, "tolva-dsp-emulator: %s\n", error.c_str());
    return 1;
  }
  g_server = &server;
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  std::fprintf(stderr, "tolva-dsp-emulator: serving %s\n", options.socket_path.c_str());
  const bool ok = server.Run(&error);
  g_server = nullptr;
  if (!ok) std::fprintf(stderr, "tolva-dsp-emulator: %s\n", error.c_str());
  if (!device->SaveState(&error)) {
    std::fprintf(stderr, "tolva-dsp-emulator: %s\n", error.c_str());
    return 1;
  }
  return ok ? 0 : 1;
}
