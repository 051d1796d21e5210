// tolva-dsp-emulator driven over the report bridge with plain POSIX calls.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "unit_test_util.h"

extern char** environ;

namespace tolva::emulator {
namespace {

using namespace testing;
namespace fs = std::filesystem;

std::string Binary() {
  const char* dir = std::getenv("TOLVA_BIN_DIR");
  return std::string(dir ? dir : ".") + "/tolva-dsp-emulator";
}

// Waits (in real time: another process) until `done` holds, at most 10 s.
template <typename Fn>
bool Eventually(Fn done) {
  for (int i = 0; i < 1000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class Emulator {
 public:
  explicit Emulator(std::vector<std::string> args) {
    args.insert(args.begin(), Binary());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~Emulator() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  // The exit status once the process has ended, or -1.
  int Wait() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_) return -1;
    exited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Signal(int sig) { ::kill(pid_, sig); }
  // User and system time the process has used so far.
  double CpuSeconds() const {
    std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
    std::string field;
    // The name (field 2) has no spaces here; utime and stime are fields 14 and 15.
    long ticks = 0;
    for (int i = 1; i <= 15 && in >> field; ++i) {
      if (i >= 14) ticks += std::stol(field);
    }
    return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
  }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
};

int Connect(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// One message from the unit: its length, 0 when the unit closed, -1 on time-out.
int Receive(int fd, InputReport& r, int timeout_ms = 5000) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, timeout_ms) <= 0) return -1;
  return static_cast<int>(::recv(fd, r.data(), r.size(), 0));
}

Reply Ask(int fd, std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
          std::vector<std::uint8_t> payload = {}) {
  const auto out = Request(cmd, sub, op, std::move(payload));
  if (::send(fd, out.data(), out.size(), MSG_NOSIGNAL) != 65) return {};
  InputReport r{};
  if (Receive(fd, r) != 64) return {};
  return Parse(r);
}

class BridgeExecutable : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tolva_bridge_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    socket_ = (dir_ / "unit.sock").string();
    state_ = (dir_ / "unit.json").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  bool Serving() const { return fs::exists(socket_); }

  fs::path dir_;
  std::string socket_, state_;
};

TEST_F(BridgeExecutable, ServesTheUnitAndKeepsItsMemoryAcrossRuns) {
  {
    Emulator emu({"--socket", socket_, "--state", state_});
    ASSERT_TRUE(Eventually([&] { return Serving(); }));
    const int fd = Connect(socket_);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(Hex(Ask(fd, 3, 0x08, 0xBB).data), "00 13 03 07");
    const std::uint8_t odd[10] = {0, 0xAA, 0x55};
    ::send(fd, odd, sizeof odd, 0);  // not a report: ignored
    EXPECT_EQ(Ask(fd, 1, 0x02, 0xBB, {26}).data, kReady);
    EXPECT_EQ(Ask(fd, 2, 0x0B, 0xBB, {4, 3, 'c', 'a', 'r'}).data,
              (std::vector<std::uint8_t>{0x0A, 4}));
    ::close(fd);
    emu.Signal(SIGTERM);
    EXPECT_EQ(emu.Wait(), 0);
    EXPECT_FALSE(Serving());
  }
  Emulator emu({"--socket", socket_, "--state", state_});
  ASSERT_TRUE(Eventually([&] { return Serving(); }));
  const int fd = Connect(socket_);
  EXPECT_EQ(Hex(Ask(fd, 1, 0x02, 0x66).data), "EC");  // -20 dB
  EXPECT_EQ(Ask(fd, 2, 0x0B, 0x66, {4}).data[1], 'c');
  ::close(fd);
  emu.Signal(SIGINT);
  EXPECT_EQ(emu.Wait(), 0);
  EXPECT_FALSE(Serving());
}

TEST_F(BridgeExecutable, OneClientAtATime) {
  Emulator emu({"--socket", socket_});
  ASSERT_TRUE(Eventually([&] { return Serving(); }));
  const int first = Connect(socket_);
  ASSERT_TRUE(Ask(first, 1, 0x02, 0x66).valid);
  const int second = Connect(socket_);
  InputReport r{};
  EXPECT_EQ(Receive(second, r), 0);  // turned away: to it the unit is gone
  EXPECT_TRUE(Ask(first, 1, 0x04, 0x66).valid);
  ::close(first);
  ::close(second);
  const int third = Connect(socket_);  // the next one is served
  EXPECT_TRUE(Ask(third, 1, 0x04, 0x66).valid);
  ::close(third);
}

TEST_F(BridgeExecutable, FactoryDefaultLeavesTheBusAndComesBack) {
  Emulator emu({"--socket", socket_, "--reboot-ms", "200"});
  ASSERT_TRUE(Eventually([&] { return Serving(); }));
  const int fd = Connect(socket_);
  EXPECT_EQ(Ask(fd, 3, 0x90, 0xBB).data, kReady);
  InputReport r{};
  EXPECT_EQ(Receive(fd, r), 0);
  ::close(fd);
  // Off the bus by the time the host sees the connection end, then back.
  EXPECT_FALSE(Serving());
  ASSERT_TRUE(Eventually([&] { return Serving(); }));
  const int again = Connect(socket_);
  EXPECT_TRUE(Ask(again, 1, 0x02, 0x66).valid);
  ::close(again);
}

TEST_F(BridgeExecutable, ItsFolderRemovedItServesItsHostIdlesAndEndsOnSigterm) {
  Emulator emu({"--socket", socket_});
  ASSERT_TRUE(Eventually([&] { return Serving(); }));
  const int fd = Connect(socket_);
  ASSERT_TRUE(Ask(fd, 1, 0x02, 0x66).valid);
  fs::remove_all(dir_);
  EXPECT_TRUE(Ask(fd, 1, 0x02, 0x66).valid);
  ::close(fd);
  const double before = emu.CpuSeconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_LT(emu.CpuSeconds() - before, 0.1) << "an idle unit must not spin";
  emu.Signal(SIGTERM);
  EXPECT_EQ(emu.Wait(), 0);
}

TEST_F(BridgeExecutable, UnplugClosesRemovesThePathAndEnds) {
  Emulator emu({"--socket", socket_, "--unplug-after", "2"});
  ASSERT_TRUE(Eventually([&] { return Serving(); }));
  const int fd = Connect(socket_);
  EXPECT_TRUE(Ask(fd, 1, 0x02, 0x66).valid);
  EXPECT_TRUE(Ask(fd, 1, 0x02, 0x66).valid);
  InputReport r{};
  EXPECT_EQ(Receive(fd, r), 0);
  ::close(fd);
  EXPECT_EQ(emu.Wait(), 0);
  EXPECT_FALSE(Serving());
}

TEST_F(BridgeExecutable, RefusesToHarmFilesItDoesNotOwn) {
  std::ofstream(state_) << "not json";
  Emulator damaged({"--socket", socket_, "--state", state_});
  EXPECT_EQ(damaged.Wait(), 2);
  std::ifstream in(state_);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == "not json");

  std::ofstream(socket_) << "a plain file";
  Emulator occupied({"--socket", socket_});
  EXPECT_EQ(occupied.Wait(), 1);
  EXPECT_TRUE(fs::is_regular_file(socket_));

  Emulator bad({"--latency", "soon"});
  EXPECT_EQ(bad.Wait(), 2);
}

}  // namespace
}  // namespace tolva::emulator
