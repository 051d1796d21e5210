// Group 1 builders and requests: the DSP parameters.
#include <algorithm>
#include <initializer_list>

#include "base/debug_print.h"
#include "device/protocol/command_frame.h"
#include "device/link/dsp_link.h"
#include "device/protocol/protocol_codes.h"
#include "device/protocol/value_encoding.h"

namespace tolva::device {

namespace {

using Payload = std::vector<std::uint8_t>;

std::uint8_t Low8(int v) {
  return static_cast<std::uint8_t>(v & 0xFF);
}

Payload Head(std::initializer_list<int> fields) {
  Payload p;
  p.reserve(kMaxPayload);
  for (int f : fields) p.push_back(Low8(f));
  return p;
}

// Entries for channels ch_x ... ch_y from values[0 ...]; the list ends where the range or the
// caller's array ends, so a short array is never read past.
template <class T, class Append>
void AppendRange(Payload& p, int ch_x, int ch_y, std::span<const T> values, Append append) {
  for (std::size_t i = 0; ch_x + static_cast<int>(i) <= ch_y && i < values.size(); ++i) {
    append(p, values[i]);
  }
}

Payload ByteRange(std::initializer_list<int> head, int ch_x, int ch_y, std::span<const int> values,
                  int (*encode)(int)) {
  Payload p = Head(head);
  AppendRange(p, ch_x, ch_y, values,
              [encode](Payload& out, int v) { out.push_back(Low8(encode(v))); });
  return p;
}

int AsIs(int v) {
  return v;
}
int Attenuation(int gain) {
  return -gain;
}

void LogRange(const wchar_t* name, int scene, int source, int ch_x, int ch_y,
              std::span<const int> values, bool sync) {
  DebugPrint(L"%ls: scene(%d), source(%d), ch_x(%d), ch_y(%d)", name, scene, source, ch_x, ch_y);
  for (int v : values) DebugPrint(L", %d", v);
  DebugPrint(L", syncMode(%d)\n", sync ? 1 : 0);
}

bool RangeRequest(DspLink& link, const wchar_t* name, std::uint8_t sub, int scene, int source,
                  int ch_x, int ch_y) {
  DebugPrint(L"%ls: scene(%d), source(%d), from ch(%d), to ch(%d)\n", name, scene, source, ch_x,
             ch_y);
  const Payload p = Head({scene, source, ch_x, ch_y});
  return link.Exchange(cmd::kDsp, sub, op::kGet, p);
}

}  // namespace

void DspLink::Source_Switch_Ctrl(int source, bool sync) {
  DebugPrint(L"Source_Switch_Ctrl: source(%d), syncMode(%d)\n", source, sync ? 1 : 0);
  Issue(cmd::kDsp, dsp_sub::kSource, op::kSet, {Low8(kSourceCodeBase + source)}, sync);
}

void DspLink::Main_Volume_Ctrl(int volume, bool sync) {
  DebugPrint(L"Main_Volume_Ctrl: volume(%d), syncMode(%d)\n", volume, sync ? 1 : 0);
  Issue(cmd::kDsp, dsp_sub::kMainVolume, op::kSet, {Low8(6 - volume)}, sync);
}

void DspLink::Mute_Ctrl(int mute, bool sync) {
  DebugPrint(L"Mute_Ctrl: mute(%d), syncMode(%d)\n", mute, sync ? 1 : 0);
  Issue(cmd::kDsp, dsp_sub::kMainMute, op::kSet, {Low8(mute)}, sync);
}

void DspLink::Filter_Ctrl(int scene, int source, int ch, int filter, int type, int freq, int slope,
                          bool sync) {
  DebugPrint(
      L"Filter_Ctrl: scene(%d), source(%d), channel(%d), filter(%d), type(%d), freq(%d), "
      L"slope(%d), syncMode(%d)\n",
      scene, source, ch, filter, type, freq, slope, sync ? 1 : 0);
  Payload p = Head({scene, source, ch, filter, type});
  const auto f = EncodeU16(freq);
  p.insert(p.end(), f.begin(), f.end());
  p.push_back(Low8(slope));
  Issue(cmd::kDsp, dsp_sub::kFilter, op::kSet, std::move(p), sync);
}

void DspLink::EQ_Ctrl(int scene, int source, int ch, int band, int freq, float q, float gain,
                      bool sync) {
  DebugPrint(
      L"EQ_Ctrl: scene(%d), source(%d), channel(%d), band(%d), freq(%d), Q(%.2f), gain(%.2f), "
      L"syncMode(%d)\n",
      scene, source, ch, band, freq, q, gain, sync ? 1 : 0);
  Payload p = Head({scene, source, ch, band});
  for (const auto& part : {EncodeU16(freq), EncodeQ(q), EncodeGain(gain)}) {
    p.insert(p.end(), part.begin(), part.end());
  }
  Issue(cmd::kDsp, dsp_sub::kBand, op::kSet, std::move(p), sync);
}

void DspLink::Delay_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const float> delays,
                         bool sync) {
  for (std::size_t i = 0; ch_x + static_cast<int>(i) <= ch_y && i < delays.size(); ++i) {
    DebugPrint(L"Delay_Ctrl: scene(%d), channel(%d), delay(%.3f)\n", scene,
               ch_x + static_cast<int>(i), delays[i]);
  }
  Payload p = Head({scene, source, ch_x, ch_y});
  AppendRange(p, ch_x, ch_y, delays, [](Payload& out, float d) {
    const auto e = EncodeDelay(d);
    out.insert(out.end(), e.begin(), e.end());
  });
  Issue(cmd::kDsp, dsp_sub::kDelay, op::kSet, std::move(p), sync);
}

