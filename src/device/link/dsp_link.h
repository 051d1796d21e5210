#pragma once

// DspLink: the one object that owns the connection to the unit. Transport, frames, the reply
// reassembly and decoders, the queue of pending commands and McuCmdThread, and every command
// builder under the unit's own function names.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "device/link/exchange_lock.h"
#include "device/protocol/frame_reassembler.h"
#include "device/protocol/notifications.h"
#include "device/link/pending_queue.h"
#include "device/protocol/reply_decoder.h"
#include "device/transport/transport.h"

namespace tolva::device {

class DspLink {
 public:
  static constexpr int kDefaultTimeoutMs = 10000;
  static constexpr int kFactoryDefaultTimeoutMs = 30000;
  static constexpr int kExpectedModel = 19;
  // Reads wait in slices of this length so closing and destruction cut a long wait short.
  static constexpr int kReadSliceMs = 50;

  explicit DspLink(TransportFactory factory, Clock& clock = SystemClock());
  ~DspLink();
  DspLink(const DspLink&) = delete;
  DspLink& operator=(const DspLink&) = delete;

  // Receivers of the decoders' notifications, one per window; nullptr clears. Once this returns,
  // the previous sink is never called again, so a window may clear its sink and then die.
  // A notification for a window without a sink is dropped and its record freed.
  void SetNotificationSink(TargetWindow target, NotificationSink* sink);

  // Replaces the built-in decoding of one reply (the upgrade acknowledgements and the
  // room-correction reports are installed this way). The handler runs on the reading thread.
  void SetReplyHandler(std::uint8_t cmd, std::uint8_t sub, ReplyDecoder::Handler handler);

  // --- Transport ---
  // hid_init's result when non-zero; otherwise SetNonBlocking's (0), or -1 when no unit opened.
  int OpenHIDDevice();
  bool IsDeviceOpen() const { return open_.load(); }
  void CloseHIDDevice(bool say_goodbye);
  // Writes one frame; does not wait for a reply.
  bool SendCtrlCommand(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                       std::span<const std::uint8_t> payload = {});
  // Reads one report into the receive buffer and decodes every frame it completes; true when at
  // least one byte arrived.
  bool ReadHIDData(int timeout_ms);
  // The last report read and its length (0 after a failed read).
  std::vector<std::uint8_t> LastReport() const;
  int BytesRead() const { return bytes_read_.load(); }
  // The last read failed with an error rather than timing out: the unit has gone.
  bool LastReadFailed() const { return last_read_error_.load(); }
  // The upgrade's direct access to the receive ring.
  void ClearReceiveRing();
  bool ParsePendingByte();

  void EnableCommandQueue();
  void DisableCommandQueue();
  bool IsCommandQueueEnabled() const { return queue_enabled_.load(); }
  std::size_t PendingCommandCount() const;
  // Waits (real time) until every queued command has been written and answered or has timed
  // out; false when timeout_ms passed first.
  bool WaitUntilQueueIdle(int timeout_ms);
  // While held, queued commands wait aside instead of entering the queue, so the window can ask
  // the user before an edit's commands leave. Release sends them in order, or forgets them.
  void HoldQueuedCommands();
  void ReleaseHeldCommands(bool send);
  // Queued commands that were dropped (queue disabled) or went unanswered, since the link was
  // made; an operation compares it before and after its queued part.
  std::uint64_t QueuedCommandsLost() const { return queued_lost_.load(); }
  // The end of an operation's queued part: waits as WaitUntilQueueIdle, then counts into the
  // thread's ExchangeTally the queued commands lost since lost_before (a queue still busy at
  // timeout_ms counts as one more), and the unit as gone when the link has closed or failed.
  void AwaitQueuedSince(std::uint64_t lost_before, int timeout_ms);

  // True from an exchange the open unit left unanswered until the next reply arrives; each
  // change is posted to the main window as MSG_UNIT_SILENT.
  bool UnitSilent() const { return silent_.load(); }

  // --- Handshake result ---
  int Model() const { return state_.model.load(); }
  bool HandshakeOk() const { return state_.handshake_ok.load(); }
  int BootLoaderVersion() const { return state_.bootloader_version.load(); }
  void SetBootLoaderVersion(int version) { state_.bootloader_version = version; }
  // UPG_IDLE ... UPG_FAIL; while UPG_ENTER or UPG_START the manager neither connects nor
  // handles plugging.
  int UpgradeState() const { return state_.upgrade_state.load(); }
  void SetUpgradeState(int state) { state_.upgrade_state = state; }

