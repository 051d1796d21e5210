#pragma once

#include <array>

#include "model/edits/edit_operations.h"
#include "model/edits/edit_result.h"
#include "model/edits/output_operations.h"
#include "model/manager/editing/safe_tuning.h"
#include "model/manager/manager_context.h"

// The edits of the live profile by value, for the window, the command line and the tests alike.
// Each operation limits its values, changes the live profile by the editing rules (the linked
// partner, the bypass following the gains, the store rules), commits its commands through
// SafeTuning (one step, the tweeter question, then the link) and tells the view which values to
// show again. No operation reads a control. Window thread only.
namespace tolva::model {

class EditingCore {
 public:
  EditingCore(ManagerContext& ctx, SafeTuning& tuning) : ctx_(ctx), tuning_(tuning) {}
  EditingCore(const EditingCore&) = delete;
  EditingCore& operator=(const EditingCore&) = delete;

  // One band of an output (and of its linked partner). kEdit: typed values, each held at its
  // limits (20 … 20000 Hz, Q, gain), Q and gain in the unit's tenths (noted when a value other
  // than the stored one needed it); kSlider: the gain as given; kGraph: Q and gain in tenths,
  // and values within 0.01 of what the graph was shown change nothing.
  EditResult SetBand(int output, int band, const BandValues& values,
                     BandSource source = BandSource::kEdit);
  // A band's enable button pressed towards `enabled`: a marked band goes silent at 0 dB, an
  // unmarked one plays its gain again; the linked partner takes the band's state. A band already
  // so, or beyond the output's bands in use, changes nothing.
  EditResult SetBandEnabled(int output, int band, bool enabled);
  // A whole band table onto an output and its linked partner, the equalizer in use: one step,
  // and only the bands that differ are sent.
  EditResult ApplyBands(int output, const std::array<EqBand, kEqBands>& bands);
  // A crossover corner; typed, it stays on its side of the other corner and within
  // 20 … 20000 Hz; from the graph it is stored as it is, and the stored one changes nothing.
  EditResult SetCorner(int output, bool high_pass, int fs, bool from_graph = false);
  // A type or slope code of one corner.
  EditResult SetFilterCode(int output, bool high_pass, bool slope, int code);

  // dB to the nearest whole dB, held to the volume limits (noted); the linked partner and
  // paired subwoofers follow.
  EditResult SetOutputGain(int output, double db);
  EditResult SetMainVolume(double db);
  EditResult SetMainMute(bool mute);
  EditResult SetMute(int output, bool mute);
  EditResult SetPhase(int output, bool reversed);
  // Milliseconds, held to 0 … 15.
  EditResult SetDelay(int output, float ms);
  // Input 1 … 6 of the current source.
  EditResult SetRouting(int output, int input, bool on);
  EditResult SetSource(int source);
  // The role with its default crossover; a role change is asked about like any edit.
  EditResult SetRole(int output, int role);

  // The output set. Whatever asks the user first (OutputGroups) asks before these.
  // Linked with a copy, copy_side 1 left onto right and 2 right onto left (the unit copies the
  // pairs too): linked and locked, the partner takes the current output's gain. Unlinked: also
  // unlocked; a set with no pair to link is only unlinked.
  EditResult SetLink(bool on, int copy_side = 1);
  // Unlocking unlinks. The lock goes out even when it stays: the button may show the other state.
  EditResult SetLock(bool on);
  // One step of an output's EQ bypass (and its linked partner's).
  EditResult SetBypass(int output, BypassStep step);
  // Every band in use of an output and its linked partner flat at its centre.
  EditResult ResetEq(int output);
  // Going graphic, every Q that is not the flat Q becomes it, and is sent.
  EditResult SetEqMode(bool parametric);
  // Every output to its role's defaults (defaults) or emptied; unlinked and unlocked.
  EditResult ResetOutputs(bool defaults);

  // Which output the screen edits, and which outputs' curves the graph shows: settings of the
  // screen, not of the unit, so nothing is sent and no step is recorded.
  void SelectOutput(int output);
  void SetOutputShown(int output, bool shown);

  // The linked partner of an output, -1 none.
  int PartnerOf(int output) const;

 private:
  // The one place an edit's commands leave: asked, sent and recorded, or taken back.
  EditResult Commit(const Profile& before, EditResult result);
  // An output's role button, icons and the graph as the live profile holds them.
  void ShowRole(int output);

  ManagerContext& ctx_;
  SafeTuning& tuning_;
};

}  // namespace tolva::model
