#pragma once

#include <cstdint>

// The notification vocabulary of the windows: message types raised by controls, and the numbered
// window messages the windows act on themselves.
namespace tolva::kit {

namespace msgtype {
inline constexpr const char* kClick = "click";
inline constexpr const char* kSelectChanged = "selectchanged";
inline constexpr const char* kItemSelect = "itemselect";
inline constexpr const char* kItemClick = "itemclick";
inline constexpr const char* kItemActivate = "itemactivate";
inline constexpr const char* kValueChanged = "valuechanged";
inline constexpr const char* kMoveValueChanged = "movevaluechanged";
inline constexpr const char* kValueChangedUp = "valuechangedup";
inline constexpr const char* kValueChangedDown = "valuechangeddown";
inline constexpr const char* kValueChangedLeft = "valuechangedleft";
inline constexpr const char* kValueChangedRight = "valuechangedright";
inline constexpr const char* kReturn = "return";
inline constexpr const char* kKillFocus = "killfocus";
inline constexpr const char* kSetFocus = "setfocus";
inline constexpr const char* kEqualizerEq = "equalizer_eq";
inline constexpr const char* kEqualizerHp = "equalizer_hp";
inline constexpr const char* kEqualizerLp = "equalizer_lp";
// A drag on the graph begins (a point or handle was caught) and ends: one edit from press to
// release.
inline constexpr const char* kEqualizerPress = "equalizer_press";
inline constexpr const char* kEqualizerRelease = "equalizer_release";
}  // namespace msgtype

// Window messages with a meaning inside the window layer.
inline constexpr std::uint32_t kMsgMenuClick = 1145;     // record: MenuClickRecord
inline constexpr std::uint32_t kMsgDeviceReboot = 1240;  // closes the busy window first
inline constexpr std::uint32_t kMsgBusyOpen = 1274;
inline constexpr std::uint32_t kMsgBusyClose = 1275;

// Dialog results.
inline constexpr int kResultCancel = 0;
inline constexpr int kResultConfirm = 1;
inline constexpr int kResultThird = 2;

}  // namespace tolva::kit
