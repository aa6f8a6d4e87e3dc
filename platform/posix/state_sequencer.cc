#include "platform/posix/state_sequencer.h"

#include "platform/transfer_states.h"

namespace kestrova {

namespace ts = transfer_state;

void StateSequencer::StartRequest() { StartLeg(); }

void StateSequencer::OnResolveStarted() {
  // A lookup after any progress belongs to a new leg: a redirect to another host.
  if (stage_ >= ts::kResolvingHost) StartLeg();
  Push(ts::kResolvingHost);
}

void StateSequencer::OnConnecting() {
  // A second socket of the same attempt (the other address family) adds nothing; a socket after
  // the connection was up is a new leg (a redirect, or a retry after a dropped kept-alive one).
  if (stage_ > ts::kConnecting) StartLeg();
  // A name served from libcurl's cache is resolved without a lookup event.
  if (stage_ < ts::kResolvingHost) Push(ts::kResolvingHost);
  if (stage_ < ts::kHostResolved) Push(ts::kHostResolved);
  if (stage_ < ts::kConnecting) Push(ts::kConnecting);
}

void StateSequencer::OnRequesting() {
  if (stage_ >= ts::kRequesting) StartLeg();  // the next leg of a redirect
  // Only a leg that opened its own connection reports it; a kept-alive one goes straight on.
  if (stage_ == ts::kConnecting) Push(ts::kConnected);
  Push(ts::kRequesting);
}

void StateSequencer::OnRequestSent() {
  if (stage_ < ts::kRequestSent) Push(ts::kRequestSent);
}

void StateSequencer::OnStatusLine() {
  if (stage_ < ts::kReceivingResponse) Push(ts::kReceivingResponse);
}

void StateSequencer::OnHeaderEnd(bool informational) {
  if (!informational && stage_ < ts::kResponseReceived) Push(ts::kResponseReceived);
}

void StateSequencer::OnBodyData() {
  if (stage_ < ts::kReceivingResponse) Push(ts::kReceivingResponse);
}

void StateSequencer::OnFinished(bool succeeded) {
  Push(succeeded ? ts::kResponseCompleted : ts::kError);
}

std::optional<int> StateSequencer::Next() {
  if (pending_.empty()) return std::nullopt;
  const int state = pending_.front();
  pending_.pop_front();
  return state;
}

void StateSequencer::Push(int state) {
  pending_.push_back(state);
  stage_ = state;
}

}  // namespace kestrova
