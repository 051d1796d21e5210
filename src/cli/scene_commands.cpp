// The unit's ten stored scenes (scenes, scene load/save/delete) and factory-reset: the scene
// window's and the menu's operations, with the questions answered from the command line.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/json_text.h"
#include "device/protocol/records.h"
#include "device/protocol/scene_name_codec.h"
#include "model/manager/manager_messages.h"
#include "model/manager/notification_queue.h"
#include "model/profile/scene_names.h"
#include "model/manager/scene_view.h"

namespace tolva::cli {
namespace {

constexpr int kAckWaitMs = 5000;

// The scene window without dialogs: questions are answered as the command line said, and a
// message the window would show is a refusal.
class CommandSceneView final : public model::SceneView {
 public:
  CommandSceneView(bool confirm, std::string name) : confirm_(confirm), name_(std::move(name)) {}

  bool Confirm(const std::string&) override { return confirm_; }
  bool AskName(std::string& name) override {
    name = name_;
    return true;
  }
  void ShowMessage(const std::string& text) override { refusal_ = text; }
  void RefreshRows() override {}
  std::shared_ptr<device::NotificationSink> Sink() override { return acks_; }

  const std::string& Refusal() const { return refusal_; }
  // Waits (real time, bounded) for the unit's acknowledgement of the operation.
  bool Acknowledged(std::uint32_t message) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAckWaitMs);
    while (std::chrono::steady_clock::now() < give_up) {
      for (const device::Notification& n : acks_->TakeAll(50)) {
        if (n.message == message) return true;
      }
    }
    return false;
  }

 private:
  bool confirm_;
  std::string name_;
  std::string refusal_;
  std::shared_ptr<model::NotificationQueue> acks_ = std::make_shared<model::NotificationQueue>();
};

std::string Utf8OfCodePoint(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// Why the unit cannot store this name, or empty: the window's slot holds 7 characters and the
// unit 16 bytes of its code page.
std::string NameProblem(const std::u16string& name) {
  if (name.empty()) return "the name is empty";
  if (name.size() > static_cast<std::size_t>(model::kSceneNameChars)) {
    return "the name is longer than " + std::to_string(model::kSceneNameChars) +
           " characters";
  }
  const std::wstring wide = model::WideOf(name);
  for (const wchar_t c : wide) {
    const std::wstring one(1, c);
    if (device::DecodeSceneName(device::EncodeSceneName(one)) != one) {
      return "the unit's character set has no \"" + Utf8OfCodePoint(static_cast<char32_t>(c)) +
             "\"";
    }
  }
  if (device::DecodeSceneName(device::EncodeSceneName(wide)) != wide) {
    return "the name takes more than 16 bytes on the unit";
  }
  return {};
}

int Refused(const std::string& why) {
  std::fprintf(stderr, "tolva-dsp-cli scene: %s; nothing was sent\n", why.c_str());
  return kExitFailed;
}

int Finish(DeviceSession& session, CommandSceneView& view, std::uint32_t ack, const char* what) {
  session.Manager().JoinWorkers();
  session.ApplyReplies();
  if (!view.Refusal().empty()) return Refused(view.Refusal());
  if (const auto failure = session.Failure()) {
    return ExitCodeOf(*failure, (std::string("The scene ") + what + " did not complete").c_str());
  }
  if (!view.Acknowledged(ack)) {
    std::fprintf(stderr, "tolva-dsp-cli scene: the unit did not confirm the %s\n", what);
    return kExitFailed;
  }
  return kExitOk;
}

std::string NameOf(const model::EqualizerManager& m, int scene) {
  return model::Utf8Of(model::SceneName(m.Unit().sceneName[scene - 1]));
}

}  // namespace

int RunScenes(const DeviceOptions& device, bool json) {
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  const model::EqualizerManager& m = session.Manager();
  std::string out = json ? "[" : "";
  for (int k = 1; k <= model::kStoredScenes; ++k) {
    const std::string name = NameOf(m, k);
    if (json) {
      out += std::string(k > 1 ? "," : "") + "{\"scene\":" + std::to_string(k) +
             ",\"name\":" + JsonString(name) + ",\"empty\":" + (name.empty() ? "true" : "false") +
             "}";
    } else {
      out += std::to_string(k) + "\t" + (name.empty() ? "(empty)" : name) + "\n";
    }
  }
  std::fputs((json ? out + "]\n" : out).c_str(), stdout);
  return kExitOk;
}

int RunSceneLoad(const DeviceOptions& device, int scene) {
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  CommandSceneView view(true, {});
  session.Manager().LoadSence(view, scene);
  // The load ends with the busy window closed once every reply of the read is applied.
  return Finish(session, view, model::MSG_BUSY_CLOSE, "load");
}

int RunSceneSave(const DeviceOptions& device, int scene, const std::string& name,
                 bool overwrite) {
  const std::u16string wanted = model::Utf16Of(name);
  if (const std::string problem = NameProblem(wanted); !problem.empty()) return Refused(problem);
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  model::EqualizerManager& m = session.Manager();
  const std::string current = NameOf(m, scene);
  if (!current.empty() && !overwrite) {
    return Refused("scene " + std::to_string(scene) + " is \"" + current +
                   "\"; add --overwrite to replace it");
  }
  for (int other = 1; other <= model::kStoredScenes; ++other) {
    if (other != scene && NameOf(m, other) == name) {
      return Refused("scene " + std::to_string(other) + " already has the name \"" + name + "\"");
    }
  }
  CommandSceneView view(overwrite, name);
  m.SaveSence(view, scene);
  return Finish(session, view, device::MSG_SCENE_VALUE, "save");
}

int RunSceneDelete(const DeviceOptions& device, int scene) {
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  CommandSceneView view(true, {});
  session.Manager().DeleteSence(view, scene);
  return Finish(session, view, device::MSG_SCENE_DELETED, "delete");
}

int RunFactoryReset(const DeviceOptions& device, bool yes) {
  if (!yes) {
    std::fprintf(stderr,
                 "tolva-dsp-cli factory-reset: this erases every setting and stored scene on the "
                 "unit; add --yes to do it\n");
    return kExitUsage;
  }
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  model::EqualizerManager& m = session.Manager();
  m.ResetMcuFactoryDefault();  // the silent view confirms
  m.JoinWorkers();
  session.ApplyReplies();
  if (const auto failure = session.Failure()) {
    return ExitCodeOf(*failure, "The unit did not confirm the factory reset");
  }
  std::fprintf(stderr, "The unit restores its factory settings and restarts.\n");
  return kExitOk;
}

}  // namespace tolva::cli
