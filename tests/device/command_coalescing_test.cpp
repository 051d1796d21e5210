// Commands waiting in the link's queue are replaced by newer ones for the same setting; the
// order of everything else, and what the unit ends with, stay as the commands were issued.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/protocol/command_frame.h"
#include "device/link_fixture.h"

namespace tolva::device::testing {
namespace {

using namespace std::chrono_literals;

// sub, channel byte, band or filter byte, scene: what identifies a written frame here.
struct Written {
  int sub, scene, ch, fourth;
  friend bool operator==(const Written&, const Written&) = default;
};

std::ostream& operator<<(std::ostream& out, const Written& w) {
  return out << "{sub " << w.sub << " scene " << w.scene << " ch " << w.ch << " " << w.fourth
             << "}";
}

TEST_F(LinkTest, WaitingCommandsForTheSameSettingAreReplacedInPlaceUpToAReset) {
  script_->responder = [](Script& s, std::span<const std::uint8_t> report) {
    const auto ack = BuildReplyFrame(report[4], report[5], op::kAck, std::vector<std::uint8_t>{0x0A});
    s.reports.emplace_back(ack->begin(), ack->end());
  };
  script_->HoldReads();
  link_->EnableCommandQueue();
  const int one = 0;
  const std::array<int, 6> six{};
  link_->EQ_Ctrl(0, 0, 0, 4, 1000, 1.0f, 1.0f, false);  // being written: never replaced
  ASSERT_TRUE(script_->WaitForHeldRead());
  link_->EQ_Ctrl(0, 0, 0, 4, 1000, 1.0f, 2.0f, false);
  link_->Trim_Ctrl(0, 0, 1, 1, std::span(&one, 1), false);
  link_->EQ_Ctrl(0, 0, 0, 5, 2000, 1.0f, 3.0f, false);
  link_->EQ_Ctrl(0, 0, 0, 4, 1000, 1.0f, 4.0f, false);  // takes the place of the 2 dB one
  link_->PEQ_Reset_Ctrl(0, 0, 1, std::span(&one, 1), false);
  link_->EQ_Ctrl(0, 0, 0, 4, 1000, 1.0f, 5.0f, false);  // after a reset: appended
  link_->EQ_Ctrl(0, 0, 0, 4, 1000, 1.0f, 6.0f, false);  // replaces the 5 dB one
  link_->Trim_Ctrl(0, 0, 0, 5, six, false);             // a range: not replaceable
  link_->Trim_Ctrl(0, 0, 1, 1, std::span(&one, 1), false);
  link_->EQ_Ctrl(1, 0, 0, 4, 1000, 1.0f, 7.0f, false);  // another scene
  link_->Filter_Ctrl(0, 0, 0, 2, 1, 80, 2, false);
  link_->Filter_Ctrl(0, 0, 0, 1, 1, 9000, 2, false);    // the other filter
  link_->Filter_Ctrl(0, 0, 0, 2, 1, 90, 2, false);
  EXPECT_EQ(link_->PendingCommandCount(), 10u);
  script_->ReleaseReads();
  ASSERT_TRUE(link_->WaitUntilQueueIdle(5000));

  const auto writes = script_->Writes();
  std::vector<Written> written;
  for (const auto& w : writes) written.push_back({w[5], w[7], w[9], w[10]});
  const std::vector<Written> expected = {
      {0x06, 0, 0, 4}, {0x06, 0, 0, 4}, {0x08, 0, 1, 1}, {0x06, 0, 0, 5}, {0x11, 0, 1, 0},
      {0x06, 0, 0, 4}, {0x08, 0, 0, 5}, {0x08, 0, 1, 1}, {0x06, 1, 0, 4}, {0x05, 0, 0, 2},
      {0x05, 0, 0, 1}};
  ASSERT_EQ(written, expected);
  // EQ frames: 1 dB, then 4 dB in the 2 dB one's place, 3 dB on band 5, 6 dB after the reset,
  // 7 dB in scene 1 (the gain's whole byte carries gain + 18).
  const auto db = [&](std::size_t frame) { return writes[frame][15] - 18; };
  EXPECT_EQ(db(0), 1);
  EXPECT_EQ(db(1), 4);
  EXPECT_EQ(db(3), 3);
  EXPECT_EQ(db(5), 6);
  EXPECT_EQ(db(8), 7);
  // The high-pass filter went out once, with the newest corner.
  EXPECT_EQ((writes[9][12] << 8) | writes[9][13], 90);
}

}  // namespace
}  // namespace tolva::device::testing
