// The stream the terminal user interface reads answers from (standard input in fpkestrova), one
// line at a time and without reading ahead, so that whatever follows the answer stays unread.
#ifndef KESTROVA_UI_CONSOLE_CONSOLE_INPUT_H_
#define KESTROVA_UI_CONSOLE_CONSOLE_INPUT_H_

#include <cstddef>
#include <string>

namespace kestrova {

// How a read of one answer ended.
enum class ReadResult {
  kLine,         // a line arrived (also the last text before the end of input)
  kEnd,          // the input ended before any text (Ctrl+D on a terminal)
  kInterrupted,  // a signal interrupted the wait (Ctrl+C on a terminal)
};

class ConsoleInput {
 public:
  // The longest answer kept; the rest of a longer line is read and dropped.
  static constexpr std::size_t kMaxLine = 64 * 1024;

  // Reads from fd, which must stay open while this object is used; it is not closed. is_terminal
  // says whether fd is a terminal.
  ConsoleInput(int fd, bool is_terminal) : fd_(fd), is_terminal_(is_terminal) {}

  ConsoleInput(const ConsoleInput&) = delete;
  ConsoleInput& operator=(const ConsoleInput&) = delete;

  bool is_terminal() const noexcept { return is_terminal_; }

  // Waits for one line and stores it in line without its LF (and without a CR before it). A read
  // error counts as the end of input.
  ReadResult ReadLine(std::string& line);

 private:
  int fd_;
  bool is_terminal_;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_CONSOLE_CONSOLE_INPUT_H_
