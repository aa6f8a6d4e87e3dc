// The status window frmMending as a model: the step label ksvStatus, the status bar StatusBar1,
// the seven-frame animation, the Cancel button and the counts of the publish. It watches the
// publish as a build status watches a build: each state of a request that the publish makes
// becomes a status bar sentence here, while the requests, their failures and their cancelling
// belong to the publish. Views draw the window through FrmMendingView, which is told of every
// change, counts included; the model never draws.
#ifndef KESTROVA_UI_FRM_MENDING_H_
#define KESTROVA_UI_FRM_MENDING_H_

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/pump/event_pump.h"

namespace kestrova {

// Told about every visible change of a FrmMending. Each method does nothing unless overridden.
class FrmMendingView {
 public:
  virtual ~FrmMendingView() = default;

  // The step label ksvStatus now shows text.
  virtual void OnStatusChanged(const std::string& /*text*/) {}
  // The status bar StatusBar1 now shows text.
  virtual void OnStatusBarChanged(const std::string& /*text*/) {}
  // A request failed: its state was an error or one no request has. The status bar shows its
  // sentence already (OnStatusBarChanged came first).
  virtual void OnRequestFailed() {}
  // An animation tick hid picture hidden_frame and showed picture shown_frame.
  virtual void OnFrameChanged(int /*hidden_frame*/, int /*shown_frame*/) {}
  // The window appeared.
  virtual void OnShown() {}
  // The window disappeared.
  virtual void OnHidden() {}
  // A mending file was stored: done of total entries.
  virtual void OnEntryStored(std::size_t /*done*/, std::size_t /*total*/) {}
  // A listed page was looked at (mended, or passed over when missing): done of total entries.
  virtual void OnPageDone(std::size_t /*done*/, std::size_t /*total*/, bool /*mended*/) {}
};

// A count of the publish that the status window shows: done of total.
struct PublishCount {
  std::size_t done = 0;
  std::size_t total = 0;
};

class FrmMending {
 public:
  // The title bar text.
  static constexpr std::string_view kCaption = "Kestrova mending status";
  // Pictures of the animation, and its tick.
  static constexpr int kFrameCount = 7;
  static constexpr std::chrono::milliseconds kAnimationInterval{100};

  // Creates the window, not shown, with frame index 0; its animation timer lives
  // on pump, stopped until the first Show. pump must outlive the window.
  explicit FrmMending(EventPump& pump);
  ~FrmMending();

  FrmMending(const FrmMending&) = delete;
  FrmMending& operator=(const FrmMending&) = delete;

  // Sets the view told about changes (nullptr for none); it must outlive the window or be unset.
  void SetView(FrmMendingView* view) noexcept { view_ = view; }

  // Shows the window, modeless; the first Show loads it, which starts the animation.
  void Show();
  // Hides the window; it keeps its state and its texts still change.
  void Hide();
  bool visible() const noexcept { return visible_; }

  // Replaces the step label ksvStatus.
  void SetStatusText(std::string_view text);
  const std::string& status_text() const noexcept { return status_text_; }

  // Replaces the text of the status bar StatusBar1; an empty text clears it.
  void SetStatusBarText(std::string_view text);
  const std::string& status_bar_text() const noexcept { return status_bar_text_; }

  // Counts a stored mending file: done of total entries.
  void SetEntryStored(std::size_t done, std::size_t total);
  // The entries stored so far, once one was.
  const std::optional<PublishCount>& entries_stored() const noexcept { return entries_stored_; }

  // Counts a listed page looked at, mended or passed over: done of total entries.
  void SetPageDone(std::size_t done, std::size_t total, bool mended);
  // The pages looked at so far, once one was.
  const std::optional<PublishCount>& pages_done() const noexcept { return pages_done_; }

  // Stops the animation timer; the frame on display stays.
  void StopAnimation();
  bool animation_running() const noexcept { return animation_running_; }

  // A state of a request of the publish: shows the state's sentence, and tells the view of a
  // failed request (an error, or a state no request has).
  void OnTransferStateChanged(int state);

  // The animation timer's tick: hides the current picture, advances the frame index (wrapping
  // from 6 to 0) and shows the new one.
  void OnAnimationTick();

  // The Cancel button: stops the animation, hides the window, sets ksvCancel, then calls the
  // cancel callback, through which the publish stops its requests.
  void OnCancelClick();

  // Sets what runs after a Cancel click.
  void SetCancelCallback(std::function<void()> on_cancel) { on_cancel_ = std::move(on_cancel); }

  // True once Cancel was clicked.
  bool ksvCancel() const noexcept { return ksv_cancel_; }

  int frame_index() const noexcept { return frame_index_; }
  // Whether picture index (0 to 6) of the animation is visible; all are at first.
  bool picture_visible(int index) const;

  // The status bar sentence for a state, "Unknown state:" and the number outside 0 to 12.
  static std::string StateText(int state);

 private:
  EventPump& pump_;
  FrmMendingView* view_ = nullptr;
  EventPump::TimerId animation_timer_;

  bool loaded_ = false;
  bool visible_ = false;
  bool animation_running_ = false;
  bool ksv_cancel_ = false;
  std::string status_text_;
  std::string status_bar_text_;
  std::optional<PublishCount> entries_stored_;
  std::optional<PublishCount> pages_done_;
  std::int16_t frame_index_ = 0;
  std::array<bool, kFrameCount> pictures_visible_;
  std::function<void()> on_cancel_;
};

}  // namespace kestrova

#endif  // KESTROVA_UI_FRM_MENDING_H_
