#include "ui/kit/api/text.h"

#include "base/language_tables.h"

namespace tolva::kit {
namespace {

TextResolver& Resolver() {
  static TextResolver resolver;
  return resolver;
}

}  // namespace

std::string ResolveText(std::string_view text) {
  if (!IsPlaceholder(text)) return std::string(text);
  const TextResolver& resolver = Resolver();
  return resolver ? resolver(text) : Languages().Resolve(text);
}

TextResolver SetTextResolver(TextResolver resolver) {
  TextResolver previous = std::move(Resolver());
  Resolver() = std::move(resolver);
  return previous;
}

bool IsPlaceholder(std::string_view text) {
  return text.starts_with("${");
}

}  // namespace tolva::kit
