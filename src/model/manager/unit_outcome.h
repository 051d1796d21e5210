#pragma once

#include <cstdint>
#include <string_view>

#include "device/link/exchange_tally.h"

// How an operation that talks to the unit ended, and what the window says when it failed.
namespace tolva::model {

enum class UnitOutcome : std::int64_t {
  kDone = 0,
  kUnanswered = 1,  // a request or command went unacknowledged
  kUnitGone = 2,    // the link was lost part-way
};

// The operations of the manager's workers, as the failure message names them.
enum class UnitOperation : std::int64_t {
  kConnectRead,
  kReadWhole,
  kSceneWrite,
  kWholeWrite,
  kSceneLoad,
  kSceneSave,
  kSceneDelete,
  kFactoryDefault,
};

inline UnitOutcome OutcomeOf(const device::ExchangeTally& tally) {
  if (tally.unit_gone()) return UnitOutcome::kUnitGone;
  return tally.unanswered() > 0 ? UnitOutcome::kUnanswered : UnitOutcome::kDone;
}

// The placeholder shown when the operation did not complete.
constexpr std::string_view FailureTextOf(UnitOperation operation) {
  switch (operation) {
    case UnitOperation::kConnectRead:
      return "${device_read_fail}";
    case UnitOperation::kReadWhole:
      return "${profile_save_unit_fail}";
    case UnitOperation::kSceneWrite:
    case UnitOperation::kWholeWrite:
      return "${profile_send_fail}";
    case UnitOperation::kSceneLoad:
    case UnitOperation::kSceneSave:
    case UnitOperation::kSceneDelete:
      return "${scene_action_fail}";
    case UnitOperation::kFactoryDefault:
      return "${factory_default_fail}";
  }
  return "${device_read_fail}";
}

}  // namespace tolva::model
