#include "model/files/profile_diff.h"

#include <cJSON.h>

#include <array>
#include <charconv>
#include <cmath>
#include <memory>

#include "model/files/profile_json.h"

namespace tolva::model {
namespace {

struct JsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

std::string ShortNumber(float value) {
  std::array<char, 32> buffer{};
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return ec == std::errc() ? std::string(buffer.data(), end) : std::string("0");
}

// Numbers the model holds as float print with 17 digits; as the nearest double of their
// shortest float text they print as written ("5.8", not "5.8000001907348633").
void ShortenNumbers(cJSON* item) {
  for (; item != nullptr; item = item->next) {
    if (cJSON_IsNumber(item)) {
      const std::string text = ShortNumber(static_cast<float>(item->valuedouble));
      double value = item->valuedouble;
      std::from_chars(text.data(), text.data() + text.size(), value);
      if (std::trunc(item->valuedouble) != item->valuedouble) cJSON_SetNumberValue(item, value);
    }
    ShortenNumbers(item->child);
  }
}

std::string Text(const cJSON* item) {
  if (item == nullptr) return "null";
  const Json copy(cJSON_Duplicate(item, true));
  ShortenNumbers(copy.get());  // a duplicate has no siblings
  char* printed = cJSON_PrintUnformatted(copy.get());
  std::string text = printed != nullptr ? printed : "null";
  cJSON_free(printed);
  return text;
}

// Arrays by index, objects by key; the keys of `b` missing from `a` come last.
void Walk(const cJSON* a, const cJSON* b, const std::string& key,
          std::vector<ProfileDifference>& out) {
  const bool a_container = a != nullptr && (cJSON_IsArray(a) || cJSON_IsObject(a));
  const bool b_container = b != nullptr && (cJSON_IsArray(b) || cJSON_IsObject(b));
  if (!a_container || !b_container || cJSON_IsArray(a) != cJSON_IsArray(b)) {
    std::string ta = Text(a), tb = Text(b);
    if (ta != tb) out.push_back({key, std::move(ta), std::move(tb)});
    return;
  }
  const std::string prefix = key.empty() ? "" : key + "/";
  if (cJSON_IsArray(a)) {
    const int n = std::max(cJSON_GetArraySize(a), cJSON_GetArraySize(b));
    for (int i = 0; i < n; ++i) {
      Walk(cJSON_GetArrayItem(a, i), cJSON_GetArrayItem(b, i), prefix + std::to_string(i), out);
    }
    return;
  }
  for (const cJSON* item = a->child; item != nullptr; item = item->next) {
    Walk(item, cJSON_GetObjectItemCaseSensitive(b, item->string), prefix + item->string, out);
  }
  for (const cJSON* item = b->child; item != nullptr; item = item->next) {
    if (cJSON_GetObjectItemCaseSensitive(a, item->string) == nullptr) {
      Walk(nullptr, item, prefix + item->string, out);
    }
  }
}

std::vector<ProfileDifference> DiffTexts(const std::string& a, const std::string& b) {
  std::vector<ProfileDifference> out;
  const Json ja(cJSON_Parse(a.c_str())), jb(cJSON_Parse(b.c_str()));
  Walk(ja.get(), jb.get(), "", out);
  return out;
}

}  // namespace

std::optional<std::string> ProfileValueAt(const Profile& profile, std::string_view key) {
  const Json root(cJSON_Parse(SceneProfileText(profile).c_str()));
  const cJSON* at = root.get();
  std::size_t start = 0;
  while (at != nullptr && start < key.size()) {
    std::size_t end = key.find('/', start);
    if (end == std::string_view::npos) end = key.size();
    const std::string part(key.substr(start, end - start));
    start = end + 1;
    if (cJSON_IsArray(at)) {
      int index = -1;
      const auto [p, ec] = std::from_chars(part.data(), part.data() + part.size(), index);
      at = ec == std::errc() && p == part.data() + part.size() ? cJSON_GetArrayItem(at, index)
                                                               : nullptr;
    } else {
      at = cJSON_IsObject(at) ? cJSON_GetObjectItemCaseSensitive(at, part.c_str()) : nullptr;
    }
  }
  if (at == nullptr) return std::nullopt;
  return Text(at);
}

std::vector<ProfileDifference> DiffProfiles(const Profile& a, const Profile& b) {
  return DiffTexts(SceneProfileText(a), SceneProfileText(b));
}

std::vector<ProfileDifference> DiffUnits(const UnitSettings& a, const UnitSettings& b) {
  return DiffTexts(WholeProfileText(a), WholeProfileText(b));
}

}  // namespace tolva::model
