// The one owner of a publish's requests: the transfer control Inet1 and the further connections
// of a download, made through the services' factory. Every request is made, waited for, capped and
// cancelled here, and a failed request's failure is raised from the call that waits for it or
// reads its body. Whoever shows progress (the status window) only watches the states.
#ifndef KESTROVA_PUBLISH_FETCHER_H_
#define KESTROVA_PUBLISH_FETCHER_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "platform/transfer/transfer_control.h"
#include "publish/publish_services.h"
#include "publish/publish_settings.h"
#include "publish/request_failure.h"

namespace kestrova {

// The size of each piece of a body read from a transfer control: as large as the control's
// buffer, so that a large mending file reaches the disk in few writes.
inline constexpr std::size_t kChunkSize = 64 * 1024;

class Fetcher {
 public:
  // A connection to the server, by its place: 0 is Inet1.
  using Slot = std::size_t;
  using Clock = std::chrono::steady_clock;

  // Told of every state of every request, in the order they arrive.
  using StateWatcher = std::function<void(int state)>;

  // Makes Inet1, with the settings' time-out. check_cancel raises PublishCancelled once the user
  // has cancelled; it is asked before each request starts and after each wait, so that a request
  // Cancel stopped ends the publish without a message. services, settings and check_cancel must
  // outlive the fetcher.
  Fetcher(const PublishServices& services, const PublishSettings& settings,
          std::function<void()> check_cancel);
  ~Fetcher();
  Fetcher(const Fetcher&) = delete;
  Fetcher& operator=(const Fetcher&) = delete;

  // Sets who is told of the states (nothing for no one).
  void SetStateWatcher(StateWatcher watcher) { watcher_ = std::move(watcher); }

  // Inet1, through which the single requests of a publish run.
  TransferControl& Inet1() noexcept { return *connections_[0]->control; }

  // Opens up to count connections (at least one, at most the settings' connections) and returns
  // how many there are, each with the settings' time-out. When Inet1's last answer came over a
  // connection that carries many requests at once (HTTP/2), up to kMostStreams requests run side
  // by side on it instead, unless the settings ask for one connection. ReleaseExtra drops all but
  // Inet1; both put every connection back in use.
  std::size_t Open(std::size_t count);
  void ReleaseExtra();

  // The most requests kept in flight on one multiplexed connection.
  static constexpr std::size_t kMostStreams = 100;
  // How long a request may wait with no answer while another connection answers, before it is
  // given up and made again on a connection that works: this, or four times the longest any
  // request of the fetcher waited for its answer, whichever is longer (a server that answers
  // many requests of one connection in turn is slow, not refusing).
  static constexpr std::chrono::milliseconds kWaitingGrace{1000};
  // The most attempts of one request: it is made again at most twice. A request is given up only
  // on a connection the server did not serve and made again on one that served, or, on the last
  // connection left, once more on it; a third attempt with no answer says that the server does
  // not serve this file, whichever connection asks, and further attempts would only open more
  // connections for it.
  static constexpr std::size_t kMostAttempts = 3;
  // The most connections a publish may open that bring no answer, for each connection the
  // settings allow (counting at least two): see MostUnansweredConnections.
  static constexpr std::size_t kUnansweredConnectionsEach = 2;

  // What a request given up by WaitForAny brings to its next attempt: how many attempts it had,
  // and how long they waited for an answer together.
  struct EarlierAttempts {
    std::size_t count = 0;
    Clock::duration waited{};
  };

  // Whether the request on slot was given up by WaitForAny, for the caller to make again with
  // GivenUpAttempts(slot); and whether slot's connection is left out from then on.
  bool GivenUp(Slot slot) const { return connections_.at(slot)->given_up; }
  EarlierAttempts GivenUpAttempts(Slot slot) const { return connections_.at(slot)->given_up_as; }
  bool Retired(Slot slot) const { return connections_.at(slot)->retired; }
  // Whether a request was started on slot and is not yet waited for: after a failure raised by
  // WaitForAny, the one slot its caller handed a request that is no longer started is the one
  // that failed.
  bool Started(Slot slot) const { return connections_.at(slot)->started; }

