#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "device/protocol/notifications.h"

// Messages the manager's worker threads post to the main window, beside the decoders' ones in
// device/records.h. Posted in order on one sink, so a message posted after the last reply of a
// read is handled after every reply has been applied.
namespace tolva::model {

inline constexpr std::uint32_t MSG_FACTORY_DEFAULT_DONE = 1240;
inline constexpr std::uint32_t MSG_CONNECT_FAIL = 1242;
inline constexpr std::uint32_t MSG_CONNECT_DONE = 1243;
inline constexpr std::uint32_t MSG_CONNECT_DISCONNECT = 1245;
inline constexpr std::uint32_t MSG_BUSY_OPEN = 1274;
inline constexpr std::uint32_t MSG_BUSY_CLOSE = 1275;
// The read's curves and the graph update, done on the window thread instead of the read thread.
inline constexpr std::uint32_t MSG_READ_CURVES = 0x10001;
// A stored scene was read into the working set: its screen work, done on the window thread.
inline constexpr std::uint32_t MSG_SCENE_LOADED = 0x10002;
// A loaded profile file has been sent: every control shows it.
inline constexpr std::uint32_t MSG_REFRESH_FROM_PROFILE = 0x10003;
// The whole unit has been read for a whole-unit file: write it now. Carries a WholeFileRecord.
inline constexpr std::uint32_t MSG_WRITE_WHOLE_FILE = 0x10004;
// A scene or file operation's thread has done its part: the next one may start.
inline constexpr std::uint32_t MSG_UNIT_OPERATION_DONE = 0x10006;
// The room correction's apply has been sent (parameter 1 when the unit answered): read again.
inline constexpr std::uint32_t MSG_ROOM_CORRECTION_SENT = 0x10010;
// A worker's operation did not complete: param the UnitOperation, value the UnitOutcome.
inline constexpr std::uint32_t MSG_OPERATION_FAILED = 0x10005;
// To the scene window: a name slot changed back (a save or delete the unit refused).
inline constexpr std::uint32_t MSG_SCENE_ROWS_CHANGED = 0x10011;

// The path a whole-unit save writes to travels with its own operation.
struct WholeFileRecord final : device::NotificationRecord {
  explicit WholeFileRecord(std::string p) : path(std::move(p)) {}
  std::string path;
};

enum class ConnectState { kDisconnected, kConnecting, kConnected };

}  // namespace tolva::model
