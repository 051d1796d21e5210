#pragma once

// Changes-only writes: the parameter commands that take the unit from one profile to another.
// Only what differs on the wire is sent, in the encodings the ordinary edits use, and the
// per-output values travel in ranged commands, so a difference of k bands costs k EQ frames
// plus at most one bypass frame. Undo, redo, A/B switching and the CLI's changes-only write
// share it.

#include <variant>
#include <vector>

#include "model/profile/profile.h"

namespace tolva::model {

// One command each, named after the link builder that sends it.
struct SourceCommand {  // Source_Switch_Ctrl
  int source = 0;
};
struct MainVolumeCommand {  // Main_Volume_Ctrl
  int volume = 0;
};
struct MainMuteCommand {  // Mute_Ctrl
  int mute = 0;
};
struct LockCommand {  // CH_Lock_Ctrl, scene 0 as the lock operation sends it
  int lock = 0;
};
struct LinkCommand {  // CH_Link_Ctrl, scene 0; pairs (from, to) flattened
  int link = 0;
  std::vector<int> pairs;
};
struct FilterCommand {  // Filter_Ctrl
  int scene = 0, channel = 0, filter = kHighPassFilter, type = 1, fs = 20, slope = 0;
};
struct BandCommand {  // EQ_Ctrl
  int scene = 0, channel = 0, band = 0, freq = 1000;
  float q = 5.8f, gain = 0.0f;
};
struct BandResetCommand {  // PEQ_Reset_Ctrl: every band of the listed outputs flat
  int scene = 0;
  std::vector<int> channels;
};
// The per-output lists that share one layout: scene, source, first, last, one byte each.
enum class ChannelField {
  kRole,     // CH_Type_Ctrl
  kGain,     // Trim_Ctrl (the link sends the attenuation)
  kMute,     // Mute_Ch_Ctrl
  kPhase,    // Phase_Ctrl
  kBypass,   // PEQ_Bypass_Ctrl
  kRouting,  // Mix_Ch_Ctrl of `source`
};
// The value a per-output list carries for output ch (the gain as stored: Trim_Ctrl sends its
// attenuation).
int ChannelFieldValue(const Profile& profile, ChannelField field, int source, int ch);

struct ChannelListCommand {
  ChannelField field = ChannelField::kRole;
  int scene = 0, source = 0, first = 0, last = 0;
  std::vector<int> values;  // outputs first … last
};
struct DelayCommand {  // Delay_Ctrl
  int scene = 0, first = 0, last = 0;
  std::vector<float> delays;  // ms, outputs first … last
};
struct MixTrimCommand {  // Input_Mix_Trim_Ctrl
  int scene = 0, source = 0, input = 0, first = 0, last = 0;
  std::vector<int> trims;  // outputs first … last
};

using ParameterCommand =
    std::variant<SourceCommand, MainVolumeCommand, MainMuteCommand, LockCommand, LinkCommand,
                 FilterCommand, BandCommand, BandResetCommand, ChannelListCommand, DelayCommand,
                 MixTrimCommand>;

// What the unit is sent for band `band` of an output, by every write: the stored band, at 0 dB
// when it is switched off; a band beyond the output's bands in use at its centre and flat. The
// unit plays all 31 bands, so either would otherwise play on while the window shows it off.
struct BandOnUnit {
  int freq = 1000;
  float q = 5.8f;
  float gain = 0.0f;
};
BandOnUnit BandAsSent(const ChannelSettings& channel, int band);

// The commands that make a unit holding `from` hold `to`; none when the two agree on everything
// the unit holds. Values the unit does not hold (current output, curves shown, karaoke and
// other reported values, the subwoofer volume of files) send nothing. Bands go as BandAsSent
// gives them.
//
// Order: a main mute or a lower main volume first and an unmute or a louder volume last, so a
// switch is never louder on the way; then an unlock and an unlink, the roles, a lock and a link,
// crossovers, bands, the per-output lists, routing and mixer trims, the source.
//
// Linking with pairs makes the unit copy each pair's first output onto the second. For those
// second outputs every value that differs from either what they held or what the copy gives
// them is sent after the link, so the unit ends holding `to` whether it copies or not.
std::vector<ParameterCommand> TransitionCommands(const Profile& from, const Profile& to);

// A scene file as a changes-only write takes it: what a full write leaves alone (source, link
// and lock, mixer trims) stays as the unit holds it, so the unit ends as after a full write.
Profile ChangesOnlyTarget(const Profile& unit, Profile file);

}  // namespace tolva::model
