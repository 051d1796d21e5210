#pragma once

#include <vector>

#include "model/profile/profile.h"

// The user's edits as operations on a Profile: each applies the editing rules (limits, the
// linked partner, the bypass following the gains, the store rules) and returns what changed,
// so the caller refreshes the screen from the profile and sends exactly the changed values.
// No screen, no unit.
namespace tolva::model {

struct BandRef {
  int channel = 0;
  int band = 0;
};

// Where a band value comes from. The graph reports hovers and drags that end where they began;
// measured against what it was shown, those change nothing.
enum class BandSource { kEdit, kSlider, kGraph };

struct BandValues {
  int freq = 0;
  float q = 0.0f;
  float gain = 0.0f;
};

// One band's values as a command carries them.
struct BandSend {
  int channel = 0;
  int band = 0;
  int freq = 0;
  float q = 0.0f;
  float gain = 0.0f;
};

struct BandEditResult {
  // Bands of a bypassed output (and its partner) set to 0 dB first, as they were then, in
  // sending order.
  std::vector<BandSend> cleared;
  // False when the band itself changed nothing (still, cleared bands may have changed).
  bool stored = false;
  // The partner that took the band too (-1 when none, or when it holds fewer bands).
  int band_partner = -1;
  // The band is audible after the edit; otherwise flat tells whether the output is all flat.
  bool audible = false;
  bool flat = false;
  // The outputs whose bypass changed, the current output first.
  std::vector<int> bypass_changed;
};

// One band of channel (and of partner, -1 none) set from an edit, a slider or the graph.
BandEditResult EditBand(Profile& profile, int channel, int partner, int band,
                        const BandValues& values, BandSource source);

// A crossover corner of channel and its partner, held on its side of the other corner (typed
// values) and stored with the store rule. Returns the corner as stored on channel.
int EditCornerFromText(Profile& profile, int channel, int partner, bool high_pass, int fs);
// A corner from the graph, stored as it is with the store rule; false when it is the stored one.
bool EditCornerFromGraph(Profile& profile, int channel, int partner, bool high_pass, int fs);
// A type or slope code; false when channel already holds it.
bool EditFilterCode(Profile& profile, int channel, int partner, bool high_pass, bool slope,
                    int code);

// The outputs holding the subwoofer role paired with channel's (left and right share a volume).
std::vector<int> PairedSubwooferOutputs(const Profile& profile, int channel);

// The parametric (true) or graphic mode. Going graphic, every Q of every band of every output
// (beyond eqSize too) that is not the flat Q becomes it. Returns those bands in sending order.
std::vector<BandRef> SetEqMode(Profile& profile, bool peq);

// Every band in use of channel and its partner back to its centre, flat; returns the outputs.
std::vector<int> ResetBands(Profile& profile, int channel, int partner);

// Link with a copy: left onto right (choice 1) or right onto left. Links and locks, copies each
// source output onto its partner and returns the (from, to) pairs, flattened.
std::vector<int> LinkOutputs(Profile& profile, int choice);
// A whole band table (a fit, an import) onto an output and its linked partner, each keeping its
// number of bands in use, in the unit's tenths, the EQ bypass off. Returns the outputs whose
// settings changed.
std::vector<int> EditBandTable(Profile& profile, int channel,
                               const std::array<EqBand, kEqBands>& bands);
// EQ, crossover, bypass and gain of one output onto another.
void CopyChannel(Profile& profile, int from, int to);

}  // namespace tolva::model
