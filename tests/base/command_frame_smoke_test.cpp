#include "device/protocol/command_frame.h"

#include <gtest/gtest.h>

namespace tolva::device {
namespace {

TEST(CommandFrame, HandshakeFrameMatchesTheUnitsBytes) {
  auto frame = CommandFrame::Build(cmd::kMcu, 0x08, op::kSet, {});
  const std::uint8_t expected[] = {0x00, 0xAA, 0x55, 0x03, 0x03, 0x08, 0xBB, 0x37};
  for (std::size_t i = 0; i < sizeof expected; ++i) EXPECT_EQ(frame.bytes()[i], expected[i]) << i;
  for (std::size_t i = sizeof expected; i < kFrameSize; ++i) EXPECT_EQ(frame.bytes()[i], 0) << i;
}

}  // namespace
}  // namespace tolva::device
