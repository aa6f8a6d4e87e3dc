#include "ui/frm_mending.h"

#include <string>
#include <utility>

#include "platform/transfer_states.h"

namespace kestrova {
namespace {

namespace ts = transfer_state;

// An error the window records for a failed request.
struct RecordedError {
  std::int32_t number;
  std::string_view description;
};

// The error a failure gets, chosen by the last state reached before it.
RecordedError ErrorForLastState(int last_state) {
  switch (last_state) {
    case ts::kResolvingHost:
      return {errDnsNameNotFound, "DNS error - name not found"};
    case ts::kConnecting:
      return {errServerNotResponding, "Server not responding"};
    case ts::kResponseReceived:
      return {errReceivingData, "Error receiving data from server"};
    default:
      return {errCommunicating, "Error communicating with the remote server."};
  }
}

}  // namespace

FrmMending::FrmMending(std::unique_ptr<TransferControl> inet1, EventPump& pump,
                       LastError& last_error)
    : inet1_(std::move(inet1)), pump_(pump), last_error_(last_error) {
  pictures_visible_.fill(true);
  inet1_->SetStateChangedCallback([this](int state) { OnInet1StateChanged(state); });
  animation_timer_ = pump_.AddTimer(
      kAnimationInterval, [this] { OnAnimationTick(); }, /*enabled=*/false);
}

FrmMending::~FrmMending() {
  pump_.RemoveTimer(animation_timer_);
  inet1_->SetStateChangedCallback(nullptr);
}

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

void FrmMending::OnInet1StateChanged(int state) {
  OnTransferStateChanged(state, inet1_last_state_);
}

void FrmMending::OnTransferStateChanged(int state, std::int16_t& request_last_state) {
  if (state >= ts::kNone && state <= ts::kDisconnected) {
    request_last_state = static_cast<std::int16_t>(state);
    last_state_ = request_last_state;
  } else if (state == ts::kError) {
    const RecordedError error = ErrorForLastState(request_last_state);
    last_error_.Set(error.number, std::string(error.description), std::string(kTransferSource));
  } else if (state != ts::kResponseCompleted) {
    last_error_.Set(errUnknownTransferState, "Unknown Error", std::string(kTransferSource));
  }
  // The sentence comes last, after the error is in place.
  SetStatusBarText(StateText(state));
}

void FrmMending::WatchTransfer(TransferControl& control) {
  watched_.push_back(std::make_unique<WatchedTransfer>(WatchedTransfer{&control}));
  WatchedTransfer& watched = *watched_.back();
  control.SetStateChangedCallback(
      [this, &watched](int state) { OnTransferStateChanged(state, watched.last_state); });
}

void FrmMending::UnwatchTransfer(TransferControl& control) {
  control.SetStateChangedCallback(nullptr);
  std::erase_if(watched_, [&control](const std::unique_ptr<WatchedTransfer>& watched) {
    return watched->control == &control;
  });
}

void FrmMending::CancelTransfers() {
  inet1_->Cancel();
  // Cancelling delivers the request's failure, which never changes the list; a copy keeps the
  // walk safe all the same.
  std::vector<TransferControl*> controls;
  for (const auto& watched : watched_) controls.push_back(watched->control);
  for (TransferControl* control : controls) control->Cancel();
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
