// Turns WinINet's status notifications for one request into the transfer states, queued in the
// order the request passed through them. The codes pair up with the states (10 resolving the name
// with 1, 11 with 2, 20 connecting with 3, 21 with 4, 30 sending with 5, 31 with 6, 41 response
// bytes with 7), with three rules that keep every state truthful:
//   - a connection is reported open (4) when the request is about to go over it, so that an https
//     connection whose secure handshake fails is not reported as connected;
//   - the response is reported arriving (7) when bytes of it arrived (41 with a count), not when
//     WinINet starts waiting for it (40), and its header complete (8) when WinINet has read it
//     (the end of HttpSendRequest, or a redirect that follows it);
//   - WinINet's connection-closing notifications (50, 51) are not reported: they come from its
//     connection cache at moments unrelated to the request (after the response, when a handle
//     closes), and the transfer window chooses its error by the last state before an error.
// A step that WinINet has no notification for is filled in when a later one proves it happened:
// connecting means the name was resolved (WinINet resolves a server's name once per process).
// Each state is queued once per leg; a new leg (a redirect, or a resend on a fresh connection)
// starts the sequence over.
#ifndef KESTROVA_PLATFORM_WIN32_WININET_STATE_SEQUENCER_H_
#define KESTROVA_PLATFORM_WIN32_WININET_STATE_SEQUENCER_H_

#include <cstdint>
#include <deque>
#include <optional>

namespace kestrova::win32 {

class WinInetStateSequencer {
 public:
  // Forgets the previous request's progress (not its undelivered states).
  void StartRequest() noexcept { stage_ = 0; }

  // A status notification of the request: `status` is an INTERNET_STATUS_* code, `count` the
  // byte count that INTERNET_STATUS_RESPONSE_RECEIVED carries (0 for the others). Codes without
  // a state of their own are ignored.
  void OnStatus(std::uint32_t status, std::uint32_t count);

  // The final response's header has been read (the send completed).
  void OnHeaderComplete();

  // The request ended: kResponseCompleted on success, kError on failure.
  void OnFinished(bool succeeded);

  // The oldest queued state not yet taken, if any.
  std::optional<int> Next();
  bool HasPending() const noexcept { return !pending_.empty(); }

 private:
  void OnResolving();
  void OnResolved();
  void OnConnecting();
  void OnSending();
  // Ends a leg that another one follows: an answer that arrived had its header read.
  void CloseLeg();
  // Queues state and records it as this leg's furthest step.
  void Push(int state);

  int stage_ = 0;  // furthest state queued in the current leg; 0 before the first
  std::deque<int> pending_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_WININET_STATE_SEQUENCER_H_
