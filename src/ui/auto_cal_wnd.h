#pragma once

#include <memory>

#include "model/auto_calibration.h"
#include "ui/dialog_wnd.h"

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
// It ends with 1 when the correction was applied.
class CAutoCalWnd final : public CDialogWnd {
  Q_OBJECT

 public:
  // clock: the run's pauses between status polls.
  CAutoCalWnd(QWidget* owner, tolva::model::EqualizerManager& manager,
              tolva::Clock& clock = tolva::SystemClock());
  ~CAutoCalWnd() override;

  tolva::model::AutoCalibration& Calibration() { return *calibration_; }
  // Escape closes as the close button does.
  void reject() override;

 protected:
  void OnNotify(const tolva::kit::ControlNotify& notify) override;

 private:
  void OnMessage(tolva::device::Notification& notification);
  void OnStart();
  void CloseWindow();
  void SetTips(const std::string& raw);
  void ShowEqCurves();
  void ShowSpectrumCurves();
  bool IsChecked(const char* name) const;

  tolva::model::EqualizerManager& manager_;
  std::shared_ptr<tolva::kit::QtWindowSink> sink_;
  std::unique_ptr<tolva::model::AutoCalibration> calibration_;
  std::array<bool, tolva::model::kOutputChannels> measurable_{};
  std::array<std::array<double, tolva::model::AutoCalibration::kSpectrumPoints>,
             tolva::model::kOutputChannels>
      spectrum_freq_{}, spectrum_gain_{};
};

// Opens the window modally; true when the correction was applied (the unit must be read again).
bool ShowAutoCalWindow(QWidget* owner, tolva::model::EqualizerManager& manager);
