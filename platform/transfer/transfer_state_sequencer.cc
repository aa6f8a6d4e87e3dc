#include "platform/transfer/transfer_state_sequencer.h"

#include "platform/transfer/transfer_states.h"

namespace kestrova {

namespace ts = transfer_state;

void TransferStateSequencer::OnResolving() {
  if (stage_ >= ts::kResolvingHost) StartLeg();
  Push(ts::kResolvingHost);
}

void TransferStateSequencer::OnResolved() {
  if (stage_ < ts::kResolvingHost) Push(ts::kResolvingHost);
  if (stage_ < ts::kHostResolved) Push(ts::kHostResolved);
}

void TransferStateSequencer::OnConnecting() {
  // A second socket of the same attempt (the other address family) adds nothing; a connection
  // after the previous one was in use is a new leg: a redirect, or a resend after a kept-alive
  // connection turned out closed.
  if (stage_ > ts::kConnecting) StartLeg();
  if (stage_ < ts::kResolvingHost) Push(ts::kResolvingHost);
  if (stage_ < ts::kHostResolved) Push(ts::kHostResolved);
  if (stage_ < ts::kConnecting) Push(ts::kConnecting);
}

void TransferStateSequencer::OnRequesting() {
  if (stage_ >= ts::kRequesting) StartLeg();  // the next leg of a redirect
  // Only a leg that opened its own connection reports it; a kept-alive one goes straight on.
  if (stage_ == ts::kConnecting) Push(ts::kConnected);
  Push(ts::kRequesting);
}

void TransferStateSequencer::OnRequestSent() {
  if (stage_ >= ts::kRequesting && stage_ < ts::kRequestSent) Push(ts::kRequestSent);
}

void TransferStateSequencer::OnResponseBytes() {
  if (stage_ == ts::kRequestSent) Push(ts::kReceivingResponse);
}

void TransferStateSequencer::OnHeaderComplete(bool informational) {
  if (informational || stage_ < ts::kRequestSent) return;  // no request of this leg went out
  if (stage_ < ts::kReceivingResponse) Push(ts::kReceivingResponse);
  if (stage_ < ts::kResponseReceived) Push(ts::kResponseReceived);
}

void TransferStateSequencer::OnFinished(bool succeeded) {
  Push(succeeded ? ts::kResponseCompleted : ts::kError);
}

std::optional<int> TransferStateSequencer::Next() {
  if (pending_.empty()) return std::nullopt;
  const int state = pending_.front();
  pending_.pop_front();
  return state;
}

void TransferStateSequencer::StartLeg() {
  if (stage_ == ts::kReceivingResponse) Push(ts::kResponseReceived);
  stage_ = 0;
}

void TransferStateSequencer::Push(int state) {
  pending_.push_back(state);
  stage_ = state;
}

}  // namespace kestrova
