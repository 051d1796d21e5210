// The reply callbacks: each value the unit reports, applied to the live profile (scene 0, and
// then shown) or to stored scene k's profile. Run on the window thread only.
#include "base/debug_print.h"
#include "base/language_tables.h"
#include "device/protocol/protocol_codes.h"
#include "device/protocol/records.h"
#include "model/profile/input_sources.h"
#include "model/profile/output_links.h"
#include "model/profile/scene_names.h"
#include "model/manager/connection/unit_connection.h"

namespace tolva::model {

using namespace device;

namespace {

template <class R>
const R* As(NotificationRecord* record) {
  return dynamic_cast<const R*>(record);
}

bool ValidOutput(int ch) {
  return ch >= 0 && ch < kOutputChannels;
}

// Input trims of 0 or below on a routed input read as unset: they become 100.
int StoredTrim(const Profile& p, int source, int in, int out, std::int8_t trim) {
  const bool routed = (p.inputs[source][out] >> in) & 1;
  return trim < 1 && routed ? 100 : trim;
}

}  // namespace

void UnitConnection::Shown(int code, int channel) {
  ctx_.view->LiveValueApplied(code, channel);
}

void UnitConnection::ApplyLinkFlag(Profile& p, int link, bool live) {
  if (link == 1) {
    p.linkMode = 1;
    p.lockMode = 1;
    RecomputeLinkOutputs(p);
  } else {
    ClearLinks(p);
  }
  if (live) Shown(device::dsp_sub::kLink, -1);
}

void UnitConnection::ApplyLockFlag(Profile& p, int lock, bool live) {
  p.lockMode = lock == 1 ? 1 : 0;
  if (p.lockMode == 0 && p.linkMode == 1) {
    ClearLinks(p);
    // Only the live settings are linked on the unit's side; a stored scene is told on load.
    // During a read the queue drops commands: the unlink goes once the read has ended.
    if (live) {
      unlink_owed_ = true;
      if (ctx_.link->IsCommandQueueEnabled()) SendOwedUnlink();
    }
  }
  if (live) Shown(device::dsp_sub::kLock, -1);
}

void UnitConnection::ReadDspValueCallback(std::int64_t code, std::int64_t value,
                                            NotificationRecord* record) {
  DebugPrint(L"ReadDspValueCallback 0x%02x\n", static_cast<int>(code));
  Profile& live = ctx_.unit->live;
  switch (code) {
    case device::dsp_sub::kSource:
      live.source = SourceIndexFromCode(static_cast<int>(value));
      Shown(device::dsp_sub::kSource, -1);
      return;
    case device::dsp_sub::kMainVolume:
      live.mainVolume = static_cast<int>(value);
      Shown(device::dsp_sub::kMainVolume, -1);
      return;
    case device::dsp_sub::kSubwooferVolume:
      return;
    case device::dsp_sub::kMainMute:
      live.mainVolumeMute = static_cast<int>(value);
      Shown(device::dsp_sub::kMainMute, -1);
      return;
    case device::dsp_sub::kInputThreshold:
      live.noiseThreshold = static_cast<int>(value);
      return;
    default:
      break;
  }

  // Records: the scene index comes first; outputs this model does not hold are dropped.
  const auto target = [this](int scene) { return ctx_.unit->ProfileOfScene(scene); };
  switch (code) {
    case device::dsp_sub::kFilter:
      if (const auto* r = As<FilterReply>(record); r && ValidOutput(r->ch)) {
        if (Profile* p = target(r->scene)) {
          Crossover& x = p->channels[r->ch].crossover;
          x.hp.StoreType(r->hp_type);
          x.hp.StoreFs(r->hp_freq);
          x.hp.StoreSlope(r->hp_slope);
          x.lp.StoreType(r->lp_type);
          x.lp.StoreFs(r->lp_freq);
          x.lp.StoreSlope(r->lp_slope);
          x = MakeCrossover(x.hp, x.lp);
          if (r->scene == 0) Shown(device::dsp_sub::kFilter, r->ch);
        }
      }
      return;
    case device::dsp_sub::kBand:
      if (const auto* r = As<EqBandReply>(record); r && ValidOutput(r->ch)) {
        Profile* p = target(r->scene);
        if (!p || r->band < 0 || r->band >= p->channels[r->ch].eqSize) return;
        EqBand& band = p->channels[r->ch].eqArray[r->band];
        band.freq = r->freq;
        band.eqFactor = r->q;
        band.eqGain = r->gain;
        if (r->scene == 0) {
          band.enable = 1;
          Shown(device::dsp_sub::kBand, r->ch);
        }
      }
      return;
    case device::dsp_sub::kDelay:
      if (const auto* r = As<DelayReply>(record); r && ValidOutput(r->ch)) {
        if (Profile* p = target(r->scene)) {
          p->channels[r->ch].delay = r->delay;
          if (r->scene == 0) {
            DebugPrint(L"update UI ch_delay->ch = %d, Delay %.3f\n", r->ch, r->delay);
            Shown(device::dsp_sub::kDelay, r->ch);
          }
        }
      }
      return;
    case device::dsp_sub::kTrim:
    case device::dsp_sub::kPhase:
      if (const auto* r = As<ChannelByteReply>(record); r && ValidOutput(r->ch)) {
        if (Profile* p = target(r->scene)) {
          ChannelSettings& c = p->channels[r->ch];
          (code == device::dsp_sub::kTrim ? c.gain : c.phase) = r->value;
          if (r->scene == 0) {
            if (code == device::dsp_sub::kTrim) {
              DebugPrint(L"set channel %d volume to %ddB\n", r->ch, c.gain);
            } else {
              DebugPrint(L"channel %d phase seleted %d\n", r->ch, c.phase);
            }
            Shown(static_cast<int>(code), r->ch);
          }
        }
      }
      return;
    case device::dsp_sub::kChannelMute:
    case device::dsp_sub::kRole:
    case device::dsp_sub::kBypass:
      if (const auto* r = As<ChannelValueReply>(record); r && ValidOutput(r->ch)) {
        Profile* p = target(r->scene);
        if (!p) return;
        if (code == device::dsp_sub::kChannelMute) p->channels[r->ch].mute = r->value;
        if (code == device::dsp_sub::kBypass)
          p->channels[r->ch].bypass = static_cast<std::uint8_t>(r->value);
        if (code == device::dsp_sub::kRole) {
          p->outputs[r->ch] = r->value;
          if (r->scene == 0) DebugPrint(L"DSP_CH_TYPE ch(%d), type(%d)\n", r->ch, r->value);
        }
        if (r->scene == 0) Shown(static_cast<int>(code), r->ch);
      }
      return;
    case device::dsp_sub::kMix:
      if (const auto* r = As<MixReply>(record);
          r && ValidOutput(r->ch) && r->source >= 0 && r->source < kInputSources) {
        if (Profile* p = target(r->scene)) {
          p->inputs[r->source][r->ch] = r->mask;
          if (r->scene == 0) {
            DebugPrint(L"set mix source = %d, ch = %d, mix_in = 0x%x\n", r->source, r->ch, r->mask);
            if (r->source == live.source) Shown(device::dsp_sub::kMix, r->ch);
          }
        }
      }
      return;
    case device::dsp_sub::kLink:
      if (const auto* r = As<LinkReply>(record)) {
        if (Profile* p = target(r->scene)) ApplyLinkFlag(*p, r->link, r->scene == 0);
      }
      return;
    case device::dsp_sub::kLock:
      if (const auto* r = As<LockReply>(record)) {
        if (Profile* p = target(r->scene)) ApplyLockFlag(*p, r->lock, r->scene == 0);
      }
      return;
    case device::dsp_sub::kInputMixTrim:
      if (const auto* r = As<InputMixReply>(record)) {
        Profile* p = target(r->scene);
        if (!p || r->source < 0 || r->source >= kInputSources || r->in_ch < 0 ||
            r->in_ch >= kMixerInputs) {
          return;
        }
        DebugPrint(L"DSP_INPUT_MIX_CH_TRIM source %d, in_ch %d out_ch_x %d, out_ch_y %d\n",
                   r->source, r->in_ch, r->out_ch_x, r->out_ch_y);
        for (int out = std::max(r->out_ch_x, 0); out <= r->out_ch_y && out < kOutputChannels;
             ++out) {
          const std::size_t slot = static_cast<std::size_t>(out - r->out_ch_x);
          if (slot >= r->trims.size()) break;
          p->inputMixTrim[r->source][r->in_ch][out] =
              StoredTrim(*p, r->source, r->in_ch, out, static_cast<std::int8_t>(r->trims[slot]));
        }
      }
      return;
    default:
      return;  // the inputs' values and anything unknown
  }
}

void UnitConnection::ReadMcuValueCallback(std::int64_t type, std::int64_t value,
                                            NotificationRecord* record) {
  DebugPrint(L"ReadMcuValueCallback 0x%02x\n", static_cast<int>(type));
  Profile& live = ctx_.unit->live;
  if (type == kMcuHandshake) {
    const auto* r = As<DeviceInfoReply>(record);
    if (!r) return;
    live.modelId = r->model;
    live.deviceInfo[0] = r->master_version;
    live.deviceInfo[1] = r->slave_version;
    if (r->model != kModelNumber && ctx_.link->HandshakeOk()) {
      ctx_.view->ShowMessage(Languages().Resolve("${device_not_match}") + " " +
                         std::to_string(r->model));
    }
  } else if (type == kMcuFlashVersion) {
    if (const auto* r = As<FlashVersionReply>(record)) {
      for (int i = 0; i < 4; ++i) live.deviceInfo[2 + i] = r->version[i];
    }
  } else if (type == kMcuPowerOffDelay) {
    live.powerOffDelay = static_cast<int>(value);
  }
}

void UnitConnection::ReadSenceValueCallback(std::int64_t type, NotificationRecord* record) {
  DebugPrint(L"ReadSenceValueCallback 0x%02x\n", static_cast<int>(type));
  if (type != kSceneName) return;
  const auto* r = As<SceneNameReply>(record);
  if (!r) return;
  if (r->index >= 0 && r->index < kStoredScenes) {
    ctx_.unit->sceneName[r->index] = SlotOfUnitName(r->name);
  }
}

void UnitConnection::ReadKtvValueCallback(std::int64_t code, std::int64_t value) {
  DebugPrint(L"ReadDspValueCallback 0x%02x\n", static_cast<int>(code));
  Profile& p = ctx_.unit->live;
  std::int32_t* const fields[] = {&p.micVolume,  &p.bgMusicVolume, &p.howlingControl,
                                  &p.echoLevel,  &p.echoDelay,     &p.reverbLevel,
                                  &p.reverbTime, &p.voiceChanger};
  if (code >= 1 && code <= 8) *fields[code - 1] = static_cast<int>(value);
}

}  // namespace tolva::model
