// The decoders: records posted for each reply, link state changed, bad input dropped.
#include <gtest/gtest.h>

#include <vector>

#include "device/protocol/command_frame.h"
#include "device/protocol/irc_records.h"
#include "device/protocol/records.h"
#include "device/protocol/reply_decoder.h"
#include "device/support/recording_sink.h"

namespace tolva::device::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Posted {
  TargetWindow target;
  Notification n;
};

class Decoders : public ::testing::Test {
 protected:
  void Decode(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op, Bytes data) {
    Bytes payload = {sub, op};
    payload.insert(payload.end(), data.begin(), data.end());
    decoder_.Decode(ReplyFrame{static_cast<std::uint8_t>(payload.size() + 1), cmd, payload});
  }
  template <class T>
  const T& Record(std::size_t i) {
    const T* r = RecordAs<T>(posted_.at(i).n);
    EXPECT_NE(r, nullptr) << "record " << i;
    static const T empty{};
    return r ? *r : empty;
  }

  LinkState state_;
  std::vector<Posted> posted_;
  ReplyDecoder decoder_{state_, [this](TargetWindow t, Notification n) {
                          posted_.push_back({t, std::move(n)});
                        }};
};

TEST_F(Decoders, EqBandsArePostedInBandOrderWithDecodedValues) {
  Bytes data = {0, 0, 2, 0, 7};
  for (int band = 0; band < 8; ++band) {
    data.insert(data.end(), {0x03, 0xE8, 0x05, 0x50, 0x0E, 0x05});
  }
  Decode(1, 0x06, 0xDD, data);
  ASSERT_EQ(posted_.size(), 8u);
  for (int band = 0; band < 8; ++band) {
    EXPECT_EQ(posted_[band].target, TargetWindow::kMain);
    EXPECT_EQ(posted_[band].n.message, MSG_DSP_VALUE);
    EXPECT_EQ(posted_[band].n.param, 6);
    const auto& r = Record<EqBandReply>(band);
    EXPECT_EQ(r.ch, 2);
    EXPECT_EQ(r.band, band);
    EXPECT_EQ(r.freq, 1000);
    EXPECT_FLOAT_EQ(r.q, 5.8f);
    EXPECT_FLOAT_EQ(r.gain, -3.5f);
  }
}

// Summing separately rounded parts misses the nearest float for about one value in ten; files
// written after a read would then carry 2.2999992370605469 for a unit holding 2.3 dB.
TEST_F(Decoders, ValuesDecodeToTheFloatNearestWhatTheUnitMeans) {
  Decode(1, 0x06, 0xDD, {0, 0, 1, 3, 3, 0x03, 0xE8, 1, 18, 20, 3});
  Decode(1, 0x07, 0xDD, {0, 0, 0, 0, 1, 0x00, 111});
  ASSERT_EQ(posted_.size(), 2u);
  EXPECT_EQ(Record<EqBandReply>(0).q, 1.18f);
  EXPECT_EQ(Record<EqBandReply>(0).gain, 2.3f);
  EXPECT_EQ(Record<DelayReply>(1).delay, 1.111f);
}

TEST_F(Decoders, ChannelListsDecodeEachEncoding) {
  Decode(1, 0x07, 0xDD, {0, 0, 4, 4, 0x0E, 0x01, 0xF4});
  Decode(1, 0x08, 0xDD, {3, 0, 1, 2, 0xF4, 0x00});
  Decode(1, 0x0B, 0xDD, {0, 5, 0, 0, 0x13});
  Decode(1, 0x05, 0xDD, {0, 0, 1, 1, 2, 0x00, 0x50, 4, 1, 0x4E, 0x20, 8});
  Decode(1, 0x12, 0xDD, {0, 0, 5, 5, 1});
  ASSERT_EQ(posted_.size(), 6u);
  EXPECT_FLOAT_EQ(Record<DelayReply>(0).delay, 14.5f);
  EXPECT_EQ(Record<DelayReply>(0).ch, 4);
  EXPECT_EQ(Record<ChannelByteReply>(1).value, -12);
  EXPECT_EQ(Record<ChannelByteReply>(1).scene, 3);
  EXPECT_EQ(Record<ChannelByteReply>(2).ch, 2);
  EXPECT_EQ(Record<MixReply>(3).source, 5);
  EXPECT_EQ(Record<MixReply>(3).mask, 0x13);
  const auto& f = Record<FilterReply>(4);
  EXPECT_EQ(f.ch, 1);
  EXPECT_EQ(f.hp_type, 2);
  EXPECT_EQ(f.hp_freq, 80);
  EXPECT_EQ(f.hp_slope, 4);
  EXPECT_EQ(f.lp_freq, 20000);
  EXPECT_EQ(f.lp_slope, 8);
  EXPECT_EQ(posted_[5].n.param, 18);
  EXPECT_EQ(Record<ChannelValueReply>(5).value, 1);
}

