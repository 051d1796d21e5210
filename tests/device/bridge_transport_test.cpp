// The report bridge against a real SOCK_SEQPACKET peer, and the device switch.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

#include "device/transport/bridge_transport.h"
#include "device/transport/device_selection.h"
#include "device/link/dsp_link.h"

namespace tolva::device {
namespace {

class Bridge : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/tolva-bridge-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/unit.sock";
    listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener_, 1), 0);
  }
  void TearDown() override {
    if (peer_ >= 0) ::close(peer_);
    ::close(listener_);
    std::filesystem::remove_all(dir_);
  }
  void Accept() { peer_ = ::accept(listener_, nullptr, nullptr); }

  std::string dir_, path_;
  int listener_ = -1;
  int peer_ = -1;
};

TEST_F(Bridge, ExchangesWholeReportsAndReportsTimeOutAndHangUp) {
  auto transport = MakeBridgeTransport(path_);
  ASSERT_TRUE(transport->Open(kUnitVendorId, kUnitProductId));
  Accept();
  ASSERT_GE(peer_, 0);
  EXPECT_EQ(transport->ManufacturerString(), L"Tolva");
  EXPECT_EQ(transport->ProductString(), L"DSP bridge");
  EXPECT_EQ(transport->SerialNumberString(), L"");

  std::array<std::uint8_t, 65> out{};
  out[1] = 0xAA;
  EXPECT_EQ(transport->Write(out), 65);
  std::array<std::uint8_t, 128> got{};
  EXPECT_EQ(::recv(peer_, got.data(), got.size(), 0), 65) << "one message per report";
  EXPECT_EQ(got[1], 0xAA);

  std::array<std::uint8_t, 64> in{};
  EXPECT_EQ(transport->ReadTimeout(in, 10), 0) << "time-out";
  std::array<std::uint8_t, 64> reply{};
  reply[0] = 0xAA;
  ASSERT_EQ(::send(peer_, reply.data(), reply.size(), 0), 64);
  ASSERT_EQ(::send(peer_, reply.data(), reply.size(), 0), 64);
  EXPECT_EQ(transport->ReadTimeout(in, 1000), 64);
  EXPECT_EQ(in[0], 0xAA);
  ::close(peer_);
  peer_ = -1;
  EXPECT_EQ(transport->ReadTimeout(in, 1000), 64) << "a message sent before the hang-up";
  EXPECT_EQ(transport->ReadTimeout(in, 1000), -1) << "peer closed: the unit is gone";
  EXPECT_LT(transport->Write(out), 0);
  EXPECT_FALSE(transport->LastError().empty());
}

TEST_F(Bridge, NoListenerMeansNoUnit) {
  auto transport = MakeBridgeTransport(dir_ + "/absent.sock");
  EXPECT_FALSE(transport->Open(kUnitVendorId, kUnitProductId));
  EXPECT_FALSE(transport->IsOpen());
  std::array<std::uint8_t, 64> in{};
  EXPECT_EQ(transport->ReadTimeout(in, 0), -1);
  DspLink link([this] { return MakeBridgeTransport(dir_ + "/absent.sock"); });
  EXPECT_EQ(link.OpenHIDDevice(), -1);
  EXPECT_FALSE(link.IsDeviceOpen());
}

TEST_F(Bridge, LinkSpeaksTheProtocolOverTheBridge) {
  DspLink link(MakeTransportFactory(*ParseDeviceTarget("socket:" + path_)));
  ASSERT_EQ(link.OpenHIDDevice(), 0);
  Accept();
  link.PC_Connect(1);
  std::array<std::uint8_t, 65> got{};
  ASSERT_EQ(::recv(peer_, got.data(), got.size(), 0), 65);
  EXPECT_EQ(got[5], 0x1F);
  EXPECT_EQ(got[7], 1);
  link.CloseHIDDevice(true);
  ASSERT_EQ(::recv(peer_, got.data(), got.size(), 0), 65);
  EXPECT_EQ(got[7], 0) << "goodbye";
}

TEST(DeviceSelection, FlagBeatsEnvironmentAndBadSpecsAreRefused) {
  EXPECT_EQ(ParseDeviceTarget("hid")->kind, DeviceTarget::Kind::kHid);
  EXPECT_EQ(ParseDeviceTarget("emulator")->kind, DeviceTarget::Kind::kEmulator);
  EXPECT_EQ(ParseDeviceTarget("socket:/run/u.sock")->path, "/run/u.sock");
  EXPECT_FALSE(ParseDeviceTarget("socket:"));
  EXPECT_FALSE(ParseDeviceTarget("usb"));

  const char* argv1[] = {"app", "--device", "socket:/a"};
  EXPECT_EQ(FindDeviceArgument(3, argv1), "socket:/a");
  const char* argv2[] = {"app", "--device=emulator"};
  EXPECT_EQ(FindDeviceArgument(2, argv2), "emulator");
  const char* argv3[] = {"app", "--device"};
  EXPECT_FALSE(FindDeviceArgument(2, argv3));

  ::setenv("TOLVA_DSP_DEVICE", "socket:/b", 1);
  EXPECT_EQ(ChooseDevice(std::nullopt)->path, "/b");
  EXPECT_EQ(ChooseDevice(std::string("hid"))->kind, DeviceTarget::Kind::kHid);
  ::setenv("TOLVA_DSP_DEVICE", "nonsense", 1);
  EXPECT_FALSE(ChooseDevice(std::nullopt));
  ::unsetenv("TOLVA_DSP_DEVICE");
  EXPECT_EQ(ChooseDevice(std::nullopt)->kind, DeviceTarget::Kind::kHid);

  EXPECT_FALSE(MakeTransportFactory(*ParseDeviceTarget("emulator")));
  EXPECT_TRUE(MakeTransportFactory(*ParseDeviceTarget("hid")));
}

}  // namespace
}  // namespace tolva::device
