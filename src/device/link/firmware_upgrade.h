#pragma once

// The unit's software upgrade: an image file checked, the unit switched into upgrade mode, then
// the image sent block by block with one acknowledgement per block.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/link/dsp_link.h"
#include "device/protocol/firmware_image.h"

namespace tolva::device {

class FirmwareUpgrade {
 public:
  // UpgradeStart's results.
  static constexpr int kStarted = 0;
  static constexpr int kCannotOpen = 1;
  static constexpr int kInvalidFile = 2;
  static constexpr int kNotConnected = 3;
  static constexpr int kRefused = 4;
  // UpgradeStep's results beyond the progress 0 … 100.
  static constexpr std::uint8_t kFinished = 101;
  static constexpr std::uint8_t kFailed = 255;

  // Step status: what the next step does.
  static constexpr int kStepReady = 0;
  static constexpr int kStepBlockSent = 1;
  static constexpr int kStepReadAck = 2;
  static constexpr int kStepDone = 3;

  // Installs the upgrade acknowledgements' decoders on the link; they change only the link's
  // upgrade state.
  FirmwareUpgrade(DspLink& link, Clock& clock = SystemClock());

  // Checks the file at path, enters upgrade mode (reconnecting while the unit switches) and
  // starts the transfer: kStarted or one of the failures above. The upgrade state is back to
  // UPG_IDLE on any failure.
  int UpgradeStart(const std::string& path);
  // One step of the transfer: the progress in percent, kFinished or kFailed (both end it). Every
  // wait is bounded: a block whose acknowledgement does not come ends the transfer as failed.
  std::uint8_t UpgradeStep();

  UpgradeTarget Target() const { return target_; }

 private:
  int ParseFile(const std::string& path);
  void InstallAcknowledgements();
  void SendNextBlock();
  void ReadAcknowledgement();
  void Fail();
  std::uint8_t End();
  int Progress() const;
  int State() const { return link_.UpgradeState(); }
  void SetState(int state) { link_.SetUpgradeState(state); }
  bool IsMcuImage() const { return target_ != UpgradeTarget::kDspFlash; }

  DspLink& link_;
  Clock& clock_;
  int step_status_ = kStepDone;  // the worker's alone
  int ack_reads_ = 0;            // reads since the last block was sent
  int silent_reads_ = 0;         // of which brought nothing
  UpgradeTarget target_ = UpgradeTarget::kNone;
  std::vector<std::uint8_t> image_;
  std::array<std::uint8_t, 4> start_header_{};
  std::size_t remaining_ = 0;  // MCU images travel from their end
  std::size_t sent_ = 0;       // the DSP flash image from its start
};

}  // namespace tolva::device