TEST_F(Decoders, EmptyOrOverrunningRangesPostOnlyWhatTheFrameHolds) {
  Decode(1, 0x08, 0xDD, {0, 0, 3, 2, 0x01, 0x02});  // ch_y < ch_x
  Decode(1, 0x20, 0xDD, {0, 0, 3, 2, 0x01});
  Decode(1, 0x24, 0xDD, {0, 0, 1, 5, 4});
  EXPECT_TRUE(posted_.empty());
  // Channels 0-200 claimed, two present: two posted, nothing read past the frame.
  Decode(1, 0x09, 0xDD, {0, 0, 0, 200, 1, 0});
  EXPECT_EQ(posted_.size(), 2u);
  Decode(1, 0x06, 0xDD, {0, 0, 0, 0, 3, 0x03, 0xE8, 0x05, 0x50, 0x0E});  // one band, cut short
  EXPECT_EQ(posted_.size(), 2u);
  // Heads missing entirely.
  for (std::uint8_t sub : {0x01, 0x05, 0x06, 0x0E, 0x0F, 0x24, 0x27}) Decode(1, sub, 0xDD, {});
  Decode(3, 0x08, 0xDD, {0x01, 19});
  Decode(2, 0x0B, 0xDD, {1, 'a', 'b'});
  EXPECT_EQ(posted_.size(), 2u);
}

TEST_F(Decoders, InputRepliesIndexByAbsoluteChannelAndOutputOffset) {
  Decode(1, 0x20, 0xDD, {0, 2, 2, 3, 0x64, 0x50});
  Decode(1, 0x24, 0xDD, {1, 2, 3, 4, 5, 0x64, 0x32});
  Decode(1, 0x20, 0xDD, {0, 0, 15, 17, 1, 2, 3});  // inputs past the record's 16 are not stored
  ASSERT_EQ(posted_.size(), 3u);
  const auto& range = Record<InputRangeReply>(0);
  EXPECT_EQ(range.values[2], 0x64);
  EXPECT_EQ(range.values[3], 0x50);
  EXPECT_EQ(range.values[0], 0);
  const auto& mix = Record<InputMixReply>(1);
  EXPECT_EQ(mix.in_ch, 3);
  EXPECT_EQ(mix.trims[0], 0x64);
  EXPECT_EQ(mix.trims[1], 0x32);
  EXPECT_EQ(posted_[1].n.param, 36);
  EXPECT_EQ(Record<InputRangeReply>(2).values[15], 1);
}

TEST_F(Decoders, SingleValuesAreSignExtendedWhereTheUnitSendsSignedBytes) {
  Decode(1, 0x01, 0xDD, {0x53});
  Decode(1, 0x02, 0xDD, {0xFB});
  Decode(1, 0x03, 0xDD, {0xF6});
  Decode(1, 0x04, 0xDD, {0x01});
  Decode(1, 0x26, 0xDD, {0x80});
  Decode(3, 0x91, 0xDD, {0x01, 0xF4});
  ASSERT_EQ(posted_.size(), 6u);
  EXPECT_EQ(posted_[0].n.value, 0x53);
  EXPECT_EQ(posted_[1].n.value, -5);
  EXPECT_EQ(posted_[2].n.value, -10);
  EXPECT_EQ(posted_[3].n.value, 1);
  EXPECT_EQ(posted_[4].n.param, 38);
  EXPECT_EQ(posted_[4].n.value, -128);
  EXPECT_EQ(posted_[5].n.message, MSG_MCU_VALUE);
  EXPECT_EQ(posted_[5].n.value, 500);
  for (const auto& p : posted_) EXPECT_EQ(p.n.record, nullptr);
}

TEST_F(Decoders, LinkDataIsCopiedOnlyForModel12) {
  const Bytes reply = {0, 1, 9, 8, 7, 6, 5, 4, 3, 2};
  state_.model = 19;
  Decode(1, 0x0E, 0xDD, reply);
  state_.model = 12;
  Decode(1, 0x0E, 0xDD, reply);
  Decode(1, 0x0F, 0xDD, {0, 1});
  ASSERT_EQ(posted_.size(), 3u);
  EXPECT_EQ(Record<LinkReply>(0).link, 1);
  EXPECT_EQ(Record<LinkReply>(0).data, (std::array<std::uint8_t, 8>{}));
  EXPECT_EQ(Record<LinkReply>(1).data, (std::array<std::uint8_t, 8>{9, 8, 7, 6, 5, 4, 3, 2}));
  EXPECT_EQ(Record<LockReply>(2).lock, 1);
}