  // The connections a publish may open that bring no answer: twice the settings' connections, at
  // least four. Adapting to a server that serves fewer connections than were opened spends one
  // for each connection it leaves out, and a server that closes a kept-alive connection as a
  // request goes out may spend one more each; a server that makes a publish open more than
  // that (resetting streams or connections as they open, over HTTP/2 as over HTTP/1.1) is not
  // asked again without end: no request is made again, and a request without an answer that
  // opens one more fails. A connection brings no answer when the attempt that opened it ended
  // without one, or opened another after it (libcurl tries again on a fresh connection by
  // itself); while an attempt waits, its first connection is not counted yet. So a publish opens
  // at most one connection for each attempt answered or in flight, plus this many (and what
  // opens in one round of the event pump). Controls that cannot tell what they open (WinINet)
  // count none: there WinINet's own limit of connections per server bounds them.
  std::size_t MostUnansweredConnections() const;
  // The connections opened so far that brought no answer, as MostUnansweredConnections counts
  // them.
  std::size_t UnansweredConnections() const;

  // Starts a request on slot's connection after a check for a cancel; a request given up is
  // made again with its earlier attempts, so that its time-out and its attempts run on.
  void Start(Slot slot, const std::string& url, std::string_view operation,
             EarlierAttempts earlier);
  void Start(Slot slot, const std::string& url, std::string_view operation) {
    Start(slot, url, operation, EarlierAttempts{});
  }
  // Waits, pumping events, until the request on slot has stopped executing, then raises its
  // failure when it failed (after a check for a cancel), with context (when not empty) and CR LF
  // in front of the transfer's own description. The request's time-out ends one that hangs; the
  // pump sleeps while nothing happens.
  void Wait(Slot slot, std::string_view context = {});
  // Waits until any started request has stopped executing, then does what Wait does for it and
  // returns its slot. There must be a started request.
  //
  // A server may serve fewer connections than were opened: it resets or refuses the others, or
  // leaves them waiting behind the one it serves. So a request that failed before any byte of
  // its answer arrived (but not for a failed secure connection), and one that waits with no
  // answer while other connections answer (for the waiting grace, see kWaitingGrace, after the
  // first answer since it started, or until twice as many later requests were answered as there
  // are connections), is given up: its slot is returned with GivenUp and Retired true and stays
  // out of use, as long as another connection is left. The last connection in use, when its
  // previous request was answered whole, gets one more try (GivenUp alone): a server that closed
  // it may take the new one. Any other failure, or one once the answer has begun, is raised as
  // Wait raises it.
  //
  // The settings' time-out bounds a request, not an attempt: a request is given up only while it
  // had fewer than kMostAttempts attempts, they waited for an answer less than the time-out
  // together, and fewer connections than MostUnansweredConnections brought no answer; otherwise
  // its failure is raised. A request whose attempts waited the whole time-out with no answer is
  // stopped and raises the failure of a request that timed out, however often it was made
  // again; so is one waiting with no answer once the unanswered connections pass their bound.
  // The wait of a given-up request for a free connection is not counted: a server that serves
  // one connection makes it wait for the downloads ahead of it, not for its own answer.
  Slot WaitForAny();
  // The header of the last response on slot, and the address it asked for.
  std::string Header(Slot slot) const;
  const std::string& Url(Slot slot) const;

  // Reads the body of the last response on slot piece by piece into sink. Raises errBodyTooLarge
  // once it has grown past the settings' cap, the request's failure when the body was cut short,
  // and PublishCancelled when the user cancelled meanwhile, even for a body that came whole.
  // context is put in front of a transfer failure as Wait puts it.
  void ReadBody(Slot slot, const std::function<void(const std::string&)>& sink,
                std::string_view context = {});

  // Reads the start of the body of the last response on slot as ReadBody reads a body, until
  // enough (told the bytes read so far, after each piece) says they suffice or the body ends, and
  // returns them. A body left unread is dropped with its request: the rest of it is never
  // fetched, and the slot takes the next request (over a new connection where the server's
  // protocol cannot stop one answer alone). Raises as ReadBody does: errBodyTooLarge once the
  // bytes read pass the settings' cap, the request's failure, PublishCancelled.
  std::string ReadBodyStart(Slot slot, const std::function<bool(std::string_view)>& enough,
                            std::string_view context = {});

