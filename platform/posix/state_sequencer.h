// Turns what libcurl reports while it works on a request (a name lookup starting, a socket being
// opened, the request about to go out, header lines arriving) into the transfer states, queued in
// the order the request passed through them. A step that libcurl has no event for is filled in
// when a later event proves it happened: a socket opened means the name was resolved. Each state
// is queued once per leg; a new leg (a redirect, or a retry on a fresh connection) starts the
// sequence over.
#ifndef KESTROVA_PLATFORM_POSIX_STATE_SEQUENCER_H_
#define KESTROVA_PLATFORM_POSIX_STATE_SEQUENCER_H_

#include <deque>
#include <optional>

namespace kestrova {

class StateSequencer {
 public:
  // Forgets the previous request's progress (not its undelivered states).
  void StartRequest();

  // A name lookup starts: kResolvingHost.
  void OnResolveStarted();
  // A socket for a new connection is being opened: kHostResolved (when not yet queued) and
  // kConnecting.
  void OnConnecting();
  // A connection is ready and the request is about to go out: kConnected (when this leg opened a
  // connection) and kRequesting.
  void OnRequesting();
  // The request's header went out: kRequestSent.
  void OnRequestSent();
  // A status line arrived: kReceivingResponse.
  void OnStatusLine();
  // The empty line that ends a header arrived; informational (1xx) headers are not the response.
  void OnHeaderEnd(bool informational);
  // Body bytes arrived (a response without a header block): kReceivingResponse.
  void OnBodyData();
  // The request ended: kResponseCompleted on success, kError on failure.
  void OnFinished(bool succeeded);

  // The oldest queued state not yet taken, if any.
  std::optional<int> Next();
  bool HasPending() const noexcept { return !pending_.empty(); }

 private:
  // Queues state and records it as this leg's furthest step.
  void Push(int state);
  // Starts a new leg: the next states begin a fresh sequence.
  void StartLeg() noexcept { stage_ = 0; }

  int stage_ = 0;  // furthest state queued in the current leg; 0 before the first
  std::deque<int> pending_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_STATE_SEQUENCER_H_