TEST_F(Decoders, HandshakeSetsModelOrReportsAnAbnormalUnit) {
  Decode(3, 0x08, 0xDD, {0x00, 19, 2, 7});
  EXPECT_TRUE(state_.handshake_ok);
  EXPECT_EQ(state_.model, 19);
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0].n.message, MSG_MCU_VALUE);
  EXPECT_EQ(posted_[0].n.param, 8);
  const auto& info = Record<DeviceInfoReply>(0);
  EXPECT_EQ(info.model, 19);
  EXPECT_EQ(info.master_version, 2);
  EXPECT_EQ(info.slave_version, 7);

  Decode(3, 0x08, 0xDD, {0xF0, 19, 2, 7});
  EXPECT_FALSE(state_.handshake_ok);
  ASSERT_EQ(posted_.size(), 2u);
  EXPECT_EQ(posted_[1].n.message, MSG_DEVICE_ABNORMAL);
  EXPECT_EQ(posted_[1].n.record, nullptr);
  EXPECT_EQ(posted_[1].n.param, 0);

  Decode(3, 0x08, 0xEE, {0x0A});  // an acknowledgement is logged, not a handshake
  Decode(3, 0x0C, 0xDD, {0x21});
  EXPECT_EQ(state_.bootloader_version, 0x21);
  Decode(3, 0x0B, 0xDD, {1, 2, 3, 4});
  ASSERT_EQ(posted_.size(), 3u);
  EXPECT_EQ(Record<FlashVersionReply>(2).version, (std::array<std::int32_t, 4>{1, 2, 3, 4}));
}

TEST_F(Decoders, SceneNamesAcksAndDeletions) {
  Bytes erased = {1};
  erased.insert(erased.end(), 16, 0xFF);
  Decode(2, 0x0B, 0xDD, erased);
  Bytes one_even = {4};
  one_even.insert(one_even.end(), 15, 0x41);
  one_even.push_back(0x42);
  Decode(2, 0x0B, 0xDD, one_even);
  Decode(2, 0x08, 0xEE, {0x0A, 3});
  Decode(2, 0x08, 0xEE, {0x60, 3});  // not ready: ignored
  Decode(2, 0x0A, 0xEE, {0x0A, 5});
  Decode(2, 0x08, 0xEE, {0x0A});  // the first byte is all an acknowledgement needs
  Decode(2, 0x0A, 0xEE, {0x0A});
  ASSERT_EQ(posted_.size(), 6u);
  EXPECT_EQ(posted_[0].target, TargetWindow::kMain);
  EXPECT_EQ(posted_[0].n.message, MSG_SCENE_VALUE);
  EXPECT_EQ(posted_[0].n.param, 11);
  EXPECT_EQ(Record<SceneNameReply>(0).index, 0);
  EXPECT_EQ(Record<SceneNameReply>(0).name, (std::array<std::uint8_t, 16>{}));
  EXPECT_EQ(Record<SceneNameReply>(1).index, 3);
  EXPECT_EQ(Record<SceneNameReply>(1).name[15], 0x42);
  EXPECT_EQ(posted_[2].target, TargetWindow::kScene);
  EXPECT_EQ(posted_[2].n.message, MSG_SCENE_VALUE);
  EXPECT_EQ(posted_[2].n.param, 3);
  EXPECT_EQ(posted_[3].n.message, MSG_SCENE_DELETED);
  EXPECT_EQ(posted_[3].n.param, 5);
  EXPECT_EQ(posted_[4].n.message, MSG_SCENE_VALUE);
  EXPECT_EQ(posted_[5].n.message, MSG_SCENE_DELETED);
  EXPECT_EQ(posted_[5].target, TargetWindow::kScene);
}

TEST_F(Decoders, KaraokeValuesAndEchoDelay) {
  Decode(7, 0x01, 0xDD, {0, 1, 30});
  Decode(7, 0x05, 0xDD, {0, 1, 0x01, 0x2C});
  Decode(7, 0x09, 0xDD, {0, 1, 30});  // unlisted item
  Decode(7, 0x01, 0xEE, {0, 1, 30});  // not data
  ASSERT_EQ(posted_.size(), 2u);
  EXPECT_EQ(posted_[0].n.message, MSG_KTV_VALUE);
  EXPECT_EQ(posted_[0].n.param, 1);
  EXPECT_EQ(posted_[0].n.value, 30);
  EXPECT_EQ(posted_[1].n.param, 5);
  EXPECT_EQ(posted_[1].n.value, 300);
}

