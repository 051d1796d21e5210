// Group 1 room-correction reports, for the calibration window.
#include <array>

#include "base/debug_print.h"
#include "device/protocol/command_frame.h"
#include "device/protocol/irc_records.h"
#include "device/protocol/protocol_codes.h"
#include "device/protocol/records.h"
#include "device/protocol/reply_decoder.h"
#include "device/protocol/reply_entries.h"

namespace tolva::device {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::array<const wchar_t*, 13> kStatusNames{
    L"IRC_RET_START_TEST",       L"IRC_RET_SPK_STATUS_TEST",    L"IRC_RET_LEVEL_TEST",
    L"IRC_RET_DELAY_TEST",       L"IRC_RET_TRIM_TEST",          L"IRC_RET_EQ_TEST",
    L"IRC_RET_SPEAKER_RTA_TEST", L"IRC_RET_SPEAKER_RTA_UPDATE", L"IRC_RET_EQ_DATA_UPDATE",
    L"IRC_RET_TEST_DATA_UPDATE", L"IRC_RET_TEST_DONE",          L"IRC_RET_TEST_FAIL->",
    L"IRC_RET_TEST_EXIT"};
constexpr std::array<const wchar_t*, 6> kFailureNames{L"IRC_FAIL_NO_VAR",     L"IRC_FAIL_NO_MIC",
                                                      L"IRC_FAIL_NO_SPEAKER", L"IRC_FAIL_DELAY",
                                                      L"IRC_FAIL_TRIM",       L"IRC_FAIL_EQ"};

}  // namespace

void ReplyDecoder::DecodeIrc(const ReplyFrame& frame) {
  const Bytes d = frame.data();
  const std::uint8_t sub = frame.sub();
  const auto post = [this](std::int64_t param, std::int64_t value,
                           std::unique_ptr<NotificationRecord> record = {}) {
    Post(TargetWindow::kCalibration, MSG_IRC_VALUE, param, value, std::move(record));
  };
  if (sub == dsp_sub::kIrcControl) {
    if (d.empty()) return;
    // Only a failure needs the fifth byte; missing channel or progress bytes read as 0.
    const auto at = [&d](std::size_t i) -> int { return i < d.size() ? d[i] : 0; };
    const int status = d[0];
    DebugPrint(L"DSP_IRC_CTRL Update Status = 0x%x, progress = %d ", status, at(3));
    if (status > kIrcExit) {
      DebugPrint(L"\n");
      return;
    }
    DebugPrint(L"%ls", kStatusNames[static_cast<std::size_t>(status)]);
    if (status == kIrcFailed) {
      if (d.size() < 5 || d[4] >= kFailureNames.size()) {
        DebugPrint(L"\n");
        return;  // a failure this program does not know posts nothing
      }
      DebugPrint(L"%ls\n", kFailureNames[d[4]]);
      return post(status, d[4]);
    }
    DebugPrint(L"\n");
    const bool channel = status == kIrcSpectrumReady || status == kIrcEqReady;
    return post(status, channel ? at(1) : at(3));
  }
  if (d.size() < 2) return;
  switch (sub) {
    case dsp_sub::kIrcDistance:
      return ForEachEntry(d, d[0], d[1], 2, 2, [&](int ch, Bytes e) {
        auto r = std::make_unique<IrcDistanceReply>();
        r->ch = ch;
        r->distance = static_cast<float>(e[0]) + static_cast<float>(e[1]) / 100.0f;
        post(kIrcDistance, 0, std::move(r));
      });
    case dsp_sub::kIrcTrim:
    case dsp_sub::kIrcSpeakerSize:
    case dsp_sub::kIrcSpeakerPhase:
    case dsp_sub::kIrcSpeakerLevel:
    case dsp_sub::kIrcNoiseLevel: {
      const std::int64_t kind = sub == dsp_sub::kIrcTrim           ? kIrcTrim
                                : sub == dsp_sub::kIrcSpeakerSize  ? kIrcSpeakerSize
                                : sub == dsp_sub::kIrcSpeakerPhase ? kIrcSpeakerPhase
                                : sub == dsp_sub::kIrcSpeakerLevel ? kIrcSpeakerLevel
                                                                   : kIrcNoiseLevel;
      return ForEachEntry(d, d[0], d[1], 2, 1, [&](int ch, Bytes e) {
        auto r = std::make_unique<IrcChannelValueReply>();
        r->ch = ch;
        r->value = sub == dsp_sub::kIrcSpeakerPhase ? static_cast<std::int8_t>(e[0]) : e[0];
        post(kind, 0, std::move(r));
      });
    }
    case dsp_sub::kIrcBand:
      if (d.size() < 3) return;
      return ForEachEntry(d, d[1], d[2], 3, 6, [&](int band, Bytes e) {
        auto r = std::make_unique<IrcEqReply>();
        r->ch = d[0];
        r->band = band;
        r->freq = e[0] << 8 | e[1];
        r->q = static_cast<float>(e[2] << 8 | e[3]) / 100.0f;
        r->gain = static_cast<float>(e[4] << 8 | e[5]) / 10.0f - 18.0f;
        post(kIrcEq, 0, std::move(r));
      });
    case dsp_sub::kIrcSpectrum:
      if (d.size() < 3) return;
      return ForEachEntry(d, d[1], d[2], 3, 5, [&](int band, Bytes e) {
        auto r = std::make_unique<IrcSpectrumReply>();
        r->ch = d[0];
        r->band = band;
        r->freq = static_cast<float>(e[0] << 8 | e[1]) + static_cast<float>(e[2]) / 100.0f;
        r->gain = static_cast<float>(static_cast<std::int8_t>(e[3])) +
                  static_cast<float>(static_cast<std::int8_t>(e[4])) / 100.0f;
        post(kIrcSpectrum, 0, std::move(r));
      });
    default:
      return;
  }
}

}  // namespace tolva::device
