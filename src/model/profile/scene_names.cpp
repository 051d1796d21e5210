#include "model/profile/scene_names.h"

#include <algorithm>

#include "device/protocol/scene_name_codec.h"

namespace tolva::model {

std::wstring WideOf(std::u16string_view text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                      text[i + 1] < 0xE000;
    if (pair) {
      const char16_t low = text[++i];
      out.push_back(static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00)));
    } else {
      out.push_back(static_cast<wchar_t>(c));
    }
  }
  return out;
}

std::string Utf8Of(std::u16string_view text) {
  std::string out;
  for (wchar_t wc : WideOf(text)) {
    auto c = static_cast<std::uint32_t>(wc);
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;  // a lone surrogate
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

namespace {

// One code point starting at utf8[i]; false (and nothing taken) for a malformed sequence.
bool DecodeOne(std::string_view utf8, std::size_t& i, std::uint32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(utf8[k]); };
  const std::uint8_t lead = byte(i);
  int extra = 0;
  if (lead < 0x80) {
    c = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07;
  } else {
    return false;
  }
  if (i + static_cast<std::size_t>(extra) >= utf8.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return false;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
  i += static_cast<std::size_t>(extra) + 1;
  return true;
}

}  // namespace

std::u16string Utf16Of(std::string_view utf8) {
  std::u16string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::uint32_t c = 0;
    if (!DecodeOne(utf8, i, c)) {
      out.push_back(u'\uFFFD');
      ++i;
    } else if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::array<std::uint8_t, kSceneNameBytes> UnitNameOfSlot(const SceneNameSlot& slot) {
  return device::EncodeSceneName(WideOf(SceneName(slot)));
}

namespace {

std::u16string Utf16OfWide(std::wstring_view text) {
  std::u16string out;
  for (const wchar_t wc : text) {
    const auto c = static_cast<char32_t>(wc);
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

}  // namespace

SceneNameSlot SlotOfUnitName(std::span<const std::uint8_t> unit_name) {
  SceneNameSlot slot{};
  SetSceneName(slot, Utf16OfWide(device::DecodeSceneName(unit_name)));
  return slot;
}

std::u16string SceneNameAsKept(std::u16string_view typed) {
  std::size_t units = std::min<std::size_t>(typed.size(), kSceneNameChars);
  const bool split = units > 0 && units < typed.size() && typed[units - 1] >= 0xD800 &&
                     typed[units - 1] < 0xDC00;
  if (split) --units;
  SceneNameSlot slot{};
  SetSceneName(slot, typed.substr(0, units));
  return SceneName(SlotOfUnitName(UnitNameOfSlot(slot)));
}

namespace {

template <typename Values>
std::string Fill(std::string_view pattern, const Values& values) {
  std::string out;
  auto next = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const bool slot = pattern[i] == '%' && i + 1 < pattern.size() &&
                      (pattern[i + 1] == 'd' || pattern[i + 1] == 's');
    if (!slot) {
      out.push_back(pattern[i]);
      continue;
    }
    if (next != values.end()) out.append(*next++);
    ++i;
  }
  return out;
}

}  // namespace

std::string FillPlaceholders(std::string_view pattern,
                             std::initializer_list<std::string_view> values) {
  return Fill(pattern, values);
}

std::string FillPlaceholders(std::string_view pattern, const std::vector<std::string>& values) {
  return Fill(pattern, values);
}

}  // namespace tolva::model