  // --- Group 3, system ---
  void PC_Connect(std::uint8_t on);
  bool Hand_Connect();
  bool MCU_Enter_Upg_Mode();
  bool MCU_Reboot_Ctrl();
  bool Factory_Default_Ctrl();

  // --- Group 1, DSP parameters (sync: wait for the reply here; else queue or drop) ---
  // Per-channel arrays start at channel ch_x; the list ends where the range or the array ends.
  void Source_Switch_Ctrl(int source, bool sync);
  void Main_Volume_Ctrl(int volume, bool sync);
  void Mute_Ctrl(int mute, bool sync);
  // filter: 1 low-pass, 2 high-pass. Wire order: type, frequency, slope.
  void Filter_Ctrl(int scene, int source, int ch, int filter, int type, int freq, int slope,
                   bool sync);
  void EQ_Ctrl(int scene, int source, int ch, int band, int freq, float q, float gain, bool sync);
  void Delay_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const float> delays,
                  bool sync);
  // Channel gains in dB (0 or below); the unit takes the attenuation.
  void Trim_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> gains, bool sync);
  void Mute_Ch_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> mutes,
                    bool sync);
  void Phase_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> phases,
                  bool sync);
  void Mix_Ch_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> masks,
                   bool sync);
  void CH_Type_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> roles,
                    bool sync);
  // pairs holds count (from ch, to ch) pairs, flattened.
  void CH_Link_Ctrl(int scene, int link, int count, std::span<const int> pairs, bool sync);
  void CH_Lock_Ctrl(int scene, int lock, bool sync);
  void PEQ_Reset_Ctrl(int scene, int source, int count, std::span<const int> channels, bool sync);
  void PEQ_Bypass_Ctrl(int scene, int source, int ch_x, int ch_y, std::span<const int> bypass,
                       bool sync);
  void Input_Mix_Trim_Ctrl(int scene, int source, int in_ch, int out_ch_x, int out_ch_y,
                           std::span<const int> trims, bool sync);

  // --- Group 1, requests (always synchronous; the read's result) ---
  bool Get_Source();
  bool Get_Main_Volume();
  bool Get_Subwoofer_Volume();
  bool Get_Mute();
  bool Get_Filter(int scene, int source, int ch_x, int ch_y);
  bool Get_EQ(int scene, int source, int ch, int band_x, int band_y);
  bool Get_Delay(int scene, int source, int ch_x, int ch_y);
  bool Get_Trim(int scene, int source, int ch_x, int ch_y);
  bool Get_Mute_Ch(int scene, int source, int ch_x, int ch_y);
  bool Get_Phase(int scene, int source, int ch_x, int ch_y);
  bool Get_Mix_Ch(int scene, int source, int ch_x, int ch_y);
  bool Get_CH_Type(int scene, int source, int ch_x, int ch_y);
  bool Get_CH_Link(int scene);
  bool Get_CH_Lock(int scene);
  bool Get_PEQ_Bypass(int scene, int source, int ch_x, int ch_y);
  bool Get_Input_Mix_CH_Trim(int scene, int source, int in_ch, int out_ch_x, int out_ch_y);

  // --- Group 1, room correction (reports go to the calibration window) ---
  // on: 0 stop, 1 start, 2 apply, 3 cancel; bit j of channel_mask measures output j. sync: the
  // read's result; otherwise whether the queue took the command (it refuses while disabled).
  bool IRC_Ctrl(int on, int channel_mask, int eq_mode, bool sync);
  bool IRC_Get();
  bool IRC_Get_Distance(int ch, int ch_end);
  bool IRC_Get_Trim(int ch, int ch_end);
  bool IRC_Get_EQ(int ch, int band, int band_end);
  bool IRC_Get_Spk_Size(int ch, int ch_end);
  bool IRC_Get_Spk_Phase(int ch, int ch_end);
  bool IRC_Get_Spk_Level(int ch, int ch_end);
  bool IRC_Get_Spectrum(int ch, int band, int band_end);
  bool IRC_Get_Noise_Level(int ch, int ch_end);
  bool IRC_Get_RTA();
  bool IRC_Set_Test_Mic(int on);
  // bits: 1 EQ, 2 delay, 4 phase correction.
  bool IRC_Sel_Test_Module(int module_bits);

  // --- Group 2, scene storage (always synchronous) ---
  bool SaveScene(int scene, int immediately);
  bool ReadScene(int from_scene, int to_scene);
  bool DeleteScene(int scene);
  // name: the wire bytes (at most 16 travel; see EncodeSceneName).
  bool SetSceneName(int scene, std::span<const std::uint8_t> name);
  bool Get_Scene_Name(int scene);

  // The calling pattern every builder shares: a synchronous exchange, or the queue when enabled,
  // or nothing. Public so later command families reuse it. An exchange reads until a frame of
  // the command's own group and sub arrives, so a reply split over two reports or behind an
  // unrelated report still counts; true only then, and not when that frame is the
  // acknowledgement NOT_READY (nothing was done). The outcome is recorded in the thread's
  // ExchangeTally.
  bool Exchange(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                std::span<const std::uint8_t> payload, int timeout_ms = kDefaultTimeoutMs);
  // For the commands the unit need not answer (ReadScene, SetSceneName, and the factory
  // default, after which it restarts): the same wait, but only a failed write counts against
  // the exchange, and a unit that stays quiet is not taken for a silent one.
  bool ExchangeAnswerOptional(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                              std::span<const std::uint8_t> payload,
                              int timeout_ms = kDefaultTimeoutMs);
  void Issue(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op, std::vector<std::uint8_t> payload,
             bool sync, int timeout_ms = kDefaultTimeoutMs);

 private:
  bool SendLocked(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                  std::span<const std::uint8_t> payload);
  bool ReadLocked(int timeout_ms);
  bool ExchangeLocked(std::uint8_t cmd, std::uint8_t sub, std::uint8_t op,
                      std::span<const std::uint8_t> payload, int timeout_ms, bool answer_promised);
  bool AwaitReplyLocked(std::uint8_t cmd, std::uint8_t sub, int timeout_ms, bool answer_promised);
  void DrainRingLocked();
  void SetSilent(bool silent);
  void Deliver(TargetWindow target, Notification notification);
  void McuCmdThread();
  static void LogPending(const PendingCommand& command);
  bool AbortWaiting() const { return stopping_.load() || close_requests_.load() > 0; }

  TransportFactory factory_;
  Clock& clock_;

  // Serialises exchanges (a write and its wait) and guards everything below up to the queue:
  // the transport, the receive buffer, the ring and parser, and the decoder.
  mutable ExchangeLock exchange_lock_;
  std::unique_ptr<Transport> transport_;
  std::array<std::uint8_t, 65> receive_buffer_{};
  FrameReassembler reassembler_;
  LinkState state_;
  ReplyDecoder decoder_;
  // The reply an exchange waits for, and whether a frame of it has been decoded.
  struct Awaited {
    bool active = false;
    std::uint8_t cmd = 0;
    std::uint8_t sub = 0;
    bool arrived = false;
    bool not_ready = false;  // the answer was the acknowledgement NOT_READY
  } awaited_;
  bool last_not_ready_ = false;
  bool last_write_failed_ = false;

  std::atomic<bool> open_{false};
  std::atomic<int> bytes_read_{0};
  std::atomic<bool> last_read_error_{false};
  std::atomic<bool> write_in_progress_{false};  // WRITE_ROPRT, for the log only
  std::atomic<int> close_requests_{0};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> queue_enabled_{false};
  std::atomic<std::uint64_t> queued_lost_{0};
  std::atomic<bool> silent_{false};

  mutable std::mutex sink_mutex_;  // guards sinks_; held while posting so a cleared sink is safe
  std::array<NotificationSink*, 4> sinks_{};

  mutable std::mutex queue_mutex_;  // guards queue_, the held commands, running_ and in_flight_
  std::condition_variable queue_wake_;
  std::condition_variable idle_;  // the thread finished a command
  bool in_flight_ = false;        // the thread holds a command taken from the queue
  PendingQueue queue_;
  bool holding_ = false;
  std::vector<PendingCommand> held_;
  bool running_ = true;
  std::thread thread_;
};

}  // namespace tolva::device
