#include "cli/bash_completion.h"

#include <CLI/CLI.hpp>
#include <vector>

namespace kestrova {
namespace {

// The compgen arguments that complete a value of the type type_name.
std::string CompgenFor(const std::string& type_name) {
  if (type_name == "DIR") return "-d";
  if (type_name == "FILE") return "-f";
  if (type_name.find('|') == std::string::npos) return "";
  std::string words = type_name;
  for (char& c : words) {
    if (c == '|') c = ' ';
  }
  return "-W '" + words + "'";
}

// The named options of app (its help flag and hidden ones included).
std::vector<const CLI::Option*> NamedOptions(const CLI::App& app) {
  return app.get_options([](const CLI::Option* option) {
    return !option->get_positional() && !option->get_group().empty();
  });
}

// The words without the space that leads them.
std::string Trimmed(const std::string& words) { return words.empty() ? words : words.substr(1); }

std::string Names(const CLI::Option* option) {
  std::string names;
  for (const std::string& name : option->get_snames()) names += " -" + name;
  for (const std::string& name : option->get_lnames()) names += " --" + name;
  return names;
}

}  // namespace

std::string BashCompletion(const CLI::App& app) {
  const std::string program = app.get_name();
  const std::string function = "_" + program;
  std::string global_options;
  std::string value_cases;
  const auto add_value_case = [&value_cases](const CLI::Option* option) {
    // Flags have no value type.
    if (option->get_type_name().empty()) return;
    std::string pattern;
    for (const std::string& name : option->get_lnames()) {
      pattern += (pattern.empty() ? "--" : "|--") + name;
    }
    if (pattern.empty()) return;
    value_cases += "    " + pattern + ")\n      COMPREPLY=($(compgen " +
                   CompgenFor(option->get_type_name()) + " -- \"$cur\"))\n      return ;;\n";
  };
  for (const CLI::Option* option : NamedOptions(app)) {
    global_options += Names(option);
    add_value_case(option);
  }

  std::string commands;
  std::string command_cases;
  for (const CLI::App* sub : app.get_subcommands({})) {
    commands += " " + sub->get_name();
    std::string own_options;
    std::string argument_compgen;
    for (const CLI::Option* option : sub->get_options({})) {
      if (option->get_group().empty()) continue;
      if (option->get_positional()) {
        argument_compgen = CompgenFor(option->get_type_name());
      } else {
        own_options += Names(option);
        add_value_case(option);
      }
    }
    command_cases += "    " + sub->get_name() + ")\n      words=\"" + Trimmed(own_options) +
                     "\"\n      arguments=\"" + argument_compgen + "\" ;;\n";
  }

  return "# bash completion for " + program + ", made by " + program + " --bash-completion\n" +
         function +
         "() {\n"
         "  local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"\"\n"
         "  [ \"$COMP_CWORD\" -gt 0 ] && prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
         "  # --option=value: bash splits the word at the equals sign.\n"
         "  if [ \"$cur\" = \"=\" ]; then\n"
         "    cur=\"\"\n"
         "  elif [ \"$prev\" = \"=\" ] && [ \"$COMP_CWORD\" -gt 1 ]; then\n"
         "    prev=\"${COMP_WORDS[COMP_CWORD-2]}\"\n"
         "  fi\n"
         "  case \"$prev\" in\n" +
         value_cases +
         "  esac\n"
         "  local commands=\"" +
         Trimmed(commands) +
         "\" command=\"\" i\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    case \" $commands \" in *\" ${COMP_WORDS[i]} \"*) command=\"${COMP_WORDS[i]}\"; "
         "break ;; esac\n"
         "  done\n"
         "  local words=\"\" arguments=\"\"\n"
         "  case \"$command\" in\n"
         "    \"\") words=\"$commands\" ;;\n" +
         command_cases +
         "  esac\n"
         "  if [[ \"$cur\" == -* ]] || [ -z \"$arguments\" ]; then\n"
         "    COMPREPLY=($(compgen -W \"$words" +
         global_options +
         "\" -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen $arguments -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -F " +
         function + " " + program + "\n";
}

}  // namespace kestrova
