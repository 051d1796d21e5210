#pragma once

// tolva-dsp-cli and tolva-dsp-emulator as processes: the emulator serving the report bridge in a
// test's own folder, and the CLI run there with its exit code and output.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tolva::e2e {

namespace fs = std::filesystem;

inline std::string Bin(const char* name) {
  const char* dir = std::getenv("TOLVA_BIN_DIR");
  return std::string(dir ? dir : ".") + "/" + name;
}

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class EmulatorProcess {
 public:
  EmulatorProcess(const std::string& socket, std::vector<std::string> extra) : socket_(socket) {
    std::vector<std::string> args{Bin("tolva-dsp-emulator"), "--socket", socket};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~EmulatorProcess() { Stop(); }
  // Another process: waits in real time, at most 10 s, for the socket to appear.
  bool Serving() const {
    for (int i = 0; i < 1000 && pid_ > 0; ++i) {
      if (fs::exists(socket_)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // SIGTERM: the emulator writes its state file on the way out.
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string socket_;
  pid_t pid_ = -1;
};

struct CliRun {
  int code = -1;
  std::string out, err;
};

class CliDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tolva_cli_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    socket_ = (dir_ / "unit.sock").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs in dir_, so a "savelog.ini" there switches the CLI's log on. `out` receives standard
  // output (r.out holds it only when it is out.txt).
  CliRun Cli(const std::string& args, const std::string& out = "out.txt") {
    std::ofstream(dir_ / "out.txt").flush();
    const std::string cmd = "cd '" + dir_.string() + "' && '" + Bin("tolva-dsp-cli") +
                            "' --device socket:" + socket_ + " " + args + " >" + out +
                            " 2>err.txt";
    const int status = std::system(cmd.c_str());
    CliRun r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(dir_ / "out.txt");
    r.err = Slurp(dir_ / "err.txt");
    return r;
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  // Switches the CLI's debug log on; it holds each frame the link writes.
  void LogFrames() { std::ofstream(dir_ / "savelog.ini") << ""; }
  // How often the log of the last CLI run names `what` ("PC_Connect" opens every connection).
  std::size_t Logged(const std::string& what) const {
    const std::string log = Slurp(dir_ / "save.log");
    std::string narrow;
    for (std::size_t i = 0; i + 1 < log.size(); i += 2) narrow.push_back(log[i]);
    std::size_t n = 0;
    for (auto at = narrow.find(what); at != std::string::npos; at = narrow.find(what, at + 1)) {
      ++n;
    }
    return n;
  }

  fs::path dir_;
  std::string socket_;
};

}  // namespace tolva::e2e
