// Golden frames: the exact reports the builders write.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "device/protocol/command_frame.h"
#include "device/link_fixture.h"
#include "device/protocol/scene_name_codec.h"
#include "device/protocol/value_encoding.h"

namespace tolva::device::testing {
namespace {

using CommandBuilders = LinkTest;

TEST_F(CommandBuilders, SystemFramesMatchTheUnitsBytes) {
  EXPECT_TRUE(link_->SendCtrlCommand(cmd::kMcu, 0x08, op::kSet));
  std::string zeros;
  for (int i = 0; i < 57; ++i) zeros += " 00";
  EXPECT_EQ(LastWrite(), "00 aa 55 03 03 08 bb 37" + zeros);
  link_->PC_Connect(1);
  EXPECT_EQ(LastWrite(9), "00 aa 55 04 03 1f bb 01 1e");
  link_->Get_Main_Volume();
  EXPECT_EQ(LastWrite(8), "00 aa 55 03 01 02 66 94");
  link_->Hand_Connect();
  EXPECT_EQ(LastWrite(8), "00 aa 55 03 03 08 bb 37");
  link_->Factory_Default_Ctrl();
  EXPECT_EQ(LastWrite(7), "00 aa 55 03 03 90 bb");
  for (const auto& w : script_->Writes()) EXPECT_EQ(w.size(), kFrameSize);
}

TEST_F(CommandBuilders, SceneFramesMatchTheUnitsBytes) {
  link_->ReadScene(4, 255);
  EXPECT_EQ(LastWrite(11), "00 aa 55 05 02 09 bb 04 ff 32 00");
  link_->SaveScene(3, 1);
  EXPECT_EQ(LastWrite(9), "00 aa 55 05 02 08 bb 03 01");
  link_->DeleteScene(2);
  EXPECT_EQ(LastWrite(8), "00 aa 55 04 02 0a bb 02");
  link_->Get_Scene_Name(7);
  EXPECT_EQ(LastWrite(8), "00 aa 55 04 02 0b 66 07");

  std::array<std::uint8_t, 16> name{};
  for (std::size_t i = 0; i < name.size(); ++i) name[i] = static_cast<std::uint8_t>('A' + i);
  link_->SetSceneName(3, name);
  const auto w = script_->Writes().back();
  EXPECT_EQ(w[3], 18 + 3) << "payload of 18 bytes: scene, length, 16 name bytes";
  EXPECT_EQ(Hex(w, 9), "00 aa 55 15 02 0b bb 03 10");
  EXPECT_EQ(w[9 + 15], 'P');
  EXPECT_EQ(FrameChecksum(std::span(w).subspan(3, 22)), w[25]);
}

TEST_F(CommandBuilders, EqBandEncodesFrequencyQAndGain) {
  link_->EQ_Ctrl(0, 0, 2, 4, 1000, 5.8f, -3.5f, true);
  EXPECT_EQ(LastWrite(17), "00 aa 55 0d 01 06 bb 00 00 02 04 03 e8 05 08 0e 05");
  link_->EQ_Ctrl(1, 2, 0, 30, 20000, 0.5f, -18.0f, true);
  EXPECT_EQ(LastWrite(17), "00 aa 55 0d 01 06 bb 01 02 00 1e 4e 20 00 05 00 00");
}

TEST_F(CommandBuilders, ValuesOnAStepGoOutAsShownAndBetweenStepsTruncate) {
  // 2.3 and 1.354 are held as floats just below the step.
  EXPECT_EQ(EncodeGain(2.3f), (std::array<std::uint8_t, 2>{20, 3}));
  EXPECT_EQ(EncodeQ(2.3f), (std::array<std::uint8_t, 2>{2, 3}));
  EXPECT_EQ(EncodeDelay(1.354f), (std::array<std::uint8_t, 3>{1, 0x01, 0x62}));
  EXPECT_EQ(EncodeDelay(7.359f), (std::array<std::uint8_t, 3>{7, 0x01, 0x67}));
  EXPECT_EQ(EncodeGain(2.35f), (std::array<std::uint8_t, 2>{20, 3}));
  EXPECT_EQ(EncodeQ(0.57f), (std::array<std::uint8_t, 2>{0, 5}));
  EXPECT_EQ(EncodeGain(12.0f), (std::array<std::uint8_t, 2>{30, 0}));
  EXPECT_EQ(EncodeGain(-0.1f), (std::array<std::uint8_t, 2>{17, 9}));
  // Below -18 dB the tenths digit keeps its sign, as the truncating remainder gives it.
  EXPECT_EQ(EncodeGain(-20.0f), (std::array<std::uint8_t, 2>{0xFE, 0x00}));
  EXPECT_EQ(EncodeGain(-18.5f), (std::array<std::uint8_t, 2>{0x00, 0xFB}));
}

TEST_F(CommandBuilders, DelayTrimVolumeAndSourceEncodings) {
  const float delay[] = {20.5f};
  link_->Delay_Ctrl(0, 0, 3, 3, delay, true);
  EXPECT_EQ(LastWrite(14), "00 aa 55 0a 01 07 bb 00 00 03 03 14 01 f4");

  const int gains[] = {-12, 0};
  link_->Trim_Ctrl(1, 0, 2, 3, gains, true);
  EXPECT_EQ(LastWrite(13), "00 aa 55 09 01 08 bb 01 00 02 03 0c 00");

  link_->Main_Volume_Ctrl(-5, true);
  EXPECT_EQ(LastWrite(8), "00 aa 55 04 01 02 bb 0b");
  link_->Main_Volume_Ctrl(-60, true);
  EXPECT_EQ(LastWrite(8), "00 aa 55 04 01 02 bb 42");
  link_->Source_Switch_Ctrl(2, true);
  EXPECT_EQ(LastWrite(8), "00 aa 55 04 01 01 bb 53");
}

TEST_F(CommandBuilders, RangesListOneEntryPerChannelAndNoneWhenReversed) {
  const int values[] = {1, 0, 1, 1, 0, 1};
  link_->Mute_Ch_Ctrl(0, 0, 0, 5, values, true);
  EXPECT_EQ(LastWrite(17), "00 aa 55 0d 01 09 bb 00 00 00 05 01 00 01 01 00 01");
  link_->Phase_Ctrl(0, 0, 4, 2, values, true);
  EXPECT_EQ(LastWrite(12), "00 aa 55 07 01 0a bb 00 00 04 02 2d");
  const float delays[] = {1.0f};
  link_->Delay_Ctrl(0, 0, 5, 4, delays, true);
  EXPECT_EQ(LastWrite(8), "00 aa 55 07 01 07 bb 00");
  const int trims[] = {100};
  link_->Input_Mix_Trim_Ctrl(0, 1, 2, 3, 2, trims, true);
  EXPECT_EQ(LastWrite(4), "00 aa 55 08") << "five head bytes only";
  // A caller's array shorter than the range is never read past.
  const int masks[] = {0x13};
  link_->Mix_Ch_Ctrl(0, 6, 0, 5, masks, true);
  EXPECT_EQ(LastWrite(13), "00 aa 55 08 01 0b bb 00 06 00 05 13 13");
}

TEST_F(CommandBuilders, CountedListsAndCutsToBytes) {
  const int pairs[] = {0, 1, 2, 3};
  link_->CH_Link_Ctrl(0, 1, 2, pairs, true);
  EXPECT_EQ(LastWrite(14), "00 aa 55 0a 01 0e bb 00 01 02 00 01 02 03");
  const int channels[] = {0, 5};
  link_->PEQ_Reset_Ctrl(0, 0, 2, channels, true);
  EXPECT_EQ(LastWrite(12), "00 aa 55 08 01 11 bb 00 00 02 00 05");
  // Frequency cut to 16 bits, other values to 8.
  link_->Filter_Ctrl(0x101, 0, 1, 2, 3, 0x12345, 0x108, true);
  EXPECT_EQ(LastWrite(15), "00 aa 55 0b 01 05 bb 01 00 01 02 03 23 45 08");
  link_->CH_Lock_Ctrl(0, 1, true);
  EXPECT_EQ(LastWrite(9), "00 aa 55 05 01 0f bb 00 01");
}

TEST_F(CommandBuilders, RequestsCarryTheirRanges) {
  link_->Get_EQ(0, 0, 2, 0, 7);
  EXPECT_EQ(LastWrite(12), "00 aa 55 08 01 06 66 00 00 02 00 07");
  link_->Get_CH_Type(0, 0, 0, 6);
  EXPECT_EQ(LastWrite(11), "00 aa 55 07 01 0d 66 00 00 00 06");
  link_->Get_Input_Mix_CH_Trim(3, 4, 1, 0, 5);
  EXPECT_EQ(LastWrite(12), "00 aa 55 08 01 24 66 03 04 01 00 05");
  link_->Get_CH_Link(2);
  EXPECT_EQ(LastWrite(8), "00 aa 55 04 01 0e 66 02");
}

TEST_F(CommandBuilders, LargestPayloadPutsTheChecksumInTheLastByte) {
  std::vector<std::uint8_t> payload(57, 0x01);
  const auto frame = CommandFrame::Build(cmd::kDsp, 0x01, op::kSet, payload);
  EXPECT_EQ(frame.length(), 60);
  std::uint8_t sum = 0;
  for (std::size_t i = 3; i < kFrameSize; ++i)
    sum = static_cast<std::uint8_t>(sum + frame.bytes()[i]);
  EXPECT_EQ(sum, 0) << "bytes 3 to 64 add up to 0";
  EXPECT_NE(frame.bytes()[64], 0);
  // A longer payload is cut to fit rather than overrunning the report.
  std::vector<std::uint8_t> too_long(70, 0x01);
  EXPECT_EQ(CommandFrame::Build(cmd::kDsp, 0x01, op::kSet, too_long).length(), 60);
}

TEST(SceneNameCodec, RoundTripsChineseAndCutsAtAWholeCharacter) {
  const std::wstring name = L"\u4E3B\u573A\u666F A";  // three GBK characters, space, A
  const auto bytes = EncodeSceneName(name);
  EXPECT_EQ(bytes[0], 0xD6);  // GBK lead byte of U+4E3B
  EXPECT_EQ(DecodeSceneName(bytes), name);
  // Nine two-byte characters do not fit in 16 bytes: eight go, none is split.
  const auto cut = EncodeSceneName(std::wstring(9, L'\u4E3B'));
  EXPECT_EQ(DecodeSceneName(cut), std::wstring(8, L'\u4E3B'));
  // A full name has no terminator; decoding stops after 16 bytes.
  std::array<std::uint8_t, 20> wire{};
  wire.fill('x');
  EXPECT_EQ(DecodeSceneName(wire), std::wstring(16, L'x'));
  const std::uint8_t broken[] = {'a', 0x81};  // a lead byte with nothing after it
  EXPECT_EQ(DecodeSceneName(broken), L"a\uFFFD");
}

}  // namespace
}  // namespace tolva::device::testing
