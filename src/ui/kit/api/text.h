#pragma once

#include <functional>
#include <string>
#include <string_view>

// Placeholder resolution for everything the windows show. Defaults to the process's language
// tables; tests and tools may put another resolver in place (on the window thread, before use).
namespace tolva::kit {

using TextResolver = std::function<std::string(std::string_view)>;

std::string ResolveText(std::string_view text);
// Returns the previous resolver. An empty resolver restores the default.
TextResolver SetTextResolver(TextResolver resolver);
bool IsPlaceholder(std::string_view text);

}  // namespace tolva::kit
