// Group 1 replies: DSP parameters.
#include <algorithm>

#include "base/debug_print.h"
#include "device/protocol/command_frame.h"
#include "device/protocol/protocol_codes.h"
#include "device/protocol/records.h"
#include "device/protocol/reply_decoder.h"
#include "device/protocol/reply_entries.h"
#include "device/protocol/value_encoding.h"

namespace tolva::device {

namespace {

using Bytes = std::span<const std::uint8_t>;

std::int8_t Signed(std::uint8_t b) {
  return static_cast<std::int8_t>(b);
}

const wchar_t* RangeHead(std::uint8_t sub) {
  switch (sub) {
    case dsp_sub::kFilter:
      return L"DSP_FILTER_GET OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    case dsp_sub::kDelay:
      return L"DSP_DELAY_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    case dsp_sub::kTrim:
      return L"DSP_TRIM_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    case dsp_sub::kChannelMute:
      return L"DSP_MUTE_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    case dsp_sub::kPhase:
      return L"Get DSP_PHASE_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    case dsp_sub::kMix:
      return L"DSP_MIX_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    case dsp_sub::kBypass:
      return L"DSP_EQ_BYPASS OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    case dsp_sub::kInputTrim:
      return L"DSP_INPUT_TRIM_CH OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    case dsp_sub::kInputMute:
      return L"DSP_INPUT_CH_MUTE OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    case dsp_sub::kInputPhase:
      return L"Get INPUT_CH_PHASE OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n";
    default:
      return nullptr;
  }
}

struct OneByteList {
  std::uint8_t sub;
  const wchar_t* entry_log;
  bool is_signed;  // posted as ChannelByteReply, else ChannelValueReply
};

constexpr OneByteList kOneByteLists[] = {
    {dsp_sub::kTrim, L"ch(%d), trim(%d)\n", true},
    {dsp_sub::kChannelMute, L"ch(%d), mute(%d)\n", false},
    {dsp_sub::kPhase, L"ch(%d), phase(%d)\n", true},
    {dsp_sub::kRole, L"ch(%d), ch_type(%d)\n", false},
    {dsp_sub::kBypass, L"ch(%d), bypass(%d)\n", false},
    {dsp_sub::kInputPhase, L"ch(%d), phase(%d)\n", true},
};

const OneByteList* FindOneByteList(std::uint8_t sub) {
  for (const auto& list : kOneByteLists) {
    if (list.sub == sub) return &list;
  }
  return nullptr;
}

}  // namespace

void ReplyDecoder::DecodeDsp(const ReplyFrame& frame) {
  const Bytes d = frame.data();
  const std::uint8_t sub = frame.sub();
  const std::uint8_t op = frame.op();
  const auto post = [this](std::int64_t param, std::int64_t value,
                           std::unique_ptr<NotificationRecord> record = {}) {
    Post(TargetWindow::kMain, MSG_DSP_VALUE, param, value, std::move(record));
  };

  if (sub == dsp_sub::kRole && op == op::kAck) {
    DebugPrint(L"DSP_CH_TYPE OP_ACK\n");
    return;
  }
  if (op != op::kData) return;
  if (sub >= dsp_sub::kIrcControl && sub <= dsp_sub::kIrcNoiseLevel) return DecodeIrc(frame);

  // Single values.
  switch (sub) {
    case dsp_sub::kSourceTable:
      if (d.empty()) return;
      DebugPrint(L"DSP_SOURCE_CONFIG update total source=%d -->\n", d[0]);
      for (std::size_t i = 1; i <= d[0] && i < d.size(); ++i) {
        DebugPrint(L"source%d = %d\n", static_cast<int>(i - 1), d[i]);
      }
      return;
    case dsp_sub::kSource:
      if (d.empty()) return;
      DebugPrint(L"DSP_SOURCE_SWITCH OP=0x%x, source = 0x%x\n", op, d[0]);
      post(dsp_sub::kSource, d[0]);
      return;
    case dsp_sub::kMainVolume:
      if (d.empty()) return;
      DebugPrint(L"DSP_VOLUME OP=0x%x, MVol = %d\n", op, Signed(d[0]));
      post(dsp_sub::kMainVolume, Signed(d[0]));
      return;
    case dsp_sub::kSubwooferVolume:
      if (d.empty()) return;
      DebugPrint(L"DSP_SUBWOOFER_VOLUME OP=0x%x, SUBW Vol = %d\n", op, Signed(d[0]));
      post(dsp_sub::kSubwooferVolume, Signed(d[0]));
      return;
    case dsp_sub::kMainMute:
      if (d.empty()) return;
      DebugPrint(L"DSP_MUTE OP=0x%x, MUTE = %d\n", op, d[0]);
      post(dsp_sub::kMainMute, d[0]);
      return;
    case dsp_sub::kLink: {
      if (d.size() < 2) return;
      DebugPrint(L"scene(%d), link(%d)\n", d[0], d[1]);
      auto record = std::make_unique<LinkReply>();
      record->scene = d[0];
      record->link = d[1];
      // FIXME: only model 12 units fill the link data; others send bytes of no meaning.
      if (state_.model == 12) {
        const std::size_t n = std::min<std::size_t>(8, d.size() - 2);
        std::copy_n(d.begin() + 2, n, record->data.begin());
      }
      post(dsp_sub::kLink, 0, std::move(record));
      return;
    }
    case dsp_sub::kLock: {
      if (d.size() < 2) return;
      DebugPrint(L"scene(%d), lock(%d)\n", d[0], d[1]);
      auto record = std::make_unique<LockReply>();
      record->scene = d[0];
      record->lock = d[1];
      post(dsp_sub::kLock, 0, std::move(record));
      return;
    }
    case dsp_sub::kBandReset:
      if (d.empty()) return;
      DebugPrint(L"DSP_EQ_RESET OP=0x%x, scene =%d, \n", op, d[0]);
      return;
    case dsp_sub::kInputThreshold:
      if (d.empty()) return;
      DebugPrint(L"input_threshold = %d\n", Signed(d[0]));
      post(dsp_sub::kInputThreshold, Signed(d[0]));
      return;
    case dsp_sub::kInputNoise:
      if (d.size() < 2) return;
      DebugPrint(L"INPUT_NOISE OP=0x%x, ch_x=%d, ch_y = %d\n", op, d[0], d[1]);
      // No window shows input noise: logged only.
      ForEachEntry(d, d[0], d[1], 2, 2, [](int ch, Bytes e) {
        DebugPrint(L"noise[%d]=(%f),", ch, e[0] - 100 + e[1] / 10.0);
      });
      DebugPrint(L"\n");
      return;
    default:
      break;
  }

  // EQ bands: d0 scene, d1 source, d2 ch, d3 band_x, d4 band_y, 6 bytes per band from d5.
  if (sub == dsp_sub::kBand || sub == dsp_sub::kInputBand) {
    if (d.size() < 5) return;
    if (sub == dsp_sub::kBand) {
      DebugPrint(L"DSP_EQ_CH OP=0x%x, scene =%d, source = %d, ch= %d, band=%d, band_end = %d\n", op,
                 d[0], d[1], d[2], d[3], d[4]);
    } else {
      DebugPrint(L"DSP_INPUT_EQ_CH OP=0x%x, scene =%d, \n", op, d[0]);
    }
    const int scene = d[0];
    const int ch = d[2];
    ForEachEntry(d, d[3], d[4], 5, 6, [&](int band, Bytes e) {
      auto record = std::make_unique<EqBandReply>();
      record->scene = scene;
      record->ch = ch;
      record->band = band;
      record->freq = DecodeU16(e[0], e[1]);
      record->q = DecodeQ(e[2], e[3]);
      record->gain = DecodeGain(e[4], e[5]);
      DebugPrint(L"band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", band, record->freq, record->q,
                 record->gain);
      post(sub, 0, std::move(record));
    });
    return;
  }

  // Input mix trims: d0 scene, d1 source, d2 in_ch, d3 out_ch_x, d4 out_ch_y, trims from d5.
  if (sub == dsp_sub::kInputMixTrim) {
    if (d.size() < 5) return;
    DebugPrint(
        L"DSP_INPUT_MIX_CH_TRIM OP=0x%x, scene =%d, source = 0x%x, in_ch(%d) from out_ch(%d) to "
        L"out_ch_end(%d)\n",
        op, d[0], d[1], d[2], d[3], d[4]);
    if (d[4] < d[3]) return;
    auto record = std::make_unique<InputMixReply>();
    record->scene = d[0];
    record->source = d[1];
    record->in_ch = d[2];
    record->out_ch_x = d[3];
    record->out_ch_y = d[4];
    DebugPrint(L"in_ch(%d) -> out_ch_x(%d) to out_ch_y(%d), ", d[2], d[3], d[4]);
    ForEachEntry(d, d[3], d[4], 5, 1, [&](int out, Bytes e) {
      const std::size_t slot = static_cast<std::size_t>(out - d[3]);
      if (slot < record->trims.size()) record->trims[slot] = e[0];
      DebugPrint(L"trim[%d]=(%d),", out, e[0]);
    });
    DebugPrint(L"\n");
    post(dsp_sub::kInputMixTrim, 0, std::move(record));
    return;
  }

  // Channel lists: d0 scene, d1 source, d2 ch_x, d3 ch_y, entries from d4.
  const wchar_t* head = RangeHead(sub);
  const bool ch_type = sub == dsp_sub::kRole;
  if (!head && !ch_type) return;  // room correction's reports are installed as handlers
  if (d.size() < 4) return;
  if (head) DebugPrint(head, op, d[0], d[1], d[2], d[3]);
  const int scene = d[0];
  const int source = d[1];
  const int first = d[2];
  const int last = d[3];

  const auto value_reply = [&](int ch, int value) {
    auto record = std::make_unique<ChannelValueReply>();
    record->scene = scene;
    record->ch = ch;
    record->value = value;
    post(sub, 0, std::move(record));
  };
  const auto byte_reply = [&](int ch, std::uint8_t value) {
    auto record = std::make_unique<ChannelByteReply>();
    record->scene = scene;
    record->ch = ch;
    record->value = Signed(value);
    post(sub, 0, std::move(record));
  };

  // One byte per channel: trim, mute, phase, role, bypass, input phase.
  if (const OneByteList* list = FindOneByteList(sub)) {
    ForEachEntry(d, first, last, 4, 1, [&](int ch, Bytes e) {
      const int value = list->is_signed ? Signed(e[0]) : e[0];
      DebugPrint(list->entry_log, ch, value);
      if (list->is_signed) {
        byte_reply(ch, e[0]);
      } else {
        value_reply(ch, value);
      }
    });
    return;
  }

  switch (sub) {
    case dsp_sub::kFilter:
      ForEachEntry(d, first, last, 4, 8, [&](int ch, Bytes e) {
        auto record = std::make_unique<FilterReply>();
        record->scene = scene;
        record->ch = ch;
        record->hp_type = e[0];
        record->hp_freq = DecodeU16(e[1], e[2]);
        record->hp_slope = e[3];
        record->lp_type = e[4];
        record->lp_freq = DecodeU16(e[5], e[6]);
        record->lp_slope = e[7];
        DebugPrint(
            L"ch(%d): hp_type = %d, hp_freq = %d, hp_slope = %d, lp_type = %d, lp_freq = %d, "
            L"lp_slope = %d\n",
            ch, record->hp_type, record->hp_freq, record->hp_slope, record->lp_type,
            record->lp_freq, record->lp_slope);
        post(dsp_sub::kFilter, 0, std::move(record));
      });
      break;
    case dsp_sub::kDelay:
      ForEachEntry(d, first, last, 4, 3, [&](int ch, Bytes e) {
        auto record = std::make_unique<DelayReply>();
        record->scene = scene;
        record->ch = ch;
        record->delay = DecodeDelay(e[0], e[1], e[2]);
        DebugPrint(L"ch(%d), delay(%.3f)\n", ch, record->delay);
        post(dsp_sub::kDelay, 0, std::move(record));
      });
      break;
    case dsp_sub::kMix:
      ForEachEntry(d, first, last, 4, 1, [&](int ch, Bytes e) {
        DebugPrint(L"source(%d) ch(%d), mix(%d)\n", source, ch, e[0]);
        auto record = std::make_unique<MixReply>();
        record->scene = scene;
        record->source = source;
        record->ch = ch;
        record->mask = e[0];
        post(dsp_sub::kMix, 0, std::move(record));
      });
      break;
    case dsp_sub::kInputTrim:
    case dsp_sub::kInputMute: {
      if (last < first) break;
      auto record = std::make_unique<InputRangeReply>();
      record->scene = scene;
      record->source = source;
      record->ch_x = first;
      record->ch_y = last;
      ForEachEntry(d, first, last, 4, 1, [&](int ch, Bytes e) {
        if (sub == dsp_sub::kInputTrim) DebugPrint(L"ch(%d), trim(%d)\n", ch, e[0]);
        // Indexed by the absolute input number; the record holds inputs 0-15.
        if (static_cast<std::size_t>(ch) < record->values.size()) record->values[ch] = e[0];
      });
      post(sub, 0, std::move(record));
      break;
    }
    default:
      break;
  }
}

}  // namespace tolva::device