void DspLink::Trim_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> gains,
                        bool sync) {
  LogRange(L"Trim_Ctrl", scene, source, ch_x, ch_y, gains, sync);
  Issue(cmd::kDsp, dsp_sub::kTrim, op::kSet,
        ByteRange({scene, source, ch_x, ch_y}, ch_x, ch_y, gains, Attenuation), sync);
}

void DspLink::Mute_Ch_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> mutes,
                           bool sync) {
  LogRange(L"Mute_Ch_Ctrl", scene, source, ch_x, ch_y, mutes, sync);
  Issue(cmd::kDsp, dsp_sub::kChannelMute, op::kSet,
        ByteRange({scene, source, ch_x, ch_y}, ch_x, ch_y, mutes, AsIs), sync);
}

void DspLink::Phase_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> phases,
                         bool sync) {
  LogRange(L"Phase_Ctrl", scene, source, ch_x, ch_y, phases, sync);
  Issue(cmd::kDsp, dsp_sub::kPhase, op::kSet,
        ByteRange({scene, source, ch_x, ch_y}, ch_x, ch_y, phases, AsIs), sync);
}

void DspLink::Mix_Ch_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> masks,
                          bool sync) {
  LogRange(L"Mix_Ch_Ctrl", scene, source, ch_x, ch_y, masks, sync);
  Issue(cmd::kDsp, dsp_sub::kMix, op::kSet,
        ByteRange({scene, source, ch_x, ch_y}, ch_x, ch_y, masks, AsIs), sync);
}

void DspLink::CH_Type_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> roles,
                           bool sync) {
  LogRange(L"CH_Type_Ctrl", scene, source, ch_x, ch_y, roles, sync);
  Issue(cmd::kDsp, dsp_sub::kRole, op::kSet,
        ByteRange({scene, source, ch_x, ch_y}, ch_x, ch_y, roles, AsIs), sync);
}

void DspLink::CH_Link_Ctrl(int scene, int link, int count, std::span<const int> pairs, bool sync) {
  DebugPrint(L"CH_Link_Ctrl: scene(%d), link(%d), count(%d), syncMode(%d)\n", scene, link, count,
             sync ? 1 : 0);
  Payload p = Head({scene, link, count});
  const std::size_t values =
      std::min(pairs.size() / 2, static_cast<std::size_t>(std::max(count, 0))) * 2;
  for (std::size_t i = 0; i < values; ++i) p.push_back(Low8(pairs[i]));
  Issue(cmd::kDsp, dsp_sub::kLink, op::kSet, std::move(p), sync);
}

void DspLink::CH_Lock_Ctrl(int scene, int lock, bool sync) {
  DebugPrint(L"CH_Lock_Ctrl: scene(%d), lock(%d), syncMode(%d)\n", scene, lock, sync ? 1 : 0);
  Issue(cmd::kDsp, dsp_sub::kLock, op::kSet, Head({scene, lock}), sync);
}

void DspLink::PEQ_Reset_Ctrl(int scene, int source, int count, std::span<const int> channels,
                             bool sync) {
  DebugPrint(L"PEQ_Reset_Ctrl: scene(%d), source(%d), count(%d), syncMode(%d)\n", scene, source,
             count, sync ? 1 : 0);
  Payload p = Head({scene, source, count});
  const std::size_t n = std::min(channels.size(), static_cast<std::size_t>(std::max(count, 0)));
  for (std::size_t i = 0; i < n; ++i) p.push_back(Low8(channels[i]));
  Issue(cmd::kDsp, dsp_sub::kBandReset, op::kSet, std::move(p), sync);
}

void DspLink::PEQ_Bypass_Ctrl(int scene, int source, int ch_x, int ch_y,
                              std::span<const int> bypass, bool sync) {
  LogRange(L"PEQ_Bypass_Ctrl", scene, source, ch_x, ch_y, bypass, sync);
  Issue(cmd::kDsp, dsp_sub::kBypass, op::kSet,
        ByteRange({scene, source, ch_x, ch_y}, ch_x, ch_y, bypass, AsIs), sync);
}