  // Stops the request on every connection at once; nothing they bring is kept.
  void Cancel();

 private:
  struct Connection {
    std::unique_ptr<TransferControl> control;
    // Whether a request was started and not yet waited for.
    bool started = false;
    // Left out of use, after the server did not serve it.
    bool retired = false;
    // The current request was given up, to be made again.
    bool given_up = false;
    // Whether the previous request on it was answered whole.
    bool served = false;
    // Whether a byte of the current request's answer arrived.
    bool answered = false;
    // When the current request started, counted over the fetcher's requests, and in time.
    std::uint64_t sequence = 0;
    Clock::time_point started_at;
    // The current request's attempts, this one included, and how long the earlier ones waited
    // for an answer; what a given-up request brings to its next attempt.
    std::size_t attempts = 0;
    Clock::duration waited_before{};
    EarlierAttempts given_up_as;
    // Whether the current attempt's unanswered connections are still counted from its control.
    bool attempt_counted = false;
    // While the current request waits for its answer: when another connection first answered,
    // and how many requests started after it were answered.
    std::optional<Clock::time_point> other_answered;
    std::size_t overtaken = 0;
    // The watcher is not told of the states of a request the fetcher gives up itself.
    bool quiet = false;
    // The last of states 0 to 10 that the control reported, kept across its requests.
    std::int16_t last_state = 0;
    // The failure of the request in progress, once its states said so.
    std::optional<Failure> failure;
  };

  void AddConnection();
  void OnStateChanged(Connection& connection, int state);
  // Notes that connection's request began to be answered, for the requests that still wait.
  void OnAnswered(const Connection& connection);
  // A slot whose request waits for an answer the server gives others instead and may be made
  // again; none is size().
  Slot FindLeftWaiting(Clock::time_point now, std::size_t unanswered) const;
  // Gives up slot's request and leaves its connection out of use, or in use when retire is false.
  void GiveUp(Slot slot, bool retire, Clock::time_point now);
  // How long the attempts of connection's request waited for an answer, until now.
  Clock::duration Waited(const Connection& connection, Clock::time_point now) const;
  // Whether connection's request has waited the whole time-out for an answer.
  bool OutOfTime(const Connection& connection, Clock::time_point now) const;
  // Whether connection's request, failed or left waiting without an answer, may be made again,
  // with unanswered connections (see UnansweredConnections) opened so far.
  bool MayMakeAgain(const Connection& connection, Clock::time_point now,
                    std::size_t unanswered) const;
  // The connections opened by connection's attempt that brought no answer.
  static std::size_t Unanswered(const Connection& connection);
  // Counts the connections of connection's last attempt for good, before the next or its end.
  void CloseAttempt(Connection& connection);
  // Stops slot's request, which has no answer, and raises its failure as a timed-out one's.
  void FailUnanswered(Slot slot);
  // Connections in use.
  std::size_t InUse() const;
  // After a request on slot stopped: a cancel, then the request's own failure.
  void RaiseIfFailed(Slot slot, std::string_view context);
  // Reads the body of the last response on slot piece by piece until sink returns true (enough
  // was read) or the body ends, under the settings' cap; what is asked of the cap's failure
  // follows its size in the failure's description. Returns whether sink had enough.
  bool ReadPieces(Slot slot, const std::function<bool(const std::string&)>& sink, BodyCapOf of);

  const PublishServices& services_;
  const PublishSettings& settings_;
  std::function<void()> check_cancel_;
  StateWatcher watcher_;
  std::uint64_t requests_started_ = 0;
  // Connections that brought no answer, of attempts whose count is closed.
  std::size_t unanswered_closed_ = 0;
  // The longest a request waited for the first byte of its answer.
  Clock::duration slowest_answer_{};
  // Each connection lives at a fixed address, so that its control's callback can find it.
  std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_FETCHER_H_
