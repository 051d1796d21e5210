#pragma once

#include <string>

#include "device/protocol/notifications.h"

namespace tolva::kit {

// Carried by the menu-click message (kMsgMenuClick); the receiving window owns it.
struct MenuClickRecord final : device::NotificationRecord {
  std::string name;       // the item's control name
  std::string user_data;  // the item's user data
  std::string text;       // the item's text as shown
  bool checked = false;
};

}  // namespace tolva::kit
