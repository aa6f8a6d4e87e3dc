// The status window frmMending on a terminal. On a terminal it is one live line, redrawn in place:
// an animation character, the step label, the counts of the publish and the status bar sentence.
// It is redrawn at most every kRedrawInterval, as the animation ticks, so that a terminal behind a
// slow link never sets the pace of a publish that counts thousands of pages; a new step, a failed
// request, a count that reaches its total and a line printed above it are drawn at once. Elsewhere
// (a log file, a pipe) it prints one plain line per step and per failed request, and nothing per
// animation frame. Verbose output adds every status bar sentence and every count as lines of their
// own; quiet output prints nothing at all.
#ifndef KESTROVA_UI_CONSOLE_CONSOLE_STATUS_VIEW_H_
#define KESTROVA_UI_CONSOLE_CONSOLE_STATUS_VIEW_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ui/console/console_output.h"
#include "ui/frm_mending.h"

namespace kestrova {

// How much a status view prints.
enum class StatusDetail { kQuiet, kNormal, kVerbose };

class ConsoleStatusView : public FrmMendingView {
 public:
  // The character shown for each animation frame, by frame index.
  static constexpr std::string_view kFrameGlyphs = ".:-=+*#";
  static_assert(kFrameGlyphs.size() == static_cast<std::size_t>(FrmMending::kFrameCount));

  // The shortest time between two drawings of the live line that were not asked for at once.
  static constexpr std::chrono::milliseconds kRedrawInterval = FrmMending::kAnimationInterval;

  using Clock = std::chrono::steady_clock;

  // A view of window, drawn on output; it starts from what window shows now, counts included.
  // output must outlive the view; the view does not keep window. now tells the time the redraws
  // are paced by (the steady clock when empty).
  ConsoleStatusView(const FrmMending& window, ConsoleOutput& output, StatusDetail detail,
                    std::function<Clock::time_point()> now = {});
  // Ends the live line if it is still shown.
  ~ConsoleStatusView() override;

  ConsoleStatusView(const ConsoleStatusView&) = delete;
  ConsoleStatusView& operator=(const ConsoleStatusView&) = delete;

  // FrmMendingView.
  void OnStatusChanged(const std::string& text) override;
  void OnStatusBarChanged(const std::string& text) override;
  void OnRequestFailed() override;
  void OnFrameChanged(int hidden_frame, int shown_frame) override;
  void OnShown() override;
  void OnHidden() override;
  void OnEntryStored(std::size_t done, std::size_t total) override;
  void OnPageDone(std::size_t done, std::size_t total, bool mended) override;

  // The live line as it stands, before it is cut to the terminal's width; with_glyph false leaves
  // out the animation character (the line that stays on screen when the window hides).
  std::string LiveLine(bool with_glyph) const;

 private:
  // True when the view draws a live line, and when it prints lines of its own.
  bool live() const { return detail_ != StatusDetail::kQuiet && output_.is_terminal(); }
  bool prints_lines() const {
    return detail_ == StatusDetail::kVerbose ||
           (detail_ == StatusDetail::kNormal && !output_.is_terminal());
  }
  // "entries 2/5, pages 1/5", as far as known; empty before any count.
  std::string CountsText() const;
  // Redraws the live line when the window is visible on a terminal: at once, or when
  // kRedrawInterval has passed since the last drawing.
  void Redraw(bool at_once = false);
  // Prints one line of its own (the live line goes below it).
  void PrintLine(std::string_view text);

  ConsoleOutput& output_;
  StatusDetail detail_;
  bool visible_;
  int frame_;
  std::string status_;
  std::string status_bar_;
  std::string last_step_printed_;
  std::optional<PublishCount> entries_;
  std::optional<PublishCount> pages_;
  std::function<Clock::time_point()> now_;
  std::optional<Clock::time_point> last_drawn_;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_CONSOLE_CONSOLE_STATUS_VIEW_H_
