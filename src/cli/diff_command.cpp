// diff A B: the fields in which two profile files, or a file and the unit, differ.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/json_text.h"
#include "model/files/profile_diff.h"
#include "model/files/profile_files.h"

namespace tolva::cli {
namespace {

constexpr const char* kUnit = "unit";

bool IsWholeFile(const std::string& path) {
  return path.size() >= 4 && path.compare(path.size() - 4, 4, ".wpf") == 0;
}

// A side of the comparison: the file as read, or the unit's live settings.
int Load(const std::string& side, const DeviceOptions* device, model::UnitSettings& out) {
  if (side == kUnit) {
    DeviceSession session(device->factory);
    if (const int r = session.Connect(); r != kExitOk) return r;
    out.live = session.Manager().LiveProfile();
    return kExitOk;
  }
  const model::ProfileReadResult result = IsWholeFile(side)
                                              ? model::ReadWholeProfile(side, out)
                                              : model::ReadSceneProfile(side, out.live);
  if (result == model::ProfileReadResult::kOk) return kExitOk;
  return ProfileRefused(side, result);
}

}  // namespace

bool DiffNeedsUnit(const std::string& a, const std::string& b) {
  return a == kUnit || b == kUnit;
}

int RunDiff(const DeviceOptions* device, const std::string& a, const std::string& b, bool json) {
  auto left = std::make_unique<model::UnitSettings>();
  auto right = std::make_unique<model::UnitSettings>();
  if (const int r = Load(a, device, *left); r != kExitOk) return r;
  if (const int r = Load(b, device, *right); r != kExitOk) return r;
  // Whole-unit files compare whole; otherwise the live settings, which every side has.
  const auto differences = IsWholeFile(a) && IsWholeFile(b)
                               ? model::DiffUnits(*left, *right)
                               : model::DiffProfiles(left->live, right->live);
  std::string out = json ? "[" : "";
  for (std::size_t i = 0; i < differences.size(); ++i) {
    const model::ProfileDifference& d = differences[i];
    if (json) {
      out += std::string(i > 0 ? "," : "") + "{\"key\":" + JsonString(d.key) + ",\"a\":" + d.a +
             ",\"b\":" + d.b + "}";
    } else {
      out += d.key + ": " + d.a + " -> " + d.b + "\n";
    }
  }
  if (json) out += "]\n";
  std::fputs(out.c_str(), stdout);
  return kExitOk;
}

}  // namespace tolva::cli
