#include "device/link/link_log.h"

#include <chrono>
#include <ctime>
#include <string>

#include "base/debug_print.h"

namespace tolva::device {

void LogTimeStamp() {
  if (!IsDebugLogOn()) return;
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  DebugPrint(L"%d.%02d.%02d %02d:%d:%d:%d\n", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
             local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms.count()));
}

void LogBytes(std::span<const std::uint8_t> bytes) {
  if (!IsDebugLogOn()) return;
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring line;
  line.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    line.push_back(kHex[b >> 4]);
    line.push_back(kHex[b & 0x0F]);
  }
  DebugPrint(L"%ls", line.c_str());
}

}  // namespace tolva::device
