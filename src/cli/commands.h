#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/transport/transport.h"
#include "model/files/profile_json.h"

// The commands of tolva-dsp-cli. Each returns the process exit code: 0 done, 1 wrong usage,
// 2 the input was rejected or the work failed, 3 no unit or its handshake failed, 4 a unit of
// another model. The argument parsing lives in main.cpp; these take the parsed values.
namespace tolva::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFailed = 2;
inline constexpr int kExitNoUnit = 3;
inline constexpr int kExitOtherModel = 4;

// The unit chosen with --device (as in the GUI).
struct DeviceOptions {
  device::TransportFactory factory;
};

// channel -1: the file's current channel.
int RunResponse(const std::string& path, int channel);
int RunInfo(const DeviceOptions& device);
int RunRead(const DeviceOptions& device, const std::string& path);
int RunReadWhole(const DeviceOptions& device, const std::string& path);
// changes_only: a scene profile's differences from the unit's live settings, read first; json:
// their count as {"commands":N}.
int RunWrite(const DeviceOptions& device, const std::string& path, bool changes_only, bool json);

int RunGet(const DeviceOptions& device, const std::string& key);
// json: the clamp notes as {"notes":[…]} on standard output instead of lines on standard error.
int RunSet(const DeviceOptions& device, const std::vector<std::string>& assignments,
           bool json = false);
// Whether set takes the key; get takes every field of a scene profile, and "source".
bool IsSettableKey(const std::string& key);

int RunScenes(const DeviceOptions& device, bool json);
// scene 1 … 10
int RunSceneLoad(const DeviceOptions& device, int scene);
int RunSceneSave(const DeviceOptions& device, int scene, const std::string& name, bool overwrite);
int RunSceneDelete(const DeviceOptions& device, int scene);
int RunFactoryReset(const DeviceOptions& device, bool yes);
int RunUpgrade(const DeviceOptions& device, const std::string& path);

struct EqExportOptions {
  std::string file;  // the profile, unless exported from the unit
  int channel = 0;
  bool rew = false;
};
struct EqImportOptions {
  std::string text_file;
  int channel = 0;
  std::string into_file;    // the profile, unless imported to the unit
  std::string apo_channel;  // the "Channel:" block to take
  bool force = false;
  double max_deviation_db = 1.0;  // beyond it the import needs --force
  bool json = false;              // the figures on standard output
};
// device null: the profile file; else the unit.
int RunEqExport(const DeviceOptions* device, const EqExportOptions& options);
int RunEqImport(const DeviceOptions* device, const EqImportOptions& options);

// A or B may be "unit".
bool DiffNeedsUnit(const std::string& a, const std::string& b);
int RunDiff(const DeviceOptions* device, const std::string& a, const std::string& b, bool json);

int RunDoctor(bool json, const std::optional<std::string>& device_argument);

// English text of a placeholder such as "${profile_load_error}": the language table's entry
// when one is loaded, else the CLI's own wording.
std::string EnglishText(std::string_view placeholder);
// Why a profile file was not taken, or not written, on stderr with its path; kExitFailed.
int ProfileRefused(const std::string& path, model::ProfileReadResult result);
int NotSaved(const std::string& path);

}  // namespace tolva::cli
