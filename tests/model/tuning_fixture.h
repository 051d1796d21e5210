#pragma once

// Profiles changed at random in every field the unit holds, and a connected unit that they are
// written to through the changes-only commands and read back through the connect read.
#include <random>
#include <string>
#include <tuple>

#include "emulator/unit_state.h"
#include "manager_fixture.h"
#include "model/manager/editing/command_sending.h"
#include "model/profile/output_links.h"
#include "model/edits/profile_transition.h"

namespace tolva::model::testing {

// `changes` random edits, with values on the steps the unit stores exactly (Q and gain in
// tenths, delay in microseconds). A link is kept as the link operation leaves it: locked, with
// partners recomputed from the roles.
inline void Vary(Profile& p, std::mt19937& rng, int changes) {
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int i = 0; i < changes; ++i) {
    const int ch = pick(0, kOutputChannels - 1);
    ChannelSettings& c = p.channels[ch];
    FilterSettings& filter = pick(0, 1) == 0 ? c.crossover.hp : c.crossover.lp;
    switch (pick(0, 12)) {
      case 0: {
        EqBand& b = c.eqArray[pick(0, kEqBands - 1)];
        b.freq = pick(20, 20000);
        b.eqFactor = static_cast<float>(pick(5, 90)) / 10.0f;
        b.eqGain = static_cast<float>(pick(-180, 120)) / 10.0f;
        b.enable = pick(0, 3) != 0;
        break;
      }
      case 1:
        filter.StoreFs(pick(20, 20000));
        filter.StoreType(pick(1, 3));
        filter.StoreSlope(pick(0, kMaxSlope));
        break;
      case 2:
        c.gain = -pick(0, 60);
        break;
      case 3:
        c.mute ^= 1;
        c.phase ^= 1;
        break;
      case 4:
        c.delay = static_cast<float>(pick(0, 15000)) / 1000.0f;
        break;
      case 5:
        c.bypass ^= 1;
        break;
      case 6:
        p.outputs[ch] = pick(0, kSpeakerRoles - 1);
        break;
      case 7:
        p.inputs[pick(0, kInputSources - 1)][ch] = pick(0, 63);
        break;
      case 8:
        p.inputMixTrim[pick(0, kInputSources - 1)][pick(0, kMixerInputs - 1)][ch] = pick(0, 100);
        break;
      case 9:
        p.linkMode ^= 1;
        p.lockMode = p.linkMode == 1 ? 1 : pick(0, 1);
        break;
      case 10:
        p.mainVolume = -pick(0, 60);
        p.mainVolumeMute = pick(0, 1);
        break;
      case 11:
        p.source = pick(0, kInputSources - 1);
        break;
      default:
        p.currChannel = ch;  // held by the program only
        p.showChEqualizer[ch] ^= 1;
        break;
    }
  }
  if (p.linkMode == 1) {
    RecomputeLinkOutputs(p);
  } else {
    ClearLinks(p);
  }
}

class TuningOnUnit : public ManagerOnEmulator {
 protected:
  void SetUp() override {
    ManagerOnEmulator::SetUp();
    ConnectAndSettle();
    ASSERT_EQ(manager_->State(), ConnectState::kConnected);
    log_->Take();
  }

  // The frames written, as "01 06 bb: 00 00 …".
  std::vector<std::string> Send(const std::vector<ParameterCommand>& commands) {
    SendCommands(manager_->Link(), commands, true);
    std::vector<std::string> frames;
    for (const SentFrame& f : log_->Take()) frames.push_back(FrameHex(f));
    return frames;
  }
  std::string Memory() { return emulator::ToJson(unit_->Snapshot()); }

  // The live profile as a fresh connect read finds the unit.
  const Profile& ReadBack() {
    manager_->Disconnect();
    manager_->JoinWorkers();
    ConnectAndSettle();
    log_->Take();
    return Live();
  }

  // What the unit holds, read back, against what was meant. The mixer trims, which the connect
  // read does not ask for, are checked in the unit's memory.
  void ExpectUnitHolds(const Profile& meant) {
    const emulator::UnitState memory = unit_->Snapshot();
    for (int s = 0; s < kInputSources; ++s) {
      for (int in = 0; in < kMixerInputs; ++in) {
        for (int ch = 0; ch < kOutputChannels; ++ch) {
          ASSERT_EQ(memory.scenes[0].mix_trim[s][in][ch], meant.inputMixTrim[s][in][ch]);
        }
      }
    }
    const Profile& r = ReadBack();
    EXPECT_EQ(r.source, meant.source);
    EXPECT_EQ(r.mainVolume, meant.mainVolume);
    EXPECT_EQ(r.mainVolumeMute, meant.mainVolumeMute);
    EXPECT_EQ(r.linkMode, meant.linkMode);
    EXPECT_EQ(r.lockMode, meant.lockMode);
    EXPECT_EQ(r.outputs, meant.outputs);
    EXPECT_EQ(r.inputs, meant.inputs);
    for (int ch = 0; ch < kOutputChannels; ++ch) {
      SCOPED_TRACE("output " + std::to_string(ch));
      const ChannelSettings& got = r.channels[ch];
      const ChannelSettings& want = meant.channels[ch];
      for (auto [g, w] : {std::pair{got.crossover.hp, want.crossover.hp},
                          std::pair{got.crossover.lp, want.crossover.lp}}) {
        EXPECT_EQ(std::tie(g.fs, g.type, g.slope), std::tie(w.fs, w.type, w.slope));
      }
      EXPECT_EQ(std::tie(got.gain, got.mute, got.phase, got.bypass),
                std::tie(want.gain, want.mute, want.phase, want.bypass));
      EXPECT_NEAR(got.delay, want.delay, 1e-4);
      for (int b = 0; b < kEqBands; ++b) {
        const EqBand& wb = want.eqArray[b];
        EXPECT_EQ(got.eqArray[b].freq, wb.freq) << "band " << b;
        EXPECT_NEAR(got.eqArray[b].eqFactor, wb.eqFactor, 1e-4) << "band " << b;
        EXPECT_NEAR(got.eqArray[b].eqGain, wb.enable ? wb.eqGain : 0.0f, 1e-4) << "band " << b;
      }
    }
  }
};

}  // namespace tolva::model::testing
