#include "device/transport/bridge_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/clock.h"

namespace tolva::device {

namespace {

class BridgeTransport final : public Transport {
 public:
  explicit BridgeTransport(std::string path) : path_(std::move(path)) {}
  ~BridgeTransport() override { Close(); }

  bool Open(std::uint16_t, std::uint16_t) override {
    Close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.empty() || path_.size() >= sizeof address.sun_path) {
      error_ = L"socket path empty or too long";
      return false;
    }
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return Fail();
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      Fail();
      Close();
      return false;
    }
    return true;
  }
  bool IsOpen() const override { return fd_ >= 0; }

  std::optional<std::wstring> ManufacturerString() override { return Text(L"Tolva"); }
  std::optional<std::wstring> ProductString() override { return Text(L"DSP bridge"); }
  std::optional<std::wstring> SerialNumberString() override { return Text(L""); }
  std::optional<std::wstring> IndexedString(int index) override {
    return index == 1 ? Text(L"Tolva") : std::nullopt;
  }

  // Reads always wait in poll() with their own time-out, so there is nothing to switch.
  int SetNonBlocking(bool) override { return fd_ >= 0 ? 0 : -1; }

  int Write(std::span<const std::uint8_t> report) override {
    if (fd_ < 0) return -1;
    for (;;) {
      const ssize_t n = ::send(fd_, report.data(), report.size(), MSG_NOSIGNAL);
      if (n >= 0) return static_cast<int>(n);
      if (errno != EINTR) return Fail(), -1;
    }
  }

  int ReadTimeout(std::span<std::uint8_t> buffer, int timeout_ms) override {
    if (fd_ < 0) return -1;
    Clock& clock = SystemClock();
    const std::int64_t deadline = clock.NowMs() + timeout_ms;
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      const int wait = static_cast<int>(std::max<std::int64_t>(0, deadline - clock.NowMs()));
      const int ready = ::poll(&p, 1, wait);
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) return Fail(), -1;
      if (ready == 0) return 0;
      if (!(p.revents & POLLIN)) return PeerGone();  // hang-up or error without data
      const ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
      if (n > 0) return static_cast<int>(n);
      if (n == 0) return PeerGone();  // the unit side closed: unplugged
      if (errno == EINTR || errno == EAGAIN) continue;
      return Fail(), -1;
    }
  }

  std::wstring LastError() override { return error_; }

  void Close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  std::optional<std::wstring> Text(const wchar_t* text) const {
    if (fd_ < 0) return std::nullopt;
    return std::wstring(text);
  }
  bool Fail() {
    const char* text = std::strerror(errno);
    error_.assign(text, text + std::strlen(text));
    return false;
  }
  int PeerGone() {
    error_ = L"the unit closed the connection";
    return -1;
  }

  std::string path_;
  int fd_ = -1;
  std::wstring error_;
};

}  // namespace

std::unique_ptr<Transport> MakeBridgeTransport(std::string path) {
  return std::make_unique<BridgeTransport>(std::move(path));
}

}  // namespace tolva::device
