#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/profile/profile.h"

// Scene names between their three forms: the UTF-16 slot the model keeps, the unit's 16 GBK
// bytes and the UTF-8 the screen shows; and the localized questions that quote them.
namespace tolva::model {

std::wstring WideOf(std::u16string_view text);
std::string Utf8Of(std::u16string_view text);
// Malformed UTF-8 becomes U+FFFD.
std::u16string Utf16Of(std::string_view utf8);
// The slot's name as the unit stores it: GBK, where a character it lacks becomes "?".
std::array<std::uint8_t, kSceneNameBytes> UnitNameOfSlot(const SceneNameSlot& slot);
// A slot holding the unit's 16 name bytes (cut to what a slot holds).
SceneNameSlot SlotOfUnitName(std::span<const std::uint8_t> unit_name);
// The name a slot and the unit keep of a typed one, as a later read shows it: its first
// kSceneNameChars UTF-16 units (a character of two is kept whole or not at all), and "?" for
// each character GBK lacks.
std::u16string SceneNameAsKept(std::u16string_view typed);

// A localized pattern with its "%d" and "%s" filled from values in order; any other "%" stays.
// Never a printf: the pattern comes from a language file.
std::string FillPlaceholders(std::string_view pattern,
                             std::initializer_list<std::string_view> values);
std::string FillPlaceholders(std::string_view pattern, const std::vector<std::string>& values);

}  // namespace tolva::model