TEST_F(Decoders, UnknownGroupsOpsSubsAndShortFramesAreIgnored) {
  Decode(4, 0x01, 0xDD, {1});
  Decode(1, 0x02, 0xEE, {1});
  Decode(1, 0x30, 0xDD, {1});
  Decode(1, 0x13, 0xDD, {11, 0, 0, 0, 9});  // a room-correction failure this program does not know
  Decode(1, 0x13, 0xDD, {13, 0, 0, 0, 0});  // nor a status beyond 12
  Decode(1, 0x13, 0xDD, {11, 0, 0, 60});    // nor a failure without its code
  Decode(3, 0x1F, 0xDD, {1});
  const Bytes sub_only = {0x08};
  decoder_.Decode(ReplyFrame{2, 3, sub_only});
  decoder_.Decode(ReplyFrame{1, 3, {}});
  Decode(1, 0x27, 0xDD, {0, 1, 0x3C, 5, 0x3C});  // noise is logged, never posted
  EXPECT_TRUE(posted_.empty());
}

TEST_F(Decoders, RoomCorrectionReportsGoToTheCalibrationWindow) {
  Decode(1, 0x13, 0xDD, {3, 0, 0, 45, 0});   // delay test at 45 %
  Decode(1, 0x13, 0xDD, {7, 2, 0, 50, 0});   // spectrum of output 2 ready
  Decode(1, 0x13, 0xDD, {11, 0, 0, 60, 1});  // failed: no microphone
  Decode(1, 0x14, 0xDD, {1, 2, 3, 25, 1, 50});
  Decode(1, 0x16, 0xDD,
         {4, 9, 10, 0x03, 0xE8, 0x00, 0xC8, 0x00, 0x78, 0x4E, 0x20, 0x01, 0x2C, 0x01, 0x2C});
  Decode(1, 0x1A, 0xDD, {5, 120, 120, 0x4E, 0x1F, 50, 0xFD, 0xCE});
  Decode(1, 0x18, 0xDD, {0, 0, 0xFF});
  Decode(1, 0x13, 0xDD, {10, 0, 0, 100});  // done: only a failure needs the fifth byte
  ASSERT_EQ(posted_.size(), 10u);
  for (const auto& p : posted_) {
    EXPECT_EQ(p.target, TargetWindow::kCalibration);
    EXPECT_EQ(p.n.message, MSG_IRC_VALUE);
  }
  EXPECT_EQ(posted_[0].n.param, 3);
  EXPECT_EQ(posted_[0].n.value, 45);
  EXPECT_EQ(posted_[1].n.value, 2);  // the channel, not the progress
  EXPECT_EQ(posted_[2].n.value, 1);  // the failure code
  const auto* d = RecordAs<IrcDistanceReply>(posted_[4].n);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->ch, 2);
  EXPECT_FLOAT_EQ(d->distance, 1.5f);
  const auto* e = RecordAs<IrcEqReply>(posted_[6].n);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->ch, 4);
  EXPECT_EQ(e->band, 10);
  EXPECT_EQ(e->freq, 20000);
  EXPECT_FLOAT_EQ(e->q, 3.0f);
  EXPECT_FLOAT_EQ(e->gain, 12.0f);
  const auto* s = RecordAs<IrcSpectrumReply>(posted_[7].n);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->band, 120);
  EXPECT_FLOAT_EQ(s->freq, 19999.5f);
  EXPECT_NEAR(s->gain, -3.5f, 1e-5);
  const auto* phase = RecordAs<IrcChannelValueReply>(posted_[8].n);
  ASSERT_NE(phase, nullptr);
  EXPECT_EQ(phase->value, -1);  // phase is signed
  EXPECT_EQ(posted_[9].n.param, 10);
  EXPECT_EQ(posted_[9].n.value, 100);
}

TEST_F(Decoders, InstalledHandlerReplacesBuiltInDecoding) {
  int calls = 0;
  decoder_.SetHandler(1, 0x13, [&](const ReplyFrame& f, ReplyDecoder& d) {
    ++calls;
    d.Post(TargetWindow::kCalibration, MSG_IRC_VALUE, f.data()[0], f.data()[3]);
  });
  Decode(1, 0x13, 0xDD, {7, 2, 0, 40, 0});
  EXPECT_EQ(calls, 1);
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0].target, TargetWindow::kCalibration);
  EXPECT_EQ(posted_[0].n.param, 7);
  EXPECT_EQ(posted_[0].n.value, 40);
  decoder_.SetHandler(1, 0x13, {});
  Decode(1, 0x13, 0xDD, {7, 2, 0, 40, 0});
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tolva::device::testing
