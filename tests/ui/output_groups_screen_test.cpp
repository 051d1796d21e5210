// Whole outputs and the output set: roles from the output menu, link and lock, bypass, EQ
// reset, PEQ/GEQ mode and the output reset, against the emulated unit.
#include "model/profile/speaker_roles.h"
#include "presenter_fixture.h"
#include "ui/screen/control_names.h"

namespace tolva::model::testing {
namespace {

class OutputGroups : public Presenting {
 protected:
  void Roles(std::array<int, kOutputChannels> roles) { Live().outputs = roles; }
  emulator::SceneState LiveOnUnit() { return Unit().scenes[0]; }
};

TEST_F(OutputGroups, ChoosingARoleLoadsItsCrossoverAndTellsTheUnit) {
  manager_->SetOutputRole(2, ui::RoleOfMenuItem("output_menu_front_left_low_freq"));
  EXPECT_EQ(Live().outputs[2], 3);
  EXPECT_EQ(Live().currChannel, 2);
  EXPECT_EQ(controls_.Text("ch_output_btn_2"), "${front_left_woofer}");
  const Crossover& x = Live().channels[2].crossover;
  EXPECT_EQ(x.hp, FilterSettings::Make(70, 3, 3));
  EXPECT_EQ(x.lp, FilterSettings::Make(320, 3, 2));
  EXPECT_EQ(controls_.Text("hp_freq"), "70Hz");
  EXPECT_TRUE(controls_.visible["speaker_3"]);
  EXPECT_FALSE(controls_.visible["speaker_15"]);  // the role output 2 held before
  EXPECT_EQ(Subs(Sent()), (std::vector{kRole, kFilter, kFilter, kTrim}));
  EXPECT_EQ(LiveOnUnit().outputs[2].role, 3);
  EXPECT_EQ(LiveOnUnit().outputs[2].lp.freq, 320);

  EXPECT_EQ(ui::RoleOfMenuItem("output_menu_front"), -1);  // a group heading is no role
  EXPECT_EQ(ui::RoleMenuItem(22), "output_menu_subwoof_left");
  manager_->SetSpeakerFocus(Live().outputs[4]);
  EXPECT_EQ(Live().currChannel, 4);
}

TEST_F(OutputGroups, TheMenuMarksRolesInUseAndOffersOnlyFreeBands) {
  Roles({3, 12, 0, 0, 0, 0});
  auto menu = manager_->RoleMenuStates(1);
  EXPECT_TRUE(menu[3].held);
  EXPECT_TRUE(menu[12].held);
  EXPECT_FALSE(menu[6].held);
  for (int role : {3, 5, 6}) EXPECT_FALSE(menu[role].enabled) << role;  // low band taken
  for (int role : {0, 1, 2, 4, 7, 9, 24}) EXPECT_TRUE(menu[role].enabled) << role;
  // The output holding the woofer may keep or change it.
  menu = manager_->RoleMenuStates(0);
  EXPECT_TRUE(menu[6].enabled);
}

TEST_F(OutputGroups, LinkingCopiesLeftOntoRightAndSendsThePairs) {
  Roles({6, 12, 0, 0, 0, 0});
  Band(0, 3).eqGain = 5.0f;
  Live().channels[0].bypass = 0;
  Live().channels[0].gain = -6;
  Live().channels[0].crossover.hp = FilterSettings::Make(90, 2, 4);
  screen_->check = 1;
  manager_->SetOutputLink();
  EXPECT_EQ(screen_->asked, std::vector<std::string>{"${link_tips}"});
  EXPECT_EQ(Live().linkMode, 1);
  EXPECT_EQ(Live().lockMode, 1);
  EXPECT_EQ(Live().linkOutputs[0], 1);
  EXPECT_FLOAT_EQ(Band(1, 3).eqGain, 5.0f);
  EXPECT_EQ(Live().channels[1].gain, -6);
  EXPECT_EQ(Live().channels[1].crossover.hp, FilterSettings::Make(90, 2, 4));
  EXPECT_TRUE(controls_.IsSelected("btn_link_output"));
  EXPECT_FALSE(controls_.enabled["ch_output_btn_3"]);
  const auto sent = Sent();
  EXPECT_EQ(Subs(sent), (std::vector{kLock, kTrim, kTrim, kLink}));
  EXPECT_EQ(sent.back().payload, (std::vector<std::uint8_t>{0, 1, 1, 0, 1}));
  EXPECT_EQ(LiveOnUnit().link, 1);
  EXPECT_EQ(LiveOnUnit().lock, 1);

  // Unlocking while linked unlinks too.
  manager_->SetOutpuLock();
  EXPECT_EQ(Live().lockMode, 0);
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_EQ(Live().linkOutputs[0], -1);
  EXPECT_TRUE(controls_.enabled["ch_output_btn_3"]);
  EXPECT_EQ(Subs(Sent()), (std::vector{kLink, kLock}));
  EXPECT_EQ(LiveOnUnit().link, 0);
}

TEST_F(OutputGroups, CopyingRightOntoLeftAndACancelledDialog) {
  Roles({6, 12, 0, 0, 0, 0});
  Band(1, 7).eqGain = -4.0f;
  screen_->check = 0;
  controls_.Tick("btn_link_output", true);
  manager_->SetOutputLink();
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_FALSE(controls_.IsSelected("btn_link_output"));
  EXPECT_TRUE(Sent().empty());
  screen_->check = 2;
  manager_->SetOutputLink();
  EXPECT_FLOAT_EQ(Band(0, 7).eqGain, -4.0f);
  EXPECT_EQ(Sent().back().payload, (std::vector<std::uint8_t>{0, 1, 1, 1, 0}));
}

TEST_F(OutputGroups, OutputsWithoutPartnersCannotBeLinked) {
  Roles({24, 19, 21, 0, 0, 0});
  manager_->SetOutputLink();
  EXPECT_EQ(screen_->messages, std::vector<std::string>{"${not_linkable_tips}"});
  EXPECT_TRUE(screen_->asked.empty());
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_EQ(Subs(Sent()), std::vector{kLink});
}

TEST_F(OutputGroups, ARefusedLockStillSendsTheLockState) {
  screen_->confirm = false;
  manager_->SetOutpuLock();
  EXPECT_EQ(screen_->asked, std::vector<std::string>{"${lock_output_tips}"});
  EXPECT_EQ(Live().lockMode, 0);
  const auto sent = Sent();
  ASSERT_EQ(Subs(sent), std::vector{kLock});
  EXPECT_EQ(sent[0].payload, (std::vector<std::uint8_t>{0, 0}));
  screen_->confirm = true;
  manager_->SetOutpuLock();
  EXPECT_EQ(Live().lockMode, 1);
  EXPECT_FALSE(controls_.enabled["ch_output_btn_0"]);
}

TEST_F(OutputGroups, BypassAsksOnlyWhenThereIsSomethingToBypassOrRestore) {
  manager_->SetOutputBypass();  // all gains 0: nothing to ask, the state is sent again
  EXPECT_TRUE(screen_->asked.empty());
  EXPECT_EQ(Subs(Sent()), std::vector{kBypass});

  TypeBand(4, "400", "2", "6");
  Sent();
  manager_->SetOutputBypass();
  EXPECT_EQ(screen_->asked.back(), "${bypass_all_eq_tips}");
  EXPECT_EQ(Live().channels[0].bypass, 1);
  EXPECT_EQ(controls_.Text("btn_bypass"), "${restore_eq}");
  EXPECT_EQ(controls_.Text("eq_gain_4"), "0.0");
  EXPECT_FLOAT_EQ(Band(0, 4).eqGain, 6.0f);
  EXPECT_EQ(Subs(Sent()), std::vector{kBypass});  // awaited: the queue merges waiting twins
  manager_->SetOutputBypass();
  EXPECT_EQ(screen_->asked.back(), "${restore_all_eq_tips}");
  EXPECT_EQ(Live().channels[0].bypass, 0);
  EXPECT_EQ(controls_.Text("eq_gain_4"), "6.0");
  EXPECT_EQ(Subs(Sent()), std::vector{kBypass});

  screen_->confirm = false;
  manager_->SetOutputBypass();
  EXPECT_EQ(Live().channels[0].bypass, 0);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(OutputGroups, EqResetPutsTheBandsOfTheOutputsSizeOnTheThirdOctaves) {
  Live().channels[0].eqSize = 10;
  Band(0, 2).eqGain = 3.0f;
  Band(0, 2).freq = 777;
  Band(0, 12).freq = 999;
  manager_->SetOutputEqRest();
  for (int b = 0; b < 10; ++b) {
    EXPECT_EQ(Band(0, b).freq, kBandCentres[b]);
    EXPECT_FLOAT_EQ(Band(0, b).eqGain, 0.0f);
    EXPECT_FLOAT_EQ(Band(0, b).eqFactor, 5.8f);
  }
  EXPECT_EQ(Band(0, 9).freq, 160);
  EXPECT_EQ(Band(0, 12).freq, 999);
  const auto sent = Sent();
  ASSERT_EQ(Subs(sent), std::vector{kEqReset});
  EXPECT_EQ(sent[0].payload, (std::vector<std::uint8_t>{0, 0, 1, 0}));
}

TEST_F(OutputGroups, OnlyTheSwitchToGraphicModeResetsEveryQAndLocksTheBoxes) {
  TypeBand(3, "300", "2", "1");
  Live().channels[4].eqSize = 5;
  Band(4, 8).eqFactor = 1.0f;         // beyond the output's bands in use: reset all the same
  Band(2, 6) = {5.0f, 2.0f, 600, 0};  // switched off: the unit keeps playing it flat
  Sent();
  manager_->SwitchEqMode();  // graphic → parametric: a tune is kept
  EXPECT_EQ(screen_->asked.back(), "${peq_mode_tips}");
  EXPECT_TRUE(controls_.IsSelected("btn_arg_eq"));
  EXPECT_EQ(controls_.Text("btn_arg_eq"), "${peq_mode}");
  EXPECT_TRUE(controls_.graph_peq);
  EXPECT_TRUE(controls_.enabled["eq_q_3"]);
  EXPECT_TRUE(Sent().empty());
  EXPECT_FLOAT_EQ(Band(4, 8).eqFactor, 1.0f);
  manager_->SwitchEqMode();  // and back, after its warning: every Q flat
  EXPECT_EQ(screen_->asked.back(), "${geq_mode_tips}");
  EXPECT_EQ(controls_.Text("btn_arg_eq"), "${geq_mode}");
  EXPECT_FALSE(controls_.enabled["eq_q_3"]);
  EXPECT_EQ(Subs(Sent()), (std::vector{kEq, kEq, kEq}));
  EXPECT_EQ(LiveOnUnit().outputs[2].bands[6].gain_tenths, 180);
  EXPECT_EQ(LiveOnUnit().outputs[2].bands[6].q_hundredths, 580);
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    for (int b = 0; b < kEqBands; ++b) ASSERT_FLOAT_EQ(Band(ch, b).eqFactor, 5.8f);
  }
  EXPECT_EQ(LiveOnUnit().outputs[4].bands[8].q_hundredths, 580);
}

// The mode is the profile's; the button only shows it, also after a click that toggled it and
// a question answered "no".
TEST_F(OutputGroups, TheModeIsTheProfilesAndTheButtonFollowsIt) {
  Live().peqMode = 1;
  manager_->RefreshFromProfile();
  EXPECT_TRUE(controls_.IsSelected("btn_arg_eq"));
  EXPECT_EQ(controls_.Text("btn_arg_eq"), "${peq_mode}");
  EXPECT_TRUE(controls_.graph_peq);
  EXPECT_TRUE(controls_.enabled["eq_q_0"]);
  controls_.Tick("btn_arg_eq", false);
  screen_->confirm = false;
  manager_->SwitchEqMode();
  EXPECT_EQ(screen_->asked.back(), "${geq_mode_tips}");
  EXPECT_EQ(Live().peqMode, 1);
  EXPECT_TRUE(controls_.IsSelected("btn_arg_eq"));
  EXPECT_TRUE(Sent().empty());
}

TEST_F(OutputGroups, ResetToEmptiedOrDefaultRoles) {
  Link0And1();
  screen_->choice = 0;
  manager_->SetOutputReset();
  EXPECT_EQ(Live().linkMode, 1);  // cancel
  screen_->choice = 2;
  manager_->SetOutputReset();
  for (int ch = 0; ch < kOutputChannels; ++ch) {
    EXPECT_EQ(Live().outputs[ch], 0);
    EXPECT_EQ(Live().channels[ch].crossover.hp.slope, 0);
    EXPECT_EQ(Live().channels[ch].crossover.lp.slope, 0);
    EXPECT_EQ(Live().channels[ch].crossover.lp.fs, 20000);
  }
  EXPECT_EQ(Live().linkMode, 0);
  EXPECT_EQ(Live().lockMode, 0);
  EXPECT_EQ(Live().currChannel, 0);
  Sent();
  EXPECT_EQ(LiveOnUnit().outputs[5].role, 0);

  Live().channels[5].gain = -11;
  screen_->choice = 1;
  manager_->SetOutputReset();
  EXPECT_EQ(Live().outputs, (std::array<int, 6>{6, 12, 15, 18, 22, 23}));
  // The right subwoofer's role, given last, brings the left one to its gain.
  EXPECT_EQ(Live().channels[4].gain, -11);
  EXPECT_EQ(Live().channels[5].gain, -11);
  const auto sent = Sent();
  EXPECT_EQ(sent.back().sub, kTrim);
  EXPECT_EQ(sent.back().payload.size(), 4u + 6u);  // one command for all six
  EXPECT_EQ(LiveOnUnit().outputs[4].trim_db, -11);
}

}  // namespace
}  // namespace tolva::model::testing