void DspLink::Input_Mix_Trim_Ctrl(int scene, int source, int in_ch, int out_ch_x, int out_ch_y,
                                  std::span<const int> trims, bool sync) {
  DebugPrint(L"Input_Mix_Trim_Ctrl: scene(%d), source(%d), in_ch(%d), out_ch_x(%d), out_ch_y(%d)",
             scene, source, in_ch, out_ch_x, out_ch_y);
  for (int t : trims) DebugPrint(L", %d", t);
  DebugPrint(L", syncMode(%d)\n", sync ? 1 : 0);
  Issue(cmd::kDsp, dsp_sub::kInputMixTrim, op::kSet,
        ByteRange({scene, source, in_ch, out_ch_x, out_ch_y}, out_ch_x, out_ch_y, trims, AsIs),
        sync);
}

// --- Requests ---

bool DspLink::Get_Source() {
  DebugPrint(L"Get_Source\n");
  return Exchange(cmd::kDsp, dsp_sub::kSource, op::kGet, {});
}

bool DspLink::Get_Main_Volume() {
  DebugPrint(L"Get_Main_Volume\n");
  return Exchange(cmd::kDsp, dsp_sub::kMainVolume, op::kGet, {});
}

bool DspLink::Get_Subwoofer_Volume() {
  DebugPrint(L"Get_Subwoofer_Volume\n");
  return Exchange(cmd::kDsp, dsp_sub::kSubwooferVolume, op::kGet, {});
}

bool DspLink::Get_Mute() {
  DebugPrint(L"Get_Mute\n");
  return Exchange(cmd::kDsp, dsp_sub::kMainMute, op::kGet, {});
}

bool DspLink::Get_Filter(int scene, int source, int ch_x, int ch_y) {
  return RangeRequest(*this, L"Get_Filter", dsp_sub::kFilter, scene, source, ch_x, ch_y);
}

bool DspLink::Get_Delay(int scene, int source, int ch_x, int ch_y) {
  return RangeRequest(*this, L"Get_Delay", dsp_sub::kDelay, scene, source, ch_x, ch_y);
}

bool DspLink::Get_Trim(int scene, int source, int ch_x, int ch_y) {
  return RangeRequest(*this, L"Get_Trim", dsp_sub::kTrim, scene, source, ch_x, ch_y);
}

bool DspLink::Get_Mute_Ch(int scene, int source, int ch_x, int ch_y) {
  return RangeRequest(*this, L"Get_Mute_Ch", dsp_sub::kChannelMute, scene, source, ch_x, ch_y);
}

bool DspLink::Get_Phase(int scene, int source, int ch_x, int ch_y) {
  return RangeRequest(*this, L"Get_Phase", dsp_sub::kPhase, scene, source, ch_x, ch_y);
}

bool DspLink::Get_Mix_Ch(int scene, int source, int ch_x, int ch_y) {
  return RangeRequest(*this, L"Get_Mix_Ch", dsp_sub::kMix, scene, source, ch_x, ch_y);
}

bool DspLink::Get_CH_Type(int scene, int source, int ch_x, int ch_y) {
  return RangeRequest(*this, L"Get_CH_Type", dsp_sub::kRole, scene, source, ch_x, ch_y);
}

bool DspLink::Get_PEQ_Bypass(int scene, int source, int ch_x, int ch_y) {
  return RangeRequest(*this, L"Get_PEQ_Bypass", dsp_sub::kBypass, scene, source, ch_x, ch_y);
}

bool DspLink::Get_EQ(int scene, int source, int ch, int band_x, int band_y) {
  DebugPrint(L"Get_EQ: scene(%d), source(%d), ch(%d), from band(%d), to band(%d)\n", scene, source,
             ch, band_x, band_y);
  const Payload p = Head({scene, source, ch, band_x, band_y});
  return Exchange(cmd::kDsp, dsp_sub::kBand, op::kGet, p);
}

bool DspLink::Get_CH_Link(int scene) {
  DebugPrint(L"Get_CH_Link: scene(%d)\n", scene);
  const Payload p = Head({scene});
  return Exchange(cmd::kDsp, dsp_sub::kLink, op::kGet, p);
}

bool DspLink::Get_CH_Lock(int scene) {
  DebugPrint(L"Get_CH_Lock: scene(%d)\n", scene);
  const Payload p = Head({scene});
  return Exchange(cmd::kDsp, dsp_sub::kLock, op::kGet, p);
}

bool DspLink::Get_Input_Mix_CH_Trim(int scene, int source, int in_ch, int out_ch_x, int out_ch_y) {
  DebugPrint(L"Get_Input_Mix_CH_Trim: scene(%d), source(%d), in_ch(%d), from(%d), to(%d)\n", scene,
             source, in_ch, out_ch_x, out_ch_y);
  const Payload p = Head({scene, source, in_ch, out_ch_x, out_ch_y});
  return Exchange(cmd::kDsp, dsp_sub::kInputMixTrim, op::kGet, p);
}

}  // namespace tolva::device
