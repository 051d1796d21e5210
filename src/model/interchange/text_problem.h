#pragma once

#include <string>
#include <utility>
#include <vector>

// What is said of a file another program wrote (filter or measurement text): why it is refused,
// what an import of it cannot hold or rounds. A language key and the values its "%s" take in
// order, so that the window says it in the user's language and the command line in English.
namespace tolva::model {

struct TextProblem {
  TextProblem() = default;
  TextProblem(int at, std::string message, std::vector<std::string> filled = {},
              std::string about = {})
      : line(at), key(std::move(message)), values(std::move(filled)), subject(std::move(about)) {}

  int line = 0;     // 1-based; 0: the text as a whole
  std::string key;  // "${measurement_not_ascending}"; empty: no problem
  std::vector<std::string> values;
  std::string subject;  // what on the line it is about ("PK 1000 Hz"); may be empty

  bool empty() const { return key.empty(); }
};

// "line N: " (or "line N (subject): ") and the message, in English whatever the language tables
// hold.
std::string English(const TextProblem& problem);
// The same in the current language; English where the tables lack the key.
std::string InCurrentLanguage(const TextProblem& problem);

}  // namespace tolva::model
