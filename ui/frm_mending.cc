#include "ui/frm_mending.h"

#include <string>
#include <utility>

#include "platform/transfer/transfer_states.h"

namespace kestrova {
namespace ts = transfer_state;

FrmMending::FrmMending(EventPump& pump) : pump_(pump) {
  pictures_visible_.fill(true);
  animation_timer_ = pump_.AddTimer(
      kAnimationInterval, [this] { OnAnimationTick(); }, /*enabled=*/false);
}

FrmMending::~FrmMending() { pump_.RemoveTimer(animation_timer_); }

void FrmMending::Show() {
  if (!loaded_) {
    loaded_ = true;
    animation_running_ = true;
    pump_.EnableTimer(animation_timer_, true);
  }
  visible_ = true;
  if (view_) view_->OnShown();
}

void FrmMending::Hide() {
  visible_ = false;
  if (view_) view_->OnHidden();
}

void FrmMending::SetStatusText(std::string_view text) {
  status_text_ = std::string(text);
  if (view_) view_->OnStatusChanged(status_text_);
}

void FrmMending::SetStatusBarText(std::string_view text) {
  status_bar_text_ = std::string(text);
  if (view_) view_->OnStatusBarChanged(status_bar_text_);
}

void FrmMending::SetEntryStored(std::size_t done, std::size_t total) {
  entries_stored_ = PublishCount{done, total};
  if (view_) view_->OnEntryStored(done, total);
}

void FrmMending::SetPageDone(std::size_t done, std::size_t total, bool mended) {
  pages_done_ = PublishCount{done, total};
  if (view_) view_->OnPageDone(done, total, mended);
}

void FrmMending::StopAnimation() {
  animation_running_ = false;
  pump_.EnableTimer(animation_timer_, false);
}

void FrmMending::OnTransferStateChanged(int state) {
  SetStatusBarText(StateText(state));
  const bool known = state >= ts::kNone && state <= ts::kResponseCompleted;
  if ((state == ts::kError || !known) && view_) view_->OnRequestFailed();
}

void FrmMending::OnAnimationTick() {
  const int hidden = frame_index_;
  pictures_visible_[static_cast<std::size_t>(hidden)] = false;
  frame_index_ = static_cast<std::int16_t>((frame_index_ + 1) % kFrameCount);
  pictures_visible_[static_cast<std::size_t>(frame_index_)] = true;
  if (view_) view_->OnFrameChanged(hidden, frame_index_);
}

void FrmMending::OnCancelClick() {
  StopAnimation();
  Hide();
  ksv_cancel_ = true;
  if (on_cancel_) {
    const std::function<void()> on_cancel = on_cancel_;  // the callback may replace itself
    on_cancel();
  }
}

bool FrmMending::picture_visible(int index) const {
  if (index < 0 || index >= kFrameCount) return false;
  return pictures_visible_[static_cast<std::size_t>(index)];
}

std::string FrmMending::StateText(int state) {
  switch (state) {
    case ts::kNone:
      return "No state information is available";
    case ts::kResolvingHost:
      return "Looking up the IP address for the remote server";
    case ts::kHostResolved:
      return "Found the IP address for the remote server";
    case ts::kConnecting:
      return "Connecting to the remote server";
    case ts::kConnected:
      return "Connected to the remote server";
    case ts::kRequesting:
      return "Requesting information from the remote server";
    case ts::kRequestSent:
      return "The request was sent successfully to the remote server";
    case ts::kReceivingResponse:
      return "Receiving a response from the remote server.";
    case ts::kResponseReceived:
      return "The response was received successfully from the remote server";
    case ts::kDisconnecting:
      return "Disconnecting from the remote server";
    case ts::kDisconnected:
      return "Disconnected from the remote server";
    case ts::kError:
      return "An error has occurred while communicating with the remote server.";
    case ts::kResponseCompleted:
      return "The request was completed, all data has been received.";
    default:
      return "Unknown state:" + std::to_string(state);
  }
}

}  // namespace kestrova
