// The CLI's commands that talk to the unit: info, read, read-whole, write.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "device/link/exchange_tally.h"
#include "model/manager/editing/command_sending.h"
#include "model/profile/control_ranges.h"
#include "model/edits/edit_rules.h"
#include "model/files/profile_files.h"
#include "model/edits/unit_limits.h"
#include "model/edits/profile_transition.h"

namespace tolva::cli {

namespace {

using model::ProfileReadResult;

bool HasSuffix(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int Saved(bool written, const std::string& path) {
  return written ? kExitOk : NotSaved(path);
}

// A scene profile under a whole-unit name (or the reverse) would be refused when written back.
bool RefusedKind(const std::string& path, bool whole) {
  if (!HasSuffix(path, whole ? ".spf" : ".wpf")) return false;
  std::fprintf(stderr, "%s: %s; nothing was read\n", path.c_str(),
               whole ? "read-whole writes a whole-unit profile (.wpf), read a scene profile"
                     : "read writes a scene profile (.spf), read-whole a whole-unit profile");
  return true;
}

}  // namespace

int RunInfo(const DeviceOptions& device) {
  DeviceSession session(device.factory);
  const int connected = session.Connect();
  // Only what the handshake told: a unit that did not give it has no model to print.
  if (!session.Manager().Link().HandshakeOk()) return connected == kExitOk ? kExitNoUnit : connected;
  const auto& info = session.Manager().LiveProfile().deviceInfo;
  std::printf("{\"model\":%d,\"master\":%d,\"slave\":%d}\n", session.Manager().Link().Model(),
              info[0], info[1]);
  return connected;
}

int RunRead(const DeviceOptions& device, const std::string& path) {
  if (RefusedKind(path, false)) return kExitFailed;
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  return Saved(session.Manager().SaveSceneProfileFile(path), path);
}

int RunReadWhole(const DeviceOptions& device, const std::string& path) {
  if (RefusedKind(path, true)) return kExitFailed;
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  model::EqualizerManager& manager = session.Manager();
  const model::UnitOutcome outcome = manager.ReadWholeUnit();
  session.ApplyReplies();
  // The old file stays as it was unless everything it will hold was read.
  if (outcome != model::UnitOutcome::kDone) {
    return ExitCodeOf(outcome, "The unit was not read completely; the file was not written");
  }
  return Saved(manager.SaveWholeProfileFile(path), path);
}

namespace {

// Only what differs from the unit's live settings, leaving the unit as a full write would.
int WriteChanges(DeviceSession& session, const model::Profile& file, bool json) {
  const model::Profile& live = session.Manager().LiveProfile();
  const auto commands = model::TransitionCommands(live, model::ChangesOnlyTarget(live, file));
  device::ExchangeTally tally;
  model::SendCommands(session.Manager().Link(), commands, true);
  std::printf(json ? "{\"commands\":%zu}\n" : "%zu commands\n", commands.size());
  return ExitCodeOf(model::OutcomeOf(tally), "The changes were not written to the unit completely");
}

}  // namespace

int RunWrite(const DeviceOptions& device, const std::string& path, bool changes_only, bool json) {
  const bool whole = HasSuffix(path, ".wpf");
  if (changes_only && whole) {
    std::fprintf(stderr, "--changes-only takes a scene profile (.spf).\n");
    return kExitUsage;
  }
  if (!whole && !HasSuffix(path, ".spf")) {
    std::fprintf(stderr,
                 "The file is neither a scene profile (.spf) nor a whole-unit profile "
                 "(.wpf).\n");
    return kExitFailed;
  }
  // Read before connecting: a rejected file sends nothing at all.
  auto loaded = std::make_unique<model::UnitSettings>();
  const ProfileReadResult result =
      whole ? model::ReadWholeProfile(path, *loaded) : model::ReadSceneProfile(path, loaded->live);
  if (result != ProfileReadResult::kOk) return ProfileRefused(path, result);
  if (const std::string problem = model::FirstValueBeyondUnitLimits(*loaded, whole); !problem.empty()) {
    std::fprintf(stderr, "%s: %s; nothing was sent\n", path.c_str(), problem.c_str());
    return kExitFailed;
  }
  DeviceSession session(device.factory);
  if (const int r = session.Connect(); r != kExitOk) return r;
  if (changes_only) return WriteChanges(session, loaded->live, json);
  model::EqualizerManager& manager = session.Manager();
  model::UnitOutcome outcome;
  if (whole) {
    manager.Unit() = *loaded;
    // As the window does: a script that unplugged or wrote again at once could cut the unit's
    // storing of its scenes short.
    std::fprintf(stderr, "Writing the unit, then 20 s while it stores its ten scenes…\n");
    outcome = manager.WriteWholeUnit(manager.Unit());
    session.FinishQueuedCommands();
  } else {
    outcome = manager.SetReadCurProfileToMCU(loaded->live);
  }
  return ExitCodeOf(outcome, "The file was not written to the unit completely");
}

}  // namespace tolva::cli
