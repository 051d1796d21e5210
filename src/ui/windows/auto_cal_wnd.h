#pragma once

#include <memory>

#include "model/manager/operations/auto_calibration.h"
#include "ui/windows/dialog_wnd.h"

namespace tolva::device {
struct Notification;
}
namespace tolva::kit {
class QtWindowSink;
}
namespace tolva::model {
class EqualizerManager;
}

// The auto-calibration window ("XML_AUTO_CAL", "AutoCalWnd"): which outputs and corrections to
// run, the run's progress and texts, the measured and correction curves, then apply or discard.
// It ends with 1 when the correction is kept; Result() tells whether the apply is still owed.
class CAutoCalWnd final : public CDialogWnd {
  Q_OBJECT

 public:
  // clock: the run's pauses between status polls.
  CAutoCalWnd(QWidget* owner, tolva::model::EqualizerManager& manager,
              tolva::Clock& clock = tolva::SystemClock());
  ~CAutoCalWnd() override;

  tolva::model::AutoCalibration& Calibration() { return *calibration_; }
  const tolva::model::AutoCalibration::Outcome& Result() const { return outcome_; }
  // Escape closes as the close button does.
  void reject() override;
  // The unit is gone: ends the run and closes with 0, asking nothing and sending nothing. While
  // the worker still runs the window closes as soon as it has ended.
  void CloseForDisconnect();

 protected:
  void OnNotify(const tolva::kit::ControlNotify& notify) override;

 private:
  void OnMessage(tolva::device::Notification& notification);
  void OnStart();
  void OnRunEnded(std::int64_t run_end);
  void CloseWindow();
  void FinishClose();
  void SetTips(const std::string& raw);
  void UpdateDecisionButtons();
  void ShowEqCurves();
  void ShowSpectrumCurves();
  bool IsChecked(const char* name) const;

  tolva::model::EqualizerManager& manager_;
  std::shared_ptr<tolva::kit::QtWindowSink> sink_;
  std::unique_ptr<tolva::model::AutoCalibration> calibration_;
  tolva::model::AutoCalibration::Outcome outcome_;
  bool close_pending_ = false;  // close asked for while the worker winds down
  bool abandoned_ = false;      // closing because the unit has gone
  bool closed_ = false;
  std::array<bool, tolva::model::kOutputChannels> measurable_{};
  std::array<std::array<double, tolva::model::AutoCalibration::kSpectrumPoints>,
             tolva::model::kOutputChannels>
      spectrum_freq_{}, spectrum_gain_{};
};

// Opens the window modally (the owner minimised meanwhile) and says how it closed; with result 1
// the unit must be read again once the apply has reached it.
tolva::model::AutoCalibration::Outcome ShowAutoCalWindow(QWidget* owner,
                                                         tolva::model::EqualizerManager& manager);
// Closes the open auto-calibration window, if any, as CloseForDisconnect does.
void CloseOpenCalibrationWindow();
