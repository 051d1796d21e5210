#pragma once

// The presenter over fake controls against the in-process emulated unit, connected: what the
// user types, drags and ticks, read as the window reads it.
#include "fake_screen_controls.h"
#include "model/editing_fixture.h"
#include "ui/screen/control_names.h"
#include "ui/screen/edit_presenter.h"
#include "ui/screen/manager_screen.h"

namespace tolva::model::testing {

using ui::Control;
using ui::ControlId;
using ui::ControlName;
using ScriptedScreen = Scripted<ui::ManagerScreen>;

class Presenting : public EditingWith<ScriptedScreen> {
 protected:
  std::unique_ptr<ScriptedScreen> MakeScreen() override {
    auto screen = std::make_unique<ScriptedScreen>(*manager_, controls_);
    presenter_ = std::make_unique<ui::EditPresenter>(*manager_, controls_, *screen);
    return screen;
  }
  void TearDown() override {
    presenter_.reset();
    EditingWith::TearDown();
  }
  void TypeBand(int b, const std::string& freq, const std::string& q, const std::string& gain) {
    controls_.Type(ControlName("eq_freq_%d", b), freq);
    controls_.Type(ControlName("eq_q_%d", b), q);
    controls_.Type(ControlName("eq_gain_%d", b), gain);
    presenter_->SetChEqEdit(b);
  }
  ui::EditPresenter& P() { return *presenter_; }

  FakeScreenControls controls_;
  std::unique_ptr<ui::EditPresenter> presenter_;
};

}  // namespace tolva::model::testing
