// A question with a few fixed answers, asked on the terminal: "[R]egister / [O]K / [C]ancel".
#ifndef KESTROVA_UI_CONSOLE_CONSOLE_CHOICE_H_
#define KESTROVA_UI_CONSOLE_CONSOLE_CHOICE_H_

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "ui/console/console_input.h"
#include "ui/console/console_output.h"

namespace kestrova {

// One answer: the word shown and typed; its first letter, shown in brackets, is enough.
struct ChoiceOption {
  std::string_view word;
};

// What came of a question.
struct ChoiceAnswer {
  ReadResult how;          // kLine when an option was chosen
  std::size_t choice = 0;  // the index of the option chosen, when how is kLine
};

// The question line for options, the default named: "[R]egister / [O]K / [C]ancel (Enter: OK)? ".
std::string ChoiceQuestion(std::span<const ChoiceOption> options, std::size_t default_choice);

// Asks until an option is chosen: an empty answer picks default_choice; an answer that starts one
// option's word (any case) picks that option; anything else asks again. Returns at the end of the
// input or an interruption without a choice.
ChoiceAnswer AskChoice(ConsoleInput& input, ConsoleOutput& output,
                       std::span<const ChoiceOption> options, std::size_t default_choice);

}  // namespace kestrova

#endif  // KESTROVA_UI_CONSOLE_CONSOLE_CHOICE_H_
