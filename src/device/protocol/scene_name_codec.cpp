#include "device/protocol/scene_name_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace tolva::device {

namespace {

// One iconv conversion descriptor per call: they are not thread-safe and names are rare.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts one unit (a character or a byte sequence); the output bytes, empty when invalid.
  std::size_t Convert(const char* in, std::size_t in_len, char* out, std::size_t out_cap,
                      std::size_t* consumed) {
    char* in_ptr = const_cast<char*>(in);
    char* out_ptr = out;
    std::size_t in_left = in_len;
    std::size_t out_left = out_cap;
    const std::size_t r = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
    *consumed = in_len - in_left;
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG && *consumed == 0) return 0;
    return out_cap - out_left;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::array<std::uint8_t, kSceneNameBytes> EncodeSceneName(std::wstring_view name) {
  std::array<std::uint8_t, kSceneNameBytes> out{};
  Converter conv("GBK", "WCHAR_T");
  if (!conv.ok()) return out;
  std::size_t used = 0;
  for (wchar_t ch : name) {
    char encoded[8];
    std::size_t consumed = 0;
    std::size_t n = conv.Convert(reinterpret_cast<const char*>(&ch), sizeof ch, encoded,
                                 sizeof encoded, &consumed);
    if (n == 0) {  // not representable in GBK
      encoded[0] = '?';
      n = 1;
    }
    if (used + n > out.size()) break;
    std::copy_n(encoded, n, out.begin() + static_cast<long>(used));
    used += n;
  }
  return out;
}

std::wstring DecodeSceneName(std::span<const std::uint8_t> bytes) {
  bytes = bytes.first(std::min(bytes.size(), kSceneNameBytes));
  const auto end = std::find(bytes.begin(), bytes.end(), 0);
  const std::size_t length = static_cast<std::size_t>(end - bytes.begin());
  std::wstring out;
  Converter conv("WCHAR_T", "GBK");
  std::size_t i = 0;
  while (i < length) {
    wchar_t ch = 0;
    std::size_t consumed = 0;
    const std::size_t take = std::min<std::size_t>(2, length - i);
    const std::size_t n = conv.ok()
                              ? conv.Convert(reinterpret_cast<const char*>(bytes.data() + i), take,
                                             reinterpret_cast<char*>(&ch), sizeof ch, &consumed)
                              : 0;
    if (n == sizeof ch && consumed > 0) {
      out.push_back(ch);
      i += consumed;
    } else {
      out.push_back(L'\uFFFD');
      ++i;
    }
  }
  return out;
}

}  // namespace tolva::device
