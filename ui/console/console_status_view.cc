#include "ui/console/console_status_view.h"

#include <string>
#include <utility>

#include "platform/transfer/transfer_states.h"
#include "ui/console/console_text.h"

namespace kestrova {
namespace {

// Lines that belong to the step above them are indented.
constexpr std::string_view kIndent = "  ";

std::string CountText(std::string_view what, std::size_t done, std::size_t total) {
  return std::string(what) + ' ' + std::to_string(done) + '/' + std::to_string(total);
}

}  // namespace

ConsoleStatusView::ConsoleStatusView(const FrmMending& window, ConsoleOutput& output,
                                     StatusDetail detail, std::function<Clock::time_point()> now)
    : output_(output),
      detail_(detail),
      visible_(window.visible()),
      frame_(window.frame_index()),
      status_(PrintableLine(window.status_text())),
      status_bar_(PrintableLine(window.status_bar_text())),
      entries_(window.entries_stored()),
      pages_(window.pages_done()),
      now_(now ? std::move(now) : [] { return Clock::now(); }) {}

ConsoleStatusView::~ConsoleStatusView() {
  if (live()) output_.EndLiveLine(LiveLine(/*with_glyph=*/false));
}

void ConsoleStatusView::OnStatusChanged(const std::string& text) {
  status_ = PrintableLine(text);
  if (visible_ && prints_lines() && !status_.empty() && status_ != last_step_printed_) {
    PrintLine(status_);
    last_step_printed_ = status_;
  }
  // A new step: the counts the last one reached show with it.
  Redraw(/*at_once=*/true);
}

void ConsoleStatusView::OnStatusBarChanged(const std::string& text) {
  status_bar_ = PrintableLine(text);
  if (visible_ && !status_bar_.empty() && detail_ == StatusDetail::kVerbose) {
    PrintLine(std::string(kIndent) + status_bar_);
  }
  Redraw();
}

void ConsoleStatusView::OnRequestFailed() {
  // A failed request's sentence is printed at every detail that prints lines; verbose output
  // printed it with the others already.
  if (visible_ && !status_bar_.empty() && prints_lines() && detail_ != StatusDetail::kVerbose) {
    PrintLine(std::string(kIndent) + status_bar_);
  }
  Redraw(/*at_once=*/true);
}

void ConsoleStatusView::OnFrameChanged(int /*hidden_frame*/, int shown_frame) {
  frame_ = shown_frame;
  Redraw();
}

void ConsoleStatusView::OnShown() {
  if (visible_) return;
  visible_ = true;
  // A step set before the window appeared is printed now.
  if (prints_lines() && !status_.empty() && status_ != last_step_printed_) {
    PrintLine(status_);
    last_step_printed_ = status_;
  }
  Redraw(/*at_once=*/true);
}

void ConsoleStatusView::OnHidden() {
  if (!visible_) return;
  visible_ = false;
  if (live()) output_.EndLiveLine(LiveLine(/*with_glyph=*/false));
  // Without a live line to keep them, the counts reached are printed once.
  if (detail_ == StatusDetail::kNormal && prints_lines() && (entries_ || pages_)) {
    PrintLine(std::string(kIndent) + CountsText());
  }
}

void ConsoleStatusView::OnEntryStored(std::size_t done, std::size_t total) {
  entries_ = PublishCount{done, total};
  if (visible_ && detail_ == StatusDetail::kVerbose) {
    PrintLine(std::string(kIndent) + "Stored mending file " + std::to_string(done) + " of " +
              std::to_string(total) + '.');
  }
  Redraw(/*at_once=*/done == total);
}

void ConsoleStatusView::OnPageDone(std::size_t done, std::size_t total, bool mended) {
  pages_ = PublishCount{done, total};
  if (visible_ && detail_ == StatusDetail::kVerbose) {
    PrintLine(std::string(kIndent) + "Page " + std::to_string(done) + " of " +
              std::to_string(total) + (mended ? " mended." : " passed over."));
  }
  Redraw(/*at_once=*/done == total);
}

std::string ConsoleStatusView::CountsText() const {
  std::string text;
  if (entries_) text = CountText("entries", entries_->done, entries_->total);
  if (pages_) {
    if (!text.empty()) text += ", ";
    text += CountText("pages", pages_->done, pages_->total);
  }
  return text;
}

std::string ConsoleStatusView::LiveLine(bool with_glyph) const {
  std::string line;
  const auto append = [&line](std::string_view part) {
    if (part.empty()) return;
    if (!line.empty()) line += ' ';
    line += part;
  };
  if (with_glyph && frame_ >= 0 && frame_ < FrmMending::kFrameCount) {
    append(kFrameGlyphs.substr(static_cast<std::size_t>(frame_), 1));
  }
  append(status_);
  const std::string counts = CountsText();
  if (!counts.empty()) append("[" + counts + "]");
  if (!status_bar_.empty()) append("- " + status_bar_);
  return line;
}

void ConsoleStatusView::Redraw(bool at_once) {
  if (!live() || !visible_) return;
  const Clock::time_point now = now_();
  // A line printed above took the live line off the screen: it comes back at once.
  if (!at_once && output_.live_line_shown() && last_drawn_ &&
      now - *last_drawn_ < kRedrawInterval) {
    return;
  }
  output_.DrawLiveLine(LiveLine(/*with_glyph=*/true));
  last_drawn_ = now;
}

void ConsoleStatusView::PrintLine(std::string_view text) {
  std::string line(text);
  line += '\n';
  output_.Print(line);
}

}  // namespace kestrova
