#pragma once

#include <string>
#include <vector>

// Why a file another program wrote (filter or measurement text) is refused: a language key and
// the values its "%s" take in order, so that the window says it in the user's language and the
// command line in English.
namespace tolva::model {

struct TextProblem {
  int line = 0;     // 1-based; 0: the text as a whole
  std::string key;  // "${text_not_ascending}"; empty: no problem
  std::vector<std::string> values;

  bool empty() const { return key.empty(); }
};

// "line N: " and the message, in English whatever the language tables hold.
std::string English(const TextProblem& problem);
// The same in the current language; English where the tables lack the key.
std::string InCurrentLanguage(const TextProblem& problem);

}  // namespace tolva::model
