#include "platform/win32/wininet_state_sequencer.h"

#include <windows.h>
#include <wininet.h>

#include "platform/transfer_states.h"

namespace kestrova::win32 {

namespace ts = transfer_state;

void WinInetStateSequencer::OnStatus(std::uint32_t status, std::uint32_t count) {
  switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME:
      OnResolving();
      break;
    case INTERNET_STATUS_NAME_RESOLVED:
      OnResolved();
      break;
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
      OnConnecting();
      break;
    case INTERNET_STATUS_SENDING_REQUEST:
      OnSending();
      break;
    case INTERNET_STATUS_REQUEST_SENT:
      if (stage_ >= ts::kRequesting && stage_ < ts::kRequestSent) Push(ts::kRequestSent);
      break;
    case INTERNET_STATUS_RESPONSE_RECEIVED:
      if (count > 0 && stage_ == ts::kRequestSent) Push(ts::kReceivingResponse);
      break;
    case INTERNET_STATUS_REDIRECT:
      // The redirecting answer's header was read; the next leg begins with its own first step.
      if (stage_ >= ts::kRequestSent) {
        if (stage_ < ts::kReceivingResponse) Push(ts::kReceivingResponse);
        if (stage_ < ts::kResponseReceived) Push(ts::kResponseReceived);
      }
      break;
    default:
      // 21 is reported with the request that goes over the connection; 40, 50, 51 and the
      // handle notifications have no state.
      break;
  }
}

void WinInetStateSequencer::OnResolving() {
  // A lookup after any progress belongs to a new leg: a redirect to another host.
  if (stage_ >= ts::kResolvingHost) {
    CloseLeg();
    stage_ = 0;
  }
  Push(ts::kResolvingHost);
}

void WinInetStateSequencer::OnResolved() {
  if (stage_ < ts::kResolvingHost) Push(ts::kResolvingHost);
  if (stage_ < ts::kHostResolved) Push(ts::kHostResolved);
}

void WinInetStateSequencer::OnConnecting() {
  // A connection after the previous one was in use is a new leg: a redirect, or a resend after a
  // kept-alive connection turned out closed.
  if (stage_ > ts::kConnecting) {
    CloseLeg();
    stage_ = 0;
  }
  if (stage_ < ts::kResolvingHost) Push(ts::kResolvingHost);
  if (stage_ < ts::kHostResolved) Push(ts::kHostResolved);
  if (stage_ < ts::kConnecting) Push(ts::kConnecting);
}

void WinInetStateSequencer::OnSending() {
  if (stage_ >= ts::kRequesting) {  // the next leg of a redirect, on a kept-alive connection
    CloseLeg();
    stage_ = 0;
  }
  // Only a leg that opened its own connection reports it; a kept-alive one goes straight on.
  if (stage_ == ts::kConnecting) Push(ts::kConnected);
  Push(ts::kRequesting);
}

void WinInetStateSequencer::OnHeaderComplete() {
  if (stage_ < ts::kRequestSent) return;  // no request of this leg went out
  if (stage_ < ts::kReceivingResponse) Push(ts::kReceivingResponse);
  if (stage_ < ts::kResponseReceived) Push(ts::kResponseReceived);
}

void WinInetStateSequencer::OnFinished(bool succeeded) {
  Push(succeeded ? ts::kResponseCompleted : ts::kError);
}

void WinInetStateSequencer::CloseLeg() {
  if (stage_ == ts::kReceivingResponse) Push(ts::kResponseReceived);
}

std::optional<int> WinInetStateSequencer::Next() {
  if (pending_.empty()) return std::nullopt;
  const int state = pending_.front();
  pending_.pop_front();
  return state;
}

void WinInetStateSequencer::Push(int state) {
  pending_.push_back(state);
  stage_ = state;
}

}  // namespace kestrova::win32
