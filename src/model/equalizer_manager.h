#pragma once

#include <array>
#include <memory>
#include <string>

#include "dsp_math/channel_response.h"
#include "model/profile.h"
#include "model/profile_files.h"

// The one object that knows every setting of the unit: the live profile, the ten stored scene
// profiles and their names, and the response curves derived from the live profile. Runs on the
// window thread; no window code here (the screen and the device link are reached through the
// seams later work adds).
namespace tolva::model {

class EqualizerManager {
 public:
  EqualizerManager();
  virtual ~EqualizerManager() = default;
  EqualizerManager(const EqualizerManager&) = delete;
  EqualizerManager& operator=(const EqualizerManager&) = delete;

  Profile& LiveProfile() { return unit_->live; }
  const Profile& LiveProfile() const { return unit_->live; }
  // 0: the live profile; 1 … 10: stored scene k; nullptr otherwise.
  Profile* ProfileOfScene(int scene) { return unit_->ProfileOfScene(scene); }
  const Profile* ProfileOfScene(int scene) const { return unit_->ProfileOfScene(scene); }
  // Slot k-1 holds the name of stored scene k; nullptr outside 0 … 9.
  SceneNameSlot* SceneNameSlotAt(int slot);
  UnitSettings& Unit() { return *unit_; }
  const UnitSettings& Unit() const { return *unit_; }

  // Curves of the live profile. Each output has its own curves; ChannelCurvesOf(c).hp/.lp
  // are those of c as last computed.
  void ComputeChannelResponse(int channel);
  // The current channel and, when it is linked, its partner.
  void ComputeCurrentResponses();
  void ComputeAllResponses();
  const dsp::ChannelCurves& ChannelCurvesOf(int channel) const;
  const dsp::Curve& Grid() const { return dsp::StandardEvaluator().grid(); }

  // Profile files. A rejected file leaves every profile and name as it was; the result's
  // message (MessageOf) is what the user is shown.
  ProfileReadResult LoadSceneProfileFile(const std::string& path);
  ProfileReadResult LoadWholeProfileFile(const std::string& path);
  bool SaveSceneProfileFile(const std::string& path) const;
  bool SaveWholeProfileFile(const std::string& path) const;

 private:
  // Heap-held: the unit's settings are about 60 KB.
  std::unique_ptr<UnitSettings> unit_;
  std::array<dsp::ChannelCurves, kOutputChannels> curves_{};
};

}  // namespace tolva::model
