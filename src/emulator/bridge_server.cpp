#include "emulator/bridge_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/debug_print.h"
#include "device/transport/transport.h"

namespace tolva::emulator {
namespace {

bool MakeAddress(const std::string& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// True when something accepts connections at path.
bool SomeoneListens(const sockaddr_un& addr) {
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool live = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return live;
}

// accept errors after which the next poll may find something else.
bool Transient(int error) {
  return error == EINTR || error == EAGAIN || error == EWOULDBLOCK || error == ECONNABORTED;
}

std::string Errno(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

}  // namespace

BridgeServer::BridgeServer(std::string path, std::shared_ptr<EmulatedDevice> device)
    : path_(std::move(path)), device_(std::move(device)) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    stop_read_ = fds[0];
    stop_write_ = fds[1];
  }
}

BridgeServer::~BridgeServer() {
  Unlisten();
  if (stop_read_ >= 0) ::close(stop_read_);
  if (stop_write_ >= 0) ::close(stop_write_);
}

bool BridgeServer::Listen(std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  sockaddr_un addr;
  if (!MakeAddress(path_, addr)) return fail("socket path too long or empty: " + path_);
  if (stop_read_ < 0) return fail("cannot make the stop pipe");
  struct stat st;
  if (::lstat(path_.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) return fail(path_ + " exists and is not a socket");
    if (SomeoneListens(addr)) return fail(path_ + " is served by another unit");
    ::unlink(path_.c_str());
  }
  // Bound under a passing name and renamed once listening: PATH appears only when a client
  // connecting to it is served, never between bind and listen.
  const std::string passing = path_ + "." + std::to_string(::getpid()) + ".new";
  sockaddr_un passing_addr;
  if (!MakeAddress(passing, passing_addr)) return fail("socket path too long: " + passing);
  ::unlink(passing.c_str());
  listen_fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) return fail(Errno("socket"));
  if (::bind(listen_fd_, reinterpret_cast<const sockaddr*>(&passing_addr), sizeof passing_addr) !=
          0 ||
      ::listen(listen_fd_, 4) != 0 || ::rename(passing.c_str(), path_.c_str()) != 0) {
    const std::string why = Errno("bind/listen " + path_);
    ::close(listen_fd_);
    listen_fd_ = -1;
    ::unlink(passing.c_str());
    return fail(why);
  }
  return true;
}

void BridgeServer::Unlisten() {
  if (listen_fd_ < 0) return;
  ::close(listen_fd_);
  listen_fd_ = -1;
  ::unlink(path_.c_str());
}

void BridgeServer::Stop() {
  const char b = 1;
  if (stop_write_ >= 0) [[maybe_unused]]
    auto n = ::write(stop_write_, &b, 1);
}

bool BridgeServer::Stopping() {
  if (!stopped_) {
    pollfd p{stop_read_, POLLIN, 0};
    stopped_ = ::poll(&p, 1, 0) > 0;
  }
  return stopped_;
}

bool BridgeServer::Pause(int ms) {
  if (ms <= 0) return !Stopping();
  pollfd p{stop_read_, POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, ms);
  } while (r < 0 && errno == EINTR);
  if (r > 0) stopped_ = true;
  return !stopped_;
}

bool BridgeServer::Run(std::string* error) {
  while (!Stopping()) {
    if (listen_fd_ < 0 && !Listen(error)) return false;
    pollfd p[2] = {{stop_read_, POLLIN, 0}, {listen_fd_, POLLIN, 0}};
    if (::poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      if (error) *error = Errno("poll");
      return false;
    }
    if (p[0].revents) break;
    if (p[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      // A broken listener reports so at once on every poll: make it again, or end saying why.
      Unlisten();
      continue;
    }
    if (!(p[1].revents & POLLIN)) continue;
    const int client = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
      if (Transient(errno)) continue;
      // The connection stays pending, so polling again would spin.
      if (error) *error = Errno("accept " + path_);
      Unlisten();
      return false;
    }
    left_ = BusEvent::kNone;
    Serve(client);
    // Off the bus before the host sees the connection end: PATH is gone by then.
    if (left_ != BusEvent::kNone) Unlisten();
    ::close(client);
    std::string why;
    if (!device_->SaveState(&why)) DebugPrint("emulator: %s\n", why.c_str());
    if (left_ == BusEvent::kUnplug) break;
    if (left_ == BusEvent::kReboot) {
      if (!Pause(device_->WithUnit([](EmulatedUnit& u) { return u.faults().reboot_ms; }))) break;
    }
  }
  Unlisten();
  return true;
}

void BridgeServer::Serve(int client) {
  std::uint8_t in[device::kOutputReportSize + 1];
  int turn_away = listen_fd_;
  for (;;) {
    // Extra clients are turned away at once: to them the unit is gone, not silent.
    pollfd p[3] = {{stop_read_, POLLIN, 0}, {client, POLLIN, 0}, {turn_away, POLLIN, 0}};
    if (::poll(p, 3, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[0].revents) return;
    // The served client first: a host that hung up makes room for the next one waiting.
    if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t n = ::recv(client, in, sizeof in, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // the host closed the connection
      if (n == static_cast<ssize_t>(device::kOutputReportSize)) {
        if (!Answer(client, std::span(in, device::kOutputReportSize))) return;
      } else {
        DebugPrint("emulator: ignored a message of %d bytes\n", static_cast<int>(n));
      }
    }
    if (p[2].revents & (POLLERR | POLLHUP | POLLNVAL)) turn_away = -1;  // Run deals with it
    if (p[2].revents & POLLIN) {
      const int extra = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (extra >= 0) {
        ::close(extra);
      } else if (!Transient(errno)) {
        turn_away = -1;  // they wait in the backlog rather than make this loop spin
      }
    }
  }
}

bool BridgeServer::Answer(int client, std::span<const std::uint8_t> report) {
  const UnitResponse response = device_->Handle(report);
  for (const InputReport& r : response.reports) {
    if (!Pause(device_->latency_ms())) return false;
    if (::send(client, r.data(), r.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(r.size()))
      return false;
  }
  left_ = response.then;
  return response.then == BusEvent::kNone;
}

}  // namespace tolva::emulator
