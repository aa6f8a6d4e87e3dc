// Turns what a transport reports while it works on a request (a name lookup, a connection being
// opened, the request going out, the answer arriving) into the transfer states, queued in the order
// the request passed through them. Each control maps its library's events onto the calls below.
// Three rules keep every state truthful:
//   - a connection is reported open (4) when the request is about to go over it, so that an https
//     connection whose secure handshake fails is not reported as connected;
//   - the answer is reported arriving (7) when bytes of it arrived after the request went out,
//     and its header complete (8) when the final (not an informational 1xx) header has been read;
//   - connection closing is not reported: libraries close cached connections at moments unrelated
//     to the request, and the transfer window chooses its error by the last state before an error.
// A step that the transport has no event for is filled in when a later one proves it happened:
// connecting means the name was resolved (a name may come from a cache without a lookup). Each
// state is queued once per leg; a new leg (a redirect, or a resend on a fresh connection) starts
// the sequence over.
#ifndef KESTROVA_PLATFORM_TRANSFER_TRANSFER_STATE_SEQUENCER_H_
#define KESTROVA_PLATFORM_TRANSFER_TRANSFER_STATE_SEQUENCER_H_

#include <deque>
#include <optional>

namespace kestrova {

class TransferStateSequencer {
 public:
  // Forgets the previous request's progress (not its undelivered states).
  void StartRequest() noexcept { stage_ = 0; }

  // A name lookup starts: kResolvingHost; after any progress, a new leg (a redirect to another
  // host).
  void OnResolving();
  // The name was resolved: kHostResolved.
  void OnResolved();
  // A connection is being opened: kHostResolved (when not yet queued) and kConnecting; after the
  // previous connection was in use, a new leg.
  void OnConnecting();
  // A connection is ready and the request is about to go out: kConnected (when this leg opened a
  // connection) and kRequesting; after a request of this leg, a new leg on a kept-alive connection.
  void OnRequesting();
  // The request went out: kRequestSent.
  void OnRequestSent();
  // Bytes of the answer arrived: kReceivingResponse.
  void OnResponseBytes();
  // A whole header was read; an informational (1xx) header is not the answer's. Fills in
  // kReceivingResponse and queues kResponseReceived, when a request of this leg went out.
  void OnHeaderComplete(bool informational = false);
  // The request ended: kResponseCompleted on success, kError on failure.
  void OnFinished(bool succeeded);

  // The oldest queued state not yet taken, if any.
  std::optional<int> Next();
  bool HasPending() const noexcept { return !pending_.empty(); }

 private:
  // Ends the current leg, so that the next states begin a fresh sequence: an answer that arrived
  // had its header read.
  void StartLeg();
  // Queues state and records it as this leg's furthest step.
  void Push(int state);

  int stage_ = 0;  // furthest state queued in the current leg; 0 before the first
  std::deque<int> pending_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_TRANSFER_STATE_SEQUENCER_H_
