// Every ordinary edit, one after the other on one connected unit, with the exact frames it
// sends. The table was recorded before the editing code was restructured; a restructuring must
// leave every byte as it is.
#include <cstdio>
#include <functional>

#include "presenter_fixture.h"

namespace tolva::model::testing {
namespace {

struct EditRow {
  const char* name;
  std::function<void()> edit;
  std::vector<std::string> frames;  // "cmd sub op: payload", hex
};

class EditFrames : public Presenting {
 protected:
  void Type(const std::string& name, const std::string& text) { controls_.Type(name, text); }
};

TEST_F(EditFrames, OrdinaryEditsSendExactlyTheirRecordedFrames) {
  screen_->check = 1;
  screen_->choice = 1;
  EqualizerManager& m = *manager_;
  FakeScreenControls& c = controls_;
  const std::vector<EditRow> rows = {
      {"band typed",
       [&] { TypeBand(3, "1K2", "2.5", "4"); },
       {
           "01 12 bb: 00 00 00 00 00",
           "01 06 bb: 00 00 00 03 04 b0 02 05 16 00",
       }},
      {"band slider",
       [&] {
         c.Drag("eq_slider_3", -35);
         P().SetEqSlider(3);
       },
       {"01 06 bb: 00 00 00 03 04 b0 02 05 0e 05"}},
      {"band freq step",
       [&] { P().SetEqFreqUp(3, true); },
       {"01 06 bb: 00 00 00 03 04 c3 02 05 0e 05"}},
      {"band q step", [&] { P().SetEqQUp(3, false); }, {"01 06 bb: 00 00 00 03 04 c3 02 04 0e 05"}},
      {"band gain step",
       [&] { P().SetEqGainUp(3, true); },
       {"01 06 bb: 00 00 00 03 04 c3 02 04 0e 06"}},
      {"band disabled", [&] { P().OnEqEnable(3); }, {"01 06 bb: 00 00 00 03 04 c3 02 04 12 00"}},
      {"band enabled", [&] { P().OnEqEnable(3); }, {"01 06 bb: 00 00 00 03 04 c3 02 04 0e 06"}},
      {"band dragged",
       [&] { P().BandDragged(5, 700, 1.5f, -2.5f); },
       {"01 06 bb: 00 00 00 05 02 bc 01 05 0f 05"}},
      {"high-pass typed",
       [&] {
         Type("hp_freq", "120");
         P().SetHpFreq();
       },
       {"01 05 bb: 00 00 00 02 03 00 78 00"}},
      {"low-pass step", [&] { P().SetLpFreqUp(false); }, {"01 05 bb: 00 00 00 01 03 4b 79 00"}},
      {"high-pass dragged",
       [&] { P().CornerDragged(true, 150); },
       {"01 05 bb: 00 00 00 02 03 00 96 00"}},
      {"high-pass slope",
       [&] {
         c.Pick("hp_slop", 3);
         P().SetHpSlope();
       },
       {"01 05 bb: 00 00 00 02 03 00 96 03"}},
      {"low-pass type",
       [&] {
         c.Pick("lp_type", 2);
         P().SetLpType();
       },
       {"01 05 bb: 00 00 00 01 02 4b 79 00"}},
      {"main volume slider",
       [&] {
         c.Drag("slider_main_volume", -10);
         P().SetMainVolume();
       },
       {"01 02 bb: 10"}},
      {"main volume typed",
       [&] {
         Type("edit_main_volume", "-20");
         P().SetMainVolumeEdit();
       },
       {"01 02 bb: 1a"}},
      {"main volume step", [&] { P().SetMainVolumeUp(true); }, {"01 02 bb: 19"}},
      {"channel volume slider",
       [&] {
         c.Drag("slider_ch_volume_2", -6);
         P().SetChVolume(2);
       },
       {"01 08 bb: 00 00 02 02 06"}},
      {"subwoofer volume typed",
       [&] {
         Type("edit_ch_volume_4", "-12");
         P().SetChVolumeEdit(4);
       },
       {
           "01 08 bb: 00 00 04 04 0c",
           "01 08 bb: 00 00 05 05 0c",
       }},
      {"channel volume step", [&] { P().SetChVolumeUp(2, false); }, {"01 08 bb: 00 00 02 02 07"}},
      {"main mute",
       [&] {
         c.Tick("main_mute", true);
         P().SetMainMute();
       },
       {"01 04 bb: 01"}},
      {"channel mute",
       [&] {
         c.Tick("ch_mute_1", true);
         P().SetChMute(1);
       },
       {"01 09 bb: 00 00 01 01 01"}},
      {"phase",
       [&] {
         c.Tick("ch_phase_2", true);
         P().SetChPhase(2);
       },
       {"01 0a bb: 00 00 02 02 01"}},
      {"delay slider",
       [&] {
         c.Drag("slider_ch_delay_3", 1234);
         P().SetChDelay(3);
       },
       {"01 07 bb: 00 00 03 03 01 00 ea"}},
      {"delay typed",
       [&] {
         Type("edit_ch_delay_1", "2.5");
         P().SetChDelayEdit(1);
       },
       {"01 07 bb: 00 00 01 01 02 01 f4"}},
      {"delay step", [&] { P().SetChDelayUp(1, true); }, {"01 07 bb: 00 00 01 01 02 02 09"}},
      {"routing",
       [&] {
         c.Tick("option_ch_in3_2", true);
         P().SetChInput(2, 3);
       },
       {"01 0b bb: 00 00 02 02 05"}},
      {"source",
       [&] {
         c.Pick("btn_input_source", 2);
         P().SetInputSource();
       },
       {"01 01 bb: 53"}},
      {"role",
       [&] { m.SetOutputRole(2, 4); },
       {
           "01 0d bb: 00 00 02 02 04",
           "01 05 bb: 00 00 02 02 03 02 58 02",
           "01 05 bb: 00 00 02 01 03 4e 20 00",
           "01 08 bb: 00 00 02 02 07",
       }},
      {"link left onto right",
       [&] { m.SetOutputLink(); },
       {
           "01 0f bb: 00 01",
           "01 08 bb: 00 00 02 02 07",
           "01 0e bb: 00 01 02 00 01 04 05",
       }},
      {"linked band typed",
       [&] { TypeBand(7, "900", "3", "-4"); },
       {
           "01 12 bb: 00 00 02 02 00",
           "01 06 bb: 00 00 02 07 03 84 03 00 0e 00",
       }},
      {"linked volume",
       [&] {
         c.Drag("slider_ch_volume_0", -3);
         P().SetChVolume(0);
       },
       {
           "01 08 bb: 00 00 00 00 03",
           "01 08 bb: 00 00 01 01 03",
       }},
      {"unlock",
       [&] { m.SetOutpuLock(); },
       {
           "01 0e bb: 00 00 00",
           "01 0f bb: 00 00",
       }},
      {"lock", [&] { m.SetOutpuLock(); }, {"01 0f bb: 00 01"}},
      {"bypass", [&] { m.SetOutputBypass(); }, {"01 12 bb: 00 00 00 00 01"}},
      {"restore", [&] { m.SetOutputBypass(); }, {"01 12 bb: 00 00 00 00 00"}},
      {"eq reset", [&] { m.SetOutputEqRest(); }, {"01 11 bb: 00 00 01 00"}},
      {"parametric mode", [&] { m.SwitchEqMode(); }, {}},
      {"band typed in parametric mode",
       [&] { TypeBand(9, "3000", "4", "2"); },
       {"01 06 bb: 00 00 00 09 0b b8 04 00 14 00"}},
      {"graphic mode",
       [&] { m.SwitchEqMode(); },
       {
           "01 06 bb: 00 00 00 09 0b b8 05 08 14 00",
           "01 06 bb: 00 00 01 03 04 c3 05 08 0e 06",
           "01 06 bb: 00 00 01 05 02 bc 05 08 0f 05",
           "01 06 bb: 00 00 02 07 03 84 05 08 0e 00",
       }},
      {"output reset",
       [&] { m.SetOutputReset(); },
       {
           "01 0d bb: 00 00 00 00 06",
           "01 05 bb: 00 00 00 02 03 00 14 00",
           "01 05 bb: 00 00 00 01 03 4e 20 00",
           "01 08 bb: 00 00 00 00 03",
           "01 0d bb: 00 00 01 01 0c",
           "01 05 bb: 00 00 01 02 03 00 14 00",
           "01 05 bb: 00 00 01 01 03 4e 20 00",
           "01 08 bb: 00 00 01 01 03",
           "01 0d bb: 00 00 02 02 0f",
           "01 05 bb: 00 00 02 02 03 00 14 00",
           "01 05 bb: 00 00 02 01 03 4e 20 00",
           "01 08 bb: 00 00 02 02 07",
           "01 0d bb: 00 00 03 03 12",
           "01 05 bb: 00 00 03 02 03 00 14 00",
           "01 05 bb: 00 00 03 01 03 4e 20 00",
           "01 08 bb: 00 00 03 03 00",
           "01 0d bb: 00 00 04 04 16",
           "01 05 bb: 00 00 04 02 01 00 1e 04",
           "01 05 bb: 00 00 04 01 01 00 32 02",
           "01 08 bb: 00 00 04 04 0c",
           "01 08 bb: 00 00 05 05 0c",
           "01 0d bb: 00 00 05 05 17",
           "01 05 bb: 00 00 05 02 01 00 1e 04",
           "01 05 bb: 00 00 05 01 01 00 32 02",
           "01 08 bb: 00 00 05 05 0c",
           "01 08 bb: 00 00 04 04 0c",
           "01 0f bb: 00 00",
           "01 0e bb: 00 00 00",
           "01 08 bb: 00 00 00 05 03 03 07 00 0c 0c",
       }},
  };
  for (const EditRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<std::string> frames = FramesOf(row.edit);
    EXPECT_EQ(frames, row.frames);
  }
}

}  // namespace
}  // namespace tolva::model::testing
