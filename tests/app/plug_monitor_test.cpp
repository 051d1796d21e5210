// Plug events: which devices are the unit, and the report bridge's PATH coming and going.
#include "app/plug_monitor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using tolva::app::IsUnitHidDevpath;
using tolva::app::PlugMonitor;

TEST(PlugMonitor, OnlyTheUnitsHidIdCounts) {
  EXPECT_TRUE(IsUnitHidDevpath(
      "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0483:5750.0004/hidraw/hidraw3"));
  EXPECT_TRUE(IsUnitHidDevpath("/devices/virtual/0003:0483:5750.000A/hidraw/hidraw0"));
  EXPECT_TRUE(IsUnitHidDevpath("/devices/x/0003:0483:5750.000a/hidraw/hidraw0"));
  EXPECT_FALSE(IsUnitHidDevpath("/devices/x/0003:0483:5740.0004/hidraw/hidraw1"));  // other product
  EXPECT_FALSE(IsUnitHidDevpath("/devices/x/0003:5750:0483.0004/hidraw/hidraw1"));  // swapped
  EXPECT_FALSE(IsUnitHidDevpath(""));
}

// A listening SOCK_SEQPACKET socket at path, as the emulated unit serves the bridge.
int Listen(const std::string& path) {
  int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  path.copy(addr.sun_path, sizeof addr.sun_path - 1);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 1) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool WaitFor(const std::function<bool()>& done) {
  QDeadlineTimer deadline(10000);
  while (!done() && !deadline.hasExpired()) QTest::qWait(10);
  return done();
}

TEST(PlugMonitor, TheBridgePathAppearingAndGoingIsAnArrivalAndARemoval) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("unit.sock").toStdString();
  tolva::device::DeviceTarget target;
  target.kind = tolva::device::DeviceTarget::Kind::kSocket;
  target.path = path;
  PlugMonitor monitor(target, nullptr);
  ASSERT_TRUE(monitor.watching());
  int arrivals = 0, removals = 0;
  monitor.on_arrival = [&] { ++arrivals; };
  monitor.on_removal = [&] { ++removals; };

  const int fd = Listen(path);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(WaitFor([&] { return arrivals == 1; }));
  ::close(fd);
  ::unlink(path.c_str());
  ASSERT_TRUE(WaitFor([&] { return removals == 1; }));
  EXPECT_EQ(arrivals, 1);  // one event each way, however many changes the folder saw
}

}  // namespace
