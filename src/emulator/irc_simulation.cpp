#include "emulator/irc_simulation.h"

#include <algorithm>
#include <cmath>

#include "device/protocol/command_frame.h"
#include "device/protocol/protocol_codes.h"

namespace tolva::emulator {
namespace {

namespace op = device::op;
constexpr int kCorrectionBands = 11;
constexpr int kSpectrumPoints = 121;
constexpr int kStageSpectrum = 7, kStageEq = 8, kStageTestData = 9, kStageDone = 10,
              kStageFailed = 11, kStageExit = 12;
// Channel stages carry the output in their upper byte.
int ChannelStage(int stage, int ch) {
  return stage | ch << 8;
}

std::uint8_t Hi(int v) {
  return static_cast<std::uint8_t>(v >> 8);
}
std::uint8_t Lo(int v) {
  return static_cast<std::uint8_t>(v);
}

}  // namespace

std::uint16_t IrcSimulation::CorrectionFrequency(int band) {
  return static_cast<std::uint16_t>(std::lround(40.0 * std::pow(2.0, band * 0.8)));
}

// A dip near each output's own "room mode", different per output so curves can be told apart.
float IrcSimulation::CorrectionGain(int ch, int band) {
  const double centre = 2.0 + ch;
  const double g = -6.0 * std::exp(-(band - centre) * (band - centre) / 2.0) + 1.5 * std::sin(band);
  return static_cast<float>(std::round(g * 10.0) / 10.0);
}

std::vector<std::uint8_t> IrcSimulation::Status() {
  return {static_cast<std::uint8_t>(status_), static_cast<std::uint8_t>(channel_), 0,
          static_cast<std::uint8_t>(progress_), static_cast<std::uint8_t>(fail_code_)};
}

void IrcSimulation::Advance(int fail_code) {
  if (!running_ || pending_.empty()) return;
  const int stage = pending_.front();
  pending_.erase(pending_.begin());
  status_ = stage & 0xFF;
  channel_ = stage >> 8;
  const int total = 16;
  progress_ = std::min(100, progress_ + 100 / total);
  if (status_ == 2 && fail_code >= 0) {
    status_ = kStageFailed;
    fail_code_ = fail_code;
    running_ = false;
    pending_.clear();
    return;
  }
  if (status_ == kStageDone) {
    progress_ = 100;
    running_ = false;
    finished_ = true;
  }
}

std::optional<IrcSimulation::Answer> IrcSimulation::Handle(std::uint8_t sub, std::uint8_t o,
                                                           std::span<const std::uint8_t> p,
                                                           UnitState& state, int fail_code) {
  if (sub < device::dsp_sub::kFirstIrc || sub > device::dsp_sub::kLastIrc) return std::nullopt;
  Answer a;
  if (o == op::kSet) {
    a.acknowledge = true;
    if (sub == device::dsp_sub::kIrcTestModule) {
      modules_ = p.empty() ? 0 : p[0];
    } else if (sub == device::dsp_sub::kIrcControl) {
      if (p.size() < 4) {
        a.ready = false;
        return a;
      }
      switch (p[0]) {
        case 0:  // stop
          running_ = false;
          pending_.clear();
          status_ = kStageExit;
          break;
        case 1:  // start
          mask_ = p[1] << 8 | p[2];
          running_ = true;
          finished_ = false;
          status_ = progress_ = channel_ = fail_code_ = 0;
          pending_ = {0, 1, 2, 3, 4, 5, 6};
          for (int ch = 0; ch < kOutputs; ++ch) {
            if ((mask_ >> ch & 1) == 0) continue;
            pending_.push_back(ChannelStage(kStageSpectrum, ch));
            pending_.push_back(ChannelStage(kStageEq, ch));
          }
          pending_.push_back(kStageTestData);
          pending_.push_back(kStageDone);
          break;
        case 2:  // apply: the correction goes into the working set
          if (!finished_) {
            a.ready = false;
            break;
          }
          for (int ch = 0; ch < kOutputs; ++ch) {
            if ((mask_ >> ch & 1) == 0) continue;
            OutputState& out = state.scenes[0].outputs[ch];
            for (int b = 0; b < kCorrectionBands; ++b) {
              out.bands[b].freq = CorrectionFrequency(b);
              out.bands[b].q_hundredths = 200;
              out.bands[b].gain_tenths =
                  static_cast<std::int16_t>(std::lround((CorrectionGain(ch, b) + 18.0f) * 10.0f));
            }
            out.bypass = 0;
          }
          finished_ = false;
          break;
        default:  // cancel
          finished_ = false;
          break;
      }
    }
    return a;
  }
  if (o != op::kGet) return std::nullopt;
  switch (sub) {
    case device::dsp_sub::kIrcControl:
      Advance(fail_code);
      a.data = Status();
      return a;
    case device::dsp_sub::kIrcBand: {  // correction EQ: ch, band_x, band_y; freq, Q (hundredths),
                                       // gain (+18, tenths)
      if (p.size() < 3) return std::nullopt;
      a.data = {p[0], p[1], p[2]};
      for (int b = p[1]; b <= std::min<int>(p[2], kCorrectionBands - 1) && b < p[1] + 8; ++b) {
        const int f = CorrectionFrequency(b);
        const int g = static_cast<int>(std::lround((CorrectionGain(p[0], b) + 18.0f) * 10.0f));
        a.data.insert(a.data.end(), {Hi(f), Lo(f), Hi(200), Lo(200), Hi(g), Lo(g)});
      }
      return a;
    }
    case device::dsp_sub::kIrcSpectrum: {  // spectrum: ch, band_x, band_y; freq, hundredths, gain,
                                           // gain hundredths
      if (p.size() < 3) return std::nullopt;
      a.data = {p[0], p[1], p[2]};
      for (int b = p[1]; b <= std::min<int>(p[2], kSpectrumPoints - 1) && b < p[1] + 10; ++b) {
        const int f = 20 + 19980 * b / kSpectrumPoints;
        const double level = -3.0 * std::sin(b / 9.0 + p[0]) - 0.05 * b;
        const int whole = static_cast<int>(std::trunc(level));
        const int hundredths = static_cast<int>(std::lround((level - whole) * 100.0));
        a.data.insert(a.data.end(), {Hi(f), Lo(f), 0, static_cast<std::uint8_t>(whole),
                                     static_cast<std::uint8_t>(hundredths)});
      }
      return a;
    }
    case device::dsp_sub::kIrcDistance:
    case device::dsp_sub::kIrcTrim:
    case device::dsp_sub::kIrcSpeakerSize:
    case device::dsp_sub::kIrcSpeakerPhase:
    case device::dsp_sub::kIrcSpeakerLevel:
    case device::dsp_sub::kIrcNoiseLevel: {  // per channel from d0 to d1: distance (2 bytes) or one
                                             // byte
      if (p.size() < 2) return std::nullopt;
      a.data = {p[0], p[1]};
      for (int ch = p[0]; ch <= std::min<int>(p[1], kOutputs - 1); ++ch) {
        if (sub == device::dsp_sub::kIrcDistance) {
          a.data.insert(a.data.end(), {static_cast<std::uint8_t>(1 + ch / 2),
                                       static_cast<std::uint8_t>(10 * ch + 5)});
        } else {
          a.data.push_back(static_cast<std::uint8_t>(ch + 1));
        }
      }
      return a;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace tolva::emulator
