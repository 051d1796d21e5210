#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stop_token>

#include "base/clock.h"
#include "device/link/dsp_link.h"
#include "dsp_math/channel_response.h"
#include "model/manager/manager_view.h"
#include "model/manager/notification_queue.h"
#include "model/profile/profile.h"
#include "model/manager/unit_outcome.h"

// What the manager's parts share: the unit's settings, the link to the unit, the view of the
// screen, the curves of the live profile and where messages for the window thread go. Owned by
// the manager; the parts hold a reference and never reach the manager itself.
namespace tolva::model {

// How many bands each output's EQ requests ask for: taken on the window thread and handed to a
// worker, which never reads the model itself.
using EqBandCounts = std::array<int, kOutputChannels>;

struct ManagerContext {
  ManagerContext(device::TransportFactory factory, Clock& clock);
  ManagerContext(const ManagerContext&) = delete;
  ManagerContext& operator=(const ManagerContext&) = delete;

  Clock& clock;
  // Heap-held: the unit's settings are about 60 KB.
  std::unique_ptr<UnitSettings> unit;
  // Outlives the link, which holds it as the scene window's sink.
  std::shared_ptr<device::NotificationSink> scene_sink;
  std::unique_ptr<device::DspLink> link;
  ManagerView silent_view;
  ManagerView* view = &silent_view;
  NotificationQueue own_queue;
  std::atomic<device::NotificationSink*> main_sink{&own_queue};
  ConnectState state = ConnectState::kDisconnected;  // window thread only
  // Requested when shutting down: every worker's long wait ends early.
  std::stop_source shutdown;
  std::array<dsp::ChannelCurves, kOutputChannels> curves{};
  // Told when the unit has left (false) or a connection has been read and settled (true).
  std::map<int, std::function<void(bool)>> presence_listeners;
  int next_listener = 0;

  Profile& Live() { return unit->live; }
  const Profile& Live() const { return unit->live; }
  // currChannel, held to 0 … 5.
  int CurrentChannel() const;
  // The linked partner of the current output, -1 for none.
  int Partner() const;
  EqBandCounts LiveEqBandCounts() const;

  // From any thread: to the window thread's routing.
  void PostMain(std::uint32_t message);
  void PostFailure(UnitOperation operation, UnitOutcome outcome);
  // On the window thread, once the model has taken note of the unit's leaving or arrival.
  void NotifyPresence(bool present);

  void ComputeChannelResponse(int channel);
  // The current channel and, when it is linked, its partner.
  void ComputeCurrentResponses();
  void ComputeAllResponses();
  // Another output becomes the current one; its strip is shown and the graph redrawn.
  void SelectOutput(int channel);
  // The current output's curves recomputed and handed to the graph; band is the one to
  // highlight, -1 none.
  void UpdateEqualizer(int band);
  // Link state made consistent (linked implies locked, partners recomputed), curves recomputed,
  // every control rewritten, then the graph.
  void RefreshFromProfile();
};

}  // namespace tolva::model
