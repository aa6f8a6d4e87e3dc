// What the terminal flavour of the user interface is told by the command line of fpkestrova, and
// the streams it talks through.
#ifndef KESTROVA_UI_CONSOLE_CONSOLE_OPTIONS_H_
#define KESTROVA_UI_CONSOLE_CONSOLE_OPTIONS_H_

#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace kestrova {

// The answer given in advance to the questions that let publishing go on without mends: the
// OK/Cancel message boxes and the not-a-client dialog.
enum class OnMissing { kUnset, kPublish, kCancel };

struct ConsoleOptions {
  // Prints nothing but what must be answered and the message boxes.
  bool quiet = false;
  // Also prints every status bar sentence as a line of its own. quiet wins over it.
  bool verbose = false;
  // The answer to the first URL prompt (--destination URL).
  std::optional<std::string> destination;
  // The answer to the questions about going on without mends (--on-missing=publish|cancel).
  OnMissing on_missing = OnMissing::kUnset;

  // Where answers are read from and where everything is printed. Neither is closed.
  int input_fd = STDIN_FILENO;
  int output_fd = STDERR_FILENO;
  // Whether input and output are terminals; unset means ask the system (isatty).
  std::optional<bool> input_is_terminal;
  std::optional<bool> output_is_terminal;
  // The width of the output terminal in columns; unset means ask the terminal each time a live
  // line is drawn (80 when it does not say).
  std::optional<int> output_columns;
  // The time the live line's redraws are paced by; empty means the steady clock.
  std::function<std::chrono::steady_clock::time_point()> clock;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_CONSOLE_CONSOLE_OPTIONS_H_
