#include "base/debug_print.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <mutex>

namespace {

constexpr std::size_t kBufferChars = 1024;
constexpr int kFlushAfterMessages = 10;
// Larger than what ten messages can fill, so the stream writes only when we flush.
constexpr std::size_t kStreamBufferBytes = 64 * 1024;

struct DebugLog {
  std::mutex mutex;  // guards everything below: buffers, stream and counter
  std::FILE* stream = nullptr;
  int message_counter = 0;
  std::array<wchar_t, kBufferChars> wide{};
  std::array<char, kBufferChars> narrow{};
  std::array<char16_t, kBufferChars * 2> utf16{};
  std::array<char, kBufferChars * 4> console{};
  std::array<char, kStreamBufferBytes> stream_buffer{};
  std::atomic<bool> on{false};
};

DebugLog& Log() {
  static DebugLog log;
  return log;
}

// UTF-32 (Linux wchar_t) to UTF-16LE code units; returns the count.
std::size_t WideToUtf16(const wchar_t* text, std::size_t length, char16_t* out, std::size_t cap) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < length; ++i) {
    auto cp = static_cast<std::uint32_t>(text[i]);
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp >= 0x10000) {
      if (n + 2 > cap) break;
      cp -= 0x10000;
      out[n++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      out[n++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      if (n + 1 > cap) break;
      out[n++] = static_cast<char16_t>(cp);
    }
  }
  return n;
}

// UTF-8 bytes to UTF-16 code units; invalid sequences become U+FFFD.
std::size_t Utf8ToUtf16(const char* text, std::size_t length, char16_t* out, std::size_t cap) {
  std::size_t n = 0;
  std::size_t i = 0;
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  while (i < length && n < cap) {
    std::uint32_t cp = byte(i);
    std::size_t extra = 0;
    if (cp < 0x80) {
      extra = 0;
    } else if ((cp & 0xE0) == 0xC0) {
      cp &= 0x1F;
      extra = 1;
    } else if ((cp & 0xF0) == 0xE0) {
      cp &= 0x0F;
      extra = 2;
    } else if ((cp & 0xF8) == 0xF0) {
      cp &= 0x07;
      extra = 3;
    } else {
      cp = 0xFFFD;
    }
    bool valid = i + extra < length || extra == 0;
    for (std::size_t k = 1; valid && k <= extra; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80)
        valid = false;
      else
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (!valid) {
      cp = 0xFFFD;
      extra = 0;
    }
    i += extra + 1;
    wchar_t wc = static_cast<wchar_t>(cp);
    n += WideToUtf16(&wc, 1, out + n, cap - n);
  }
  return n;
}

// Length of the longest prefix that does not end inside a UTF-8 sequence, so truncation at the
// buffer's end never leaves half a character behind.
std::size_t WholeUtf8Prefix(const char* text, std::size_t length) {
  std::size_t start = length;
  for (int back = 0; start > 0 && back < 4; ++back) {
    --start;
    const auto b = static_cast<unsigned char>(text[start]);
    if ((b & 0xC0) != 0x80) {
      const std::size_t need = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
      return start + need <= length ? length : start;
    }
  }
  return length;
}

// The console text is in the locale's encoding; a program started under the "C" locale still
// gets UTF-8, since every message may carry Chinese text.
void UseEnvironmentLocale() {
  const char* chosen = std::setlocale(LC_CTYPE, "");
  if (chosen == nullptr || std::strcmp(chosen, "C") == 0 || std::strcmp(chosen, "POSIX") == 0) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
  }
}

void WriteUtf16(DebugLog& log, std::size_t units) {
  if (log.stream == nullptr) return;
  // Little-endian bytes whatever the host order is.
  std::array<unsigned char, kBufferChars * 4> bytes;
  std::size_t count = 0;
  for (std::size_t i = 0; i < units; ++i) {
    bytes[count++] = static_cast<unsigned char>(log.utf16[i] & 0xFF);
    bytes[count++] = static_cast<unsigned char>(log.utf16[i] >> 8);
  }
  std::fwrite(bytes.data(), 1, count, log.stream);
}

void FinishMessage(DebugLog& log) {
  if (log.message_counter > kFlushAfterMessages) {
    if (log.stream != nullptr) std::fflush(log.stream);
    log.message_counter = 0;
  }
  ++log.message_counter;
}

}  // namespace

bool InitConsoleWindow(const std::string& log_path) {
  UseEnvironmentLocale();
  DebugLog& log = Log();
  {
    std::lock_guard lock(log.mutex);
    if (log.stream != nullptr) std::fclose(log.stream);
    log.message_counter = 0;
    log.stream = std::fopen(log_path.c_str(), "wb");
    if (log.stream != nullptr) {
      std::setvbuf(log.stream, log.stream_buffer.data(), _IOFBF, log.stream_buffer.size());
    }
    log.on = log.stream != nullptr;
  }
  if (!log.on) return false;
  DebugPrint(L"InitConsoleWindow OK!\n");
  return true;
}

void CloseConsoleWindow() {
  DebugLog& log = Log();
  std::lock_guard lock(log.mutex);
  log.on = false;
  if (log.stream != nullptr) std::fclose(log.stream);
  log.stream = nullptr;
}

bool IsDebugLogOn() {
  return Log().on.load();
}

int DebugPrintV(const wchar_t* format, va_list args) {
  DebugLog& log = Log();
  if (!log.on.load()) return 0;
  std::lock_guard lock(log.mutex);
  if (log.stream == nullptr) return 0;
  log.wide[0] = L'\0';
  std::vswprintf(log.wide.data(), log.wide.size(), format, args);
  // glibc's vswprintf returns -1 on truncation and leaves the prefix that fitted without its
  // terminator; terminate it ourselves so the message is cut, never read past the buffer.
  log.wide.back() = L'\0';
  const std::size_t length = std::wcslen(log.wide.data());

  std::mbstate_t state{};
  std::size_t console_len = 0;
  for (std::size_t i = 0; i < length && console_len + MB_LEN_MAX < log.console.size(); ++i) {
    std::size_t n = std::wcrtomb(log.console.data() + console_len, log.wide[i], &state);
    if (n == static_cast<std::size_t>(-1)) {
      log.console[console_len++] = '?';
      state = {};
    } else {
      console_len += n;
    }
  }
  std::fwrite(log.console.data(), 1, console_len, stderr);
  WriteUtf16(log, WideToUtf16(log.wide.data(), length, log.utf16.data(), log.utf16.size()));
  FinishMessage(log);
  return static_cast<int>(length);
}

int DebugPrintV(const char* format, va_list args) {
  DebugLog& log = Log();
  if (!log.on.load()) return 0;
  std::lock_guard lock(log.mutex);
  if (log.stream == nullptr) return 0;
  int written = std::vsnprintf(log.narrow.data(), log.narrow.size(), format, args);
  if (written < 0) return 0;
  std::size_t length = std::min(static_cast<std::size_t>(written), log.narrow.size() - 1);
  if (static_cast<std::size_t>(written) > length)
    length = WholeUtf8Prefix(log.narrow.data(), length);
  std::fwrite(log.narrow.data(), 1, length, stderr);
  // The narrow form goes to the log as UTF-16 too, so the file stays one encoding.
  WriteUtf16(log, Utf8ToUtf16(log.narrow.data(), length, log.utf16.data(), log.utf16.size()));
  FinishMessage(log);
  return static_cast<int>(length);
}

int DebugPrint(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = DebugPrintV(format, args);
  va_end(args);
  return n;
}

int DebugPrint(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = DebugPrintV(format, args);
  va_end(args);
  return n;
}
