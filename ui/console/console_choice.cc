#include "ui/console/console_choice.h"

#include "ui/console/console_text.h"

namespace kestrova {
namespace {

// The option whose word starts with answer (already normalised); options.size() for none.
std::size_t MatchOption(std::span<const ChoiceOption> options, std::string_view answer) {
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (NormalizedAnswer(options[i].word).starts_with(answer)) return i;
  }
  return options.size();
}

// "Please answer R, O or C.\n"
std::string RetryHint(std::span<const ChoiceOption> options) {
  std::string hint = "Please answer ";
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (i > 0) hint += i + 1 == options.size() ? " or " : ", ";
    if (!options[i].word.empty()) hint += options[i].word.front();
  }
  hint += ".\n";
  return hint;
}

}  // namespace

std::string ChoiceQuestion(std::span<const ChoiceOption> options, std::size_t default_choice) {
  std::string question;
  for (std::size_t i = 0; i < options.size(); ++i) {
    const std::string_view word = options[i].word;
    if (i > 0) question += " / ";
    if (word.empty()) continue;
    question += '[';
    question += word.front();
    question += ']';
    question += word.substr(1);
  }
  if (default_choice < options.size()) {
    question += " (Enter: ";
    question += options[default_choice].word;
    question += ')';
  }
  question += "? ";
  return question;
}

ChoiceAnswer AskChoice(ConsoleInput& input, ConsoleOutput& output,
                       std::span<const ChoiceOption> options, std::size_t default_choice) {
  const std::string question = ChoiceQuestion(options, default_choice);
  std::string line;
  for (;;) {
    output.Print(question);
    const ReadResult how = input.ReadLine(line);
    if (how != ReadResult::kLine) {
      output.Print("\n");  // the question line is still open
      return {how, 0};
    }
    const std::string answer = NormalizedAnswer(line);
    if (answer.empty() && default_choice < options.size()) return {how, default_choice};
    const std::size_t match = answer.empty() ? options.size() : MatchOption(options, answer);
    if (match < options.size()) return {how, match};
    output.Print(RetryHint(options));
  }
}

}  // namespace kestrova
