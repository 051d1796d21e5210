#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "ui/windows/dialog_wnd.h"
#include "ui/windows/measure_tune_backend.h"

class QTableWidget;
class QTableWidgetItem;
class FitPreviewGraph;

namespace tolva::curves {
class UIEqualizer;
}
namespace tolva::model {
class EqualizerManager;
}

// The measurement window ("measuretunewnd", "MeasureTuneWnd"): the devices, the calibration file
// and the unit's input fed, an input meter; each output measured at one or more microphone
// positions with the quality of each (one dropped at will), the crossover pairs measured
// together; a target; and a preview of the fits, delays, gains and polarities to accept before
// Apply sends them as one undo step, with A/B against the tune before. Each measurement is laid
// on the main graph's overlay as it arrives. It closes itself when the unit leaves, once any run
// has stopped, and never waits on the audio or the unit.
class CMeasureTuneWnd final : public CDialogWnd {
  Q_OBJECT

 public:
  // graph: the main window's, for the overlay (may be null).
  CMeasureTuneWnd(QWidget* owner, tolva::model::EqualizerManager& manager,
                  std::unique_ptr<tolva::ui::tune::Backend> backend,
                  tolva::curves::UIEqualizer* graph);
  ~CMeasureTuneWnd() override;

  tolva::ui::tune::Backend& Session() { return *backend_; }
  void reject() override;

 protected:
  void OnNotify(const tolva::kit::ControlNotify& notify) override;
  void showEvent(QShowEvent* event) override;

 private:
  enum OutputColumn {
    kOutName,
    kOutPositions,
    kOutDrop,  // the menu of the output's runs
    kOutSnr,
    kOutCoherence,
    kOutClipping,
    kOutVerdict
  };

  void BuildLayout();
  QWidget* BuildSetup();
  QWidget* BuildOutputs();
  QWidget* BuildTarget();
  QWidget* BuildPreview();
  void ConnectEvents();

  void OnDevices(std::vector<tolva::ui::tune::Device> playback,
                 std::vector<tolva::ui::tune::Device> capture, const std::string& error);
  void OnMeter(const tolva::ui::tune::Meter& meter);
  void OnMeasured(const tolva::ui::tune::OutputState& state);
  void OnPairMeasured(const tolva::ui::tune::Pair& pair);
  void OnStatus(const std::string& text, bool failed);
  void OnIdle();
  void OnPreview(const tolva::ui::tune::Preview& preview);
  void OnUnitLeft(bool mid_run);

  void PushSetup();
  void BrowseCalibration();
  void BrowseTargetFile();
  void Measure(bool add_position);
  void AskPreview();
  void ApplyAccepted();
  void SwitchAB();
  void CloseWindow();
  void TellUnitLeft();

  std::optional<tolva::ui::tune::Target> ReadTarget();
  std::vector<int> CheckedOutputs() const;
  void ShowTargetChoice();
  void ShowPreviewOf(int row);
  void UpdateButtons();
  void FitTables();
  void SetTips(const QString& raw, bool warning = false);
  void ShowQualityNotes();
  // An output's row, its runs and its overlay on the main graph, as the session now holds them.
  void ShowOutputState(const tolva::ui::tune::OutputState& state);
  // The output's runs and the crossover pairs it was measured in, each with its quality, to drop
  // one.
  void OpenRunsMenu(int output);
  void DropRun(int output, int run);
  // The crossover pairs the output was measured in, with their runs.
  std::vector<tolva::ui::tune::Pair> MeasuredPairsOf(int output) const;
  void DropPair(int low_output, int high_output);
  void ShowPairs();
  // Takes the preview shown away once the session's no longer stands (its measurements changed).
  void DropStalePreview();
  // The ring: how many of the runs asked for have ended.
  void StartRuns(int count);
  void ShowProgress();

  tolva::model::EqualizerManager& manager_;
  std::unique_ptr<tolva::ui::tune::Backend> backend_;
  tolva::curves::UIEqualizer* main_graph_;
  QTableWidget* outputs_ = nullptr;
  QTableWidget* preview_table_ = nullptr;
  FitPreviewGraph* fit_graph_ = nullptr;
  std::vector<tolva::ui::tune::OutputState> states_;  // by output; positions 0: not measured
  std::optional<tolva::ui::tune::Preview> preview_;
  std::string calibration_path_;
  std::string target_path_;
  int runs_asked_ = 0, runs_done_ = 0;
  bool close_pending_ = false;  // close asked for while the worker winds down
  bool unit_left_ = false;       // closing because the unit has gone
  bool unit_left_mid_run_ = false;
  bool closed_ = false;
};

// Opens the window modally over the main window, measuring through `audio` (PipeWire when null).
void ShowMeasureTuneWindow(QWidget* owner, tolva::model::EqualizerManager& manager,
                           std::shared_ptr<tolva::audio::AudioInterface> audio = nullptr);
