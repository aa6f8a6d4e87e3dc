#include "ui/console/console_output.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "ui/console/console_text.h"

namespace kestrova {
namespace {

// Back to the start of the line, and clear from the cursor to the end of the line.
constexpr std::string_view kReturn = "\r";
constexpr std::string_view kClearToEnd = "\x1b[K";

// How long a write waits for a full non-blocking stream to take more.
constexpr int kWriteWaitMs = 1000;

}  // namespace

ConsoleOutput::ConsoleOutput(int fd, bool is_terminal, std::optional<int> columns)
    : fd_(fd), is_terminal_(is_terminal), columns_(columns) {}

int ConsoleOutput::Columns() const {
  if (columns_) return *columns_;
  winsize size{};
  if (::ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kDefaultColumns;
}

void ConsoleOutput::Print(std::string_view text) {
  ClearLiveLine();
  WriteAll(text);
}

void ConsoleOutput::DrawLiveLine(std::string_view line) {
  std::string bytes(kReturn);
  bytes += FitToColumns(line, Columns() - 1);
  bytes += kClearToEnd;
  WriteAll(bytes);
  live_line_shown_ = true;
}

void ConsoleOutput::ClearLiveLine() {
  if (!live_line_shown_) return;
  std::string bytes(kReturn);
  bytes += kClearToEnd;
  WriteAll(bytes);
  live_line_shown_ = false;
}

void ConsoleOutput::EndLiveLine(std::string_view final_line) {
  if (!live_line_shown_) return;
  DrawLiveLine(final_line);
  WriteAll("\n");
  live_line_shown_ = false;
}

void ConsoleOutput::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd ready{fd_, POLLOUT, 0};
      if (::poll(&ready, 1, kWriteWaitMs) > 0) continue;
    }
    return;
  }
}

}  // namespace kestrova
