// Group 1, room correction: the run's control and the requests for what it measured.
#include "base/debug_print.h"
#include "device/protocol/command_frame.h"
#include "device/link/dsp_link.h"
#include "device/protocol/protocol_codes.h"

namespace tolva::device {
namespace {

std::uint8_t Low8(int v) {
  return static_cast<std::uint8_t>(v & 0xFF);
}

bool Request(DspLink& link, const wchar_t* name, std::uint8_t sub,
             std::initializer_list<int> fields) {
  DebugPrint(L"%ls:", name);
  std::vector<std::uint8_t> p;
  for (int f : fields) {
    DebugPrint(L" %d", f);
    p.push_back(Low8(f));
  }
  DebugPrint(L"\n");
  return link.Exchange(cmd::kDsp, sub, op::kGet, p);
}

}  // namespace

bool DspLink::IRC_Ctrl(int on, int channel_mask, int eq_mode, bool sync) {
  DebugPrint(L"IRC_Ctrl: on(%d), ircch=0x%x, irc_eqmode = %d, syncMode(%d)\n", on, channel_mask,
             eq_mode, sync ? 1 : 0);
  const std::vector<std::uint8_t> p{Low8(on), Low8(channel_mask >> 8), Low8(channel_mask),
                                    Low8(eq_mode)};
  if (sync) return Exchange(cmd::kDsp, dsp_sub::kIrcControl, op::kSet, p);
  // Queued commands and the queue's switches both come from the window thread: no race here.
  if (!IsCommandQueueEnabled()) return false;
  Issue(cmd::kDsp, dsp_sub::kIrcControl, op::kSet, p, false);
  return true;
}

bool DspLink::IRC_Get() {
  return Request(*this, L"IRC_Get", dsp_sub::kIrcControl, {});
}
bool DspLink::IRC_Get_Distance(int ch, int ch_end) {
  return Request(*this, L"IRC_Get_Distance", dsp_sub::kIrcDistance, {ch, ch_end});
}
bool DspLink::IRC_Get_Trim(int ch, int ch_end) {
  return Request(*this, L"IRC_Get_Trim", dsp_sub::kIrcTrim, {ch, ch_end});
}
bool DspLink::IRC_Get_EQ(int ch, int band, int band_end) {
  return Request(*this, L"IRC_Get_EQ", dsp_sub::kIrcBand, {ch, band, band_end});
}
bool DspLink::IRC_Get_Spk_Size(int ch, int ch_end) {
  return Request(*this, L"IRC_Get_Spk_Size", dsp_sub::kIrcSpeakerSize, {ch, ch_end});
}
bool DspLink::IRC_Get_Spk_Phase(int ch, int ch_end) {
  return Request(*this, L"IRC_Get_Spk_Phase", dsp_sub::kIrcSpeakerPhase, {ch, ch_end});
}
bool DspLink::IRC_Get_Spk_Level(int ch, int ch_end) {
  return Request(*this, L"IRC_Get_Spk_Level", dsp_sub::kIrcSpeakerLevel, {ch, ch_end});
}
bool DspLink::IRC_Get_Spectrum(int ch, int band, int band_end) {
  return Request(*this, L"IRC_Get_Spectrum", dsp_sub::kIrcSpectrum, {ch, band, band_end});
}
bool DspLink::IRC_Get_Noise_Level(int ch, int ch_end) {
  return Request(*this, L"IRC_Get_Noise_Level", dsp_sub::kIrcNoiseLevel, {ch, ch_end});
}
bool DspLink::IRC_Get_RTA() {
  return Request(*this, L"IRC_Get_RTA", dsp_sub::kIrcRta, {});
}

bool DspLink::IRC_Set_Test_Mic(int on) {
  DebugPrint(L"IRC_Set_Test_Mic: on(%d), syncMode(%d)\n", on, 1);
  const std::uint8_t p[] = {Low8(on)};
  return Exchange(cmd::kDsp, dsp_sub::kIrcTestMic, op::kSet, p);
}

bool DspLink::IRC_Sel_Test_Module(int module_bits) {
  DebugPrint(L"IRC_Sel_Test_Module: Module(0x%x), syncMode(%d)\n", module_bits, 1);
  const std::uint8_t p[] = {Low8(module_bits)};
  return Exchange(cmd::kDsp, dsp_sub::kIrcTestModule, op::kSet, p);
}

}  // namespace tolva::device
