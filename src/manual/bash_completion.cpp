#include "manual/bash_completion.h"

#include <map>

namespace tolva::manual {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

// The tables the script's function looks things up in, keyed by the command path
// ("tolva-dsp-cli scene save"; bash takes no empty key) and, for values,
// "path|option-or-argument".
struct Tables {
  std::map<std::string, std::string> commands, options, arguments, valued, choices;
};

void Collect(const CommandOutline& command, const std::string& path, Tables& t) {
  std::vector<std::string> names, options, arguments;
  for (const CommandOutline& sub : command.commands) names.push_back(sub.name);
  for (const OptionOutline& option : command.options) {
    for (const std::string& name : option.names) {
      options.push_back(name);
      if (option.value.empty()) continue;
      t.valued[path + "|" + name] = "1";
      if (!option.choices.empty()) t.choices[path + "|" + name] = Joined(option.choices);
    }
  }
  options.push_back("--help");
  for (const ArgumentOutline& argument : command.arguments) {
    arguments.push_back(argument.name + (argument.repeated ? "..." : ""));
    if (!argument.choices.empty()) {
      t.choices[path + "|" + argument.name] = Joined(argument.choices);
    }
  }
  if (!names.empty()) t.commands[path] = Joined(names);
  t.options[path] = Joined(options);
  if (!arguments.empty()) t.arguments[path] = Joined(arguments);
  for (const CommandOutline& sub : command.commands) {
    Collect(sub, path + " " + sub.name, t);
  }
}

void Table(std::string& out, const char* name, const std::map<std::string, std::string>& table) {
  out += "  local -A " + std::string(name) + "=(\n";
  for (const auto& [key, value] : table) out += "    [" + Quoted(key) + "]=" + Quoted(value) + "\n";
  out += "  )\n";
}

// The part that does not depend on the program: where the cursor is and what fits there.
constexpr const char* kCompleteBody = R"(  local cur prev words cword
  _init_completion -n =: || return
  local path=$root word i given=0
  for ((i = 1; i < cword; i++)); do
    word=${words[i]}
    if [[ -n ${valued["$path|$word"]-}${valued["$root|$word"]-} ]]; then
      ((i++))
    elif [[ $word == -* ]]; then
      :
    elif [[ " ${commands[$path]-} " == *" $word "* ]]; then
      path="$path $word"
      given=0
    else
      ((given++))
    fi
  done
  if [[ -n ${valued["$path|$prev"]-}${valued["$root|$prev"]-} ]]; then
    local values=${choices["$path|$prev"]-${choices["$root|$prev"]-}}
    if [[ -n $values ]]; then
      COMPREPLY=($(compgen -W "$values" -- "$cur"))
      [[ ${COMPREPLY[*]} == *: ]] && compopt -o nospace
    else
      _filedir
    fi
    return
  fi
  if [[ $cur == -* ]]; then
    local offered=${options[$path]-}
    [[ $path != "$root" ]] && offered+=" ${options[$root]}"
    COMPREPLY=($(compgen -W "$offered" -- "$cur" | sort -u))
    return
  fi
  if [[ -n ${commands[$path]-} ]]; then
    COMPREPLY=($(compgen -W "${commands[$path]}" -- "$cur"))
    return
  fi
  local -a args=(${arguments[$path]-})
  ((${#args[@]} > 0)) || return
  local arg=${args[given]-}
  [[ -z $arg && ${args[-1]} == *... ]] && arg=${args[-1]}
  arg=${arg%...}
  [[ -n $arg ]] || return
  if [[ -n ${choices["$path|$arg"]-} ]]; then
    COMPREPLY=($(compgen -W "${choices["$path|$arg"]}" -- "$cur"))
  elif [[ -n ${listed[$arg]-} ]]; then
    [[ $cur == *=* ]] && return
    local candidate rest next
    local -A seen=()
    for candidate in ${listed[$arg]}; do
      [[ $candidate == "$cur"* ]] || continue
      rest=${candidate#"$cur"}
      if [[ $rest == */* ]]; then next=$cur${rest%%/*}/; else next=$candidate${suffix[$arg]-}; fi
      [[ -n ${seen[$next]-} ]] && continue
      seen[$next]=1
      COMPREPLY+=("$next")
    done
    [[ ${COMPREPLY[*]} == *[/=]* ]] && compopt -o nospace
  else
    _filedir
  fi
)";

}  // namespace

std::string RenderBashCompletion(const CommandOutline& program,
                                 const std::vector<ArgumentWords>& argument_words) {
  Tables tables;
  Collect(program, program.name, tables);
  std::map<std::string, std::string> listed, suffix;
  for (const ArgumentWords& words : argument_words) {
    listed[words.argument] = Joined(words.words);
    if (!words.suffix.empty()) suffix[words.argument] = words.suffix;
  }
  std::string function = "_" + program.name;
  for (char& c : function) c = c == '-' ? '_' : c;

  std::string out = "# bash completion for " + program.name + ", written by `" + program.name +
                    " --bash-completion` from its own command definitions.\n\n";
  out += function + "() {\n";
  out += "  local root=" + Quoted(program.name) + "\n";
  Table(out, "commands", tables.commands);
  Table(out, "options", tables.options);
  Table(out, "arguments", tables.arguments);
  Table(out, "valued", tables.valued);
  Table(out, "choices", tables.choices);
  Table(out, "listed", listed);
  Table(out, "suffix", suffix);
  out += kCompleteBody;
  out += "}\ncomplete -F " + function + " " + program.name + "\n";
  return out;
}

}  // namespace tolva::manual
