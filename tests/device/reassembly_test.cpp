// Reassembly on bytes alone: split reports, several frames per report, garbage, bad checksums.
#include <gtest/gtest.h>

#include <vector>

#include "device/protocol/command_frame.h"
#include "device/protocol/frame_reassembler.h"

namespace tolva::device {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Seen {
  std::uint8_t length, cmd;
  Bytes payload;
};

class Reassembly : public ::testing::Test {
 protected:
  void Feed(const Bytes& bytes) {
    reassembler_.Append(bytes);
    reassembler_.Drain([this](const ReplyFrame& f) {
      seen_.push_back({f.length, f.cmd, Bytes(f.payload.begin(), f.payload.end())});
    });
  }
  static Bytes Reply(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op, Bytes data) {
    const auto r = BuildReplyFrame(cmd, sub, op, data);
    return Bytes(r->begin(), r->begin() + 7 + static_cast<long>(data.size()));
  }
  static Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  }

  FrameReassembler reassembler_;
  std::vector<Seen> seen_;
};

TEST_F(Reassembly, ReplySplitOverTwoReportsIsJoined) {
  const Bytes frame = Reply(1, 0x02, 0xDD, {0xFB});
  for (std::size_t cut = 1; cut < frame.size(); ++cut) {
    seen_.clear();
    Feed(Bytes(frame.begin(), frame.begin() + static_cast<long>(cut)));
    EXPECT_TRUE(seen_.empty()) << cut;
    Feed(Bytes(frame.begin() + static_cast<long>(cut), frame.end()));
    ASSERT_EQ(seen_.size(), 1u) << cut;
    EXPECT_EQ(seen_[0].payload, (Bytes{0x02, 0xDD, 0xFB}));
  }
}

TEST_F(Reassembly, TwoFramesInOneReportDecodeInOrderDespiteGarbage) {
  const Bytes second = Reply(3, 0x91, 0xDD, {0x01, 0xF4});
  Bytes report = Concat({{0x00, 0x13, 0x55},  // before 0xAA: skipped
                         Reply(1, 0x01, 0xDD, {0x53}),
                         {0xAA, 0x12, 0x34},  // between 0xAA and 0x55: skipped
                         Bytes(second.begin() + 1, second.end())});
  report.resize(64, 0x00);  // zero fill after the frames
  Feed(report);
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].cmd, 1);
  EXPECT_EQ(seen_[0].payload, (Bytes{0x01, 0xDD, 0x53}));
  EXPECT_EQ(seen_[1].cmd, 3);
  EXPECT_EQ(seen_[1].payload, (Bytes{0x91, 0xDD, 0x01, 0xF4}));
  EXPECT_EQ(reassembler_.state(), 0);
}

TEST_F(Reassembly, BadChecksumDropsTheFrameAndWaitsForTheNextHeader) {
  Bytes bad = Reply(1, 0x02, 0xDD, {0x05});
  bad.back() ^= 0x01;
  Feed(bad);
  EXPECT_TRUE(seen_.empty());
  EXPECT_EQ(reassembler_.state(), 0);
  Feed(Reply(1, 0x02, 0xDD, {0x06}));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].payload.back(), 0x06);
}

TEST_F(Reassembly, LengthsThatCannotCompleteAreDroppedByTheStateLimit) {
  for (std::uint8_t length : {0x00, 0x3E, 0xFF}) {
    Bytes junk = {0xAA, 0x55, length, 0x01};
    junk.resize(4 + 61, 0x00);  // the 61st byte meets the limit
    Feed(junk);
    EXPECT_TRUE(seen_.empty()) << int(length);
    EXPECT_EQ(reassembler_.state(), 0) << int(length);
  }
  Feed(Reply(7, 0x01, 0xDD, {1, 2, 3}));
  EXPECT_EQ(seen_.size(), 1u);
}

TEST_F(Reassembly, LongestFrameSpansReportsAndShortFramesCarryNoHeader) {
  // Length 61 fills the 60-byte payload buffer and can only arrive over two reports.
  Bytes payload(60, 0x11);
  Bytes frame = {0xAA, 0x55, 61, 0x01};
  frame.insert(frame.end(), payload.begin(), payload.end());
  std::uint8_t sum = 61 + 0x01;
  for (auto b : payload) sum = static_cast<std::uint8_t>(sum + b);
  frame.push_back(static_cast<std::uint8_t>(0x100 - sum));
  Feed(Bytes(frame.begin(), frame.begin() + 64));
  Feed(Bytes(frame.begin() + 64, frame.end()));
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].payload.size(), 60u);

  seen_.clear();
  Feed({0xAA, 0x55, 0x01, 0x02, 0xFD});        // length 1: no sub
  Feed({0xAA, 0x55, 0x02, 0x02, 0x08, 0xF4});  // length 2: sub, no op
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_TRUE(seen_[0].payload.empty());
  EXPECT_EQ(seen_[1].payload, Bytes{0x08});
  const ReplyFrame shortest{2, 2, std::span<const std::uint8_t>(seen_[1].payload)};
  EXPECT_FALSE(shortest.HasHeader());
  EXPECT_TRUE(shortest.data().empty());
}

TEST_F(Reassembly, RingKeepsTheNewestBytesWhenItOverflows) {
  // Without a drain the ring fills; the newest 1023 bytes survive and still parse.
  Bytes filler(2000, 0x00);
  reassembler_.Append(filler);
  EXPECT_EQ(reassembler_.Pending(), FrameReassembler::kRingSize - 1);
  Feed(Reply(1, 0x04, 0xDD, {1}));
  EXPECT_EQ(seen_.size(), 1u);
  reassembler_.Append(Reply(1, 0x04, 0xDD, {1}));
  reassembler_.ClearRing();
  EXPECT_FALSE(reassembler_.DrainOne({}));
}

}  // namespace
}  // namespace tolva::device
