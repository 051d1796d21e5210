#include "model/equalizer_manager.h"

#include "model/channel_curves.h"

namespace tolva::model {

EqualizerManager::EqualizerManager() : EqualizerManager(device::TransportFactory{}) {}

EqualizerManager::EqualizerManager(device::TransportFactory factory, Clock& clock)
    : clock_(clock),
      link_(std::make_unique<device::DspLink>(std::move(factory), clock)),
      unit_(std::make_unique<UnitSettings>()) {
  ResetProfile(unit_->live, true);
  for (SceneNameSlot& slot : unit_->sceneName) slot.fill(0);
  link_->SetNotificationSink(device::TargetWindow::kMain, main_sink_.load());
}

EqualizerManager::~EqualizerManager() {
  // The link's thread and the workers post to sinks that die with this object: stop both first.
  shutdown_.request_stop();
  link_->SetNotificationSink(device::TargetWindow::kMain, nullptr);
  link_->CloseHIDDevice(true);
  JoinWorkers();
  link_.reset();
}

SceneNameSlot* EqualizerManager::SceneNameSlotAt(int slot) {
  return slot >= 0 && slot < kStoredScenes ? &unit_->sceneName[slot] : nullptr;
}

void EqualizerManager::ComputeChannelResponse(int channel) {
  if (channel < 0 || channel >= kOutputChannels) return;
  ComputeChannelCurves(unit_->live, channel, curves_[channel]);
}

void EqualizerManager::ComputeCurrentResponses() {
  const int current = unit_->live.currChannel;
  ComputeChannelResponse(current);
  if (current < 0 || current >= kOutputChannels) return;
  const int partner = unit_->live.linkOutputs[current];
  if (partner != current) ComputeChannelResponse(partner);
}

void EqualizerManager::ComputeAllResponses() {
  for (int c = 0; c < kOutputChannels; ++c) ComputeChannelResponse(c);
}

const dsp::ChannelCurves& EqualizerManager::ChannelCurvesOf(int channel) const {
  static const dsp::ChannelCurves kFlat{};
  return channel >= 0 && channel < kOutputChannels ? curves_[channel] : kFlat;
}

ProfileReadResult EqualizerManager::LoadSceneProfileFile(const std::string& path) {
  return ReadSceneProfile(path, unit_->live);
}

ProfileReadResult EqualizerManager::LoadWholeProfileFile(const std::string& path) {
  return ReadWholeProfile(path, *unit_);
}

bool EqualizerManager::SaveSceneProfileFile(const std::string& path) const {
  return WriteSceneProfile(unit_->live, path);
}

bool EqualizerManager::SaveWholeProfileFile(const std::string& path) const {
  return WriteWholeProfile(*unit_, path);
}

}  // namespace tolva::model
