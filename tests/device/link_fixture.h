#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "base/clock.h"
#include "device/link/dsp_link.h"
#include "device/support/recording_sink.h"
#include "device/support/scripted_transport.h"

namespace tolva::device::testing {

// An open link on a scripted unit, with a fake clock and a sink on every window.
class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    script_->clock = &clock_;
    link_ = std::make_unique<DspLink>(MakeScriptedFactory(script_), clock_);
    link_->SetNotificationSink(TargetWindow::kMain, &main_);
    link_->SetNotificationSink(TargetWindow::kScene, &scene_);
    link_->SetNotificationSink(TargetWindow::kCalibration, &calibration_);
    ASSERT_EQ(link_->OpenHIDDevice(), 0);
    ASSERT_TRUE(link_->IsDeviceOpen());
  }
  void TearDown() override { link_.reset(); }

  // The last report written, as hex, cut after count bytes.
  std::string LastWrite(std::size_t count = 0) const {
    const auto writes = script_->Writes();
    return writes.empty() ? std::string() : Hex(writes.back(), count);
  }

  tolva::FakeClock clock_;
  std::shared_ptr<Script> script_ = std::make_shared<Script>();
  RecordingSink main_, scene_, calibration_;
  std::unique_ptr<DspLink> link_;
};

}  // namespace tolva::device::testing
