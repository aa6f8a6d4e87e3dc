// The stream the terminal user interface prints on (standard error in fpkestrova), with at most one
// live line: a line at the bottom that is redrawn in place and taken off before anything else is
// printed.
#ifndef KESTROVA_UI_CONSOLE_CONSOLE_OUTPUT_H_
#define KESTROVA_UI_CONSOLE_CONSOLE_OUTPUT_H_

#include <optional>
#include <string_view>

namespace kestrova {

class ConsoleOutput {
 public:
  // The width assumed when a terminal does not tell its own.
  static constexpr int kDefaultColumns = 80;

  // Prints on fd, which must stay open while this object is used; it is not closed. is_terminal
  // says whether fd is a terminal; columns fixes the width instead of asking the terminal.
  ConsoleOutput(int fd, bool is_terminal, std::optional<int> columns);

  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;

  bool is_terminal() const noexcept { return is_terminal_; }

  // The width of the terminal in columns: the fixed width, else what the terminal reports, else
  // kDefaultColumns.
  int Columns() const;

  // Writes text as it stands, after taking the live line off the screen. Write failures are
  // ignored: there is nowhere left to report them.
  void Print(std::string_view text);

  // Draws line as the live line, replacing the one on screen: back to the start of the line, the
  // line cut one column short of the width (so that the terminal never wraps it), then clear to
  // the end of the line.
  void DrawLiveLine(std::string_view line);

  // Takes the live line off the screen, if one is shown.
  void ClearLiveLine();

  // Replaces the live line, if one is shown, by final_line (cut like a live line) and moves on to
  // the next line, so that it stays on screen; nothing happens when no live line is shown.
  void EndLiveLine(std::string_view final_line);

  // True while a live line is on the screen.
  bool live_line_shown() const noexcept { return live_line_shown_; }

 private:
  // Writes all of bytes, going on after interruptions and short writes.
  void WriteAll(std::string_view bytes);

  int fd_;
  bool is_terminal_;
  std::optional<int> columns_;
  bool live_line_shown_ = false;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_CONSOLE_CONSOLE_OUTPUT_H_
