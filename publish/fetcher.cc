#include "publish/fetcher.h"

#include <algorithm>
#include <utility>

#include "platform/transfer/transfer_states.h"
#include "publish/request_failure.h"

namespace kestrova {
namespace {

namespace ts = transfer_state;

}  // namespace

Fetcher::Fetcher(const PublishServices& services, const PublishSettings& settings,
                 std::function<void()> check_cancel)
    : services_(services), settings_(settings), check_cancel_(std::move(check_cancel)) {
  AddConnection();
}

Fetcher::~Fetcher() {
  for (const auto& connection : connections_) connection->control->SetStateChangedCallback(nullptr);
}

void Fetcher::AddConnection() {
  auto connection = std::make_unique<Connection>();
  connection->control = services_.make_transfer_control();
  connection->control->SetRequestTimeout(settings_.request_timeout_seconds);
  Connection& added = *connection;
  connection->control->SetStateChangedCallback(
      [this, &added](int state) { OnStateChanged(added, state); });
  connections_.push_back(std::move(connection));
}

std::size_t Fetcher::Open(std::size_t count) {
  std::size_t most = static_cast<std::size_t>(std::max(settings_.connections, 1));
  if (most > 1 && Inet1().Multiplexed()) most = kMostStreams;
  const std::size_t wanted = std::clamp<std::size_t>(count, 1, most);
  while (connections_.size() < wanted) AddConnection();
  for (const auto& connection : connections_) connection->retired = false;
  return connections_.size();
}

void Fetcher::ReleaseExtra() {
  while (connections_.size() > 1) {
    CloseAttempt(*connections_.back());
    connections_.back()->control->SetStateChangedCallback(nullptr);
    connections_.pop_back();
  }
  connections_[0]->retired = false;
}

void Fetcher::OnStateChanged(Connection& connection, int state) {
  if ((state == ts::kReceivingResponse || state == ts::kResponseReceived) && !connection.answered) {
    connection.answered = true;
    OnAnswered(connection);
  }
  if (state == ts::kResponseCompleted && !connection.failure) connection.served = true;
  if (state >= ts::kNone && state <= ts::kDisconnected) {
    connection.last_state = static_cast<std::int16_t>(state);
  } else if (state == ts::kError) {
    connection.failure =
        TransferFailure(connection.last_state, connection.control->FailureDetail());
  } else if (state != ts::kResponseCompleted) {
    connection.failure = UnknownStateFailure();
  }
  if (watcher_ && !connection.quiet) watcher_(state);
}

void Fetcher::OnAnswered(const Connection& answered) {
  slowest_answer_ = std::max(slowest_answer_, Clock::now() - answered.started_at);
  for (const auto& connection : connections_) {
    if (!connection->started || connection->answered || connection.get() == &answered) continue;
    if (!connection->other_answered) connection->other_answered = Clock::now();
    if (answered.sequence > connection->sequence) ++connection->overtaken;
  }
}

std::size_t Fetcher::MostUnansweredConnections() const {
  return kUnansweredConnectionsEach * static_cast<std::size_t>(std::max(settings_.connections, 2));
}

std::size_t Fetcher::Unanswered(const Connection& connection) {
  const std::size_t opened = connection.control->ConnectionsOpened();
  if (!connection.started && !connection.answered) return opened;
  return opened > 0 ? opened - 1 : 0;
}

std::size_t Fetcher::UnansweredConnections() const {
  std::size_t count = unanswered_closed_;
  for (const auto& connection : connections_) {
    if (!connection->attempt_counted) count += Unanswered(*connection);
  }
  return count;
}

void Fetcher::CloseAttempt(Connection& connection) {
  if (connection.attempt_counted) return;
  unanswered_closed_ += Unanswered(connection);
  connection.attempt_counted = true;
}

void Fetcher::Start(Slot slot, const std::string& url, std::string_view operation,
                    EarlierAttempts earlier) {
  check_cancel_();
  Connection& connection = *connections_.at(slot);
  CloseAttempt(connection);
  connection.failure.reset();
  connection.given_up = false;
  connection.answered = false;
  connection.other_answered.reset();
  connection.overtaken = 0;
  connection.sequence = ++requests_started_;
  connection.started_at = Clock::now();
  connection.attempts = earlier.count + 1;
  connection.waited_before = earlier.waited;
  connection.control->SetUrl(url);
  connection.control->Execute(operation);
  connection.started = true;
  connection.attempt_counted = false;
}

void Fetcher::Wait(Slot slot, std::string_view context) {
  TransferControl& control = *connections_.at(slot)->control;
  while (control.StillExecuting()) services_.pump.DoEvents();
  RaiseIfFailed(slot, context);
}

Fetcher::Slot Fetcher::WaitForAny() {
  for (;;) {
    const Clock::time_point now = Clock::now();
    const std::size_t unanswered = UnansweredConnections();
    for (Slot slot = 0; slot < connections_.size(); ++slot) {
      const Connection& connection = *connections_[slot];
      if (!connection.started) continue;
      if (!connection.control->StillExecuting()) {
        // Refused, reset or timed out before the server said anything: the server did not serve
        // this connection, which says nothing of the file. A cancel is the user's, not that.
        check_cancel_();
        if (connection.failure && !connection.answered &&
            connection.control->FailureDetail().empty() &&
            MayMakeAgain(connection, now, unanswered) && (InUse() > 1 || connection.served)) {
          GiveUp(slot, InUse() > 1, now);
          return slot;
        }
        RaiseIfFailed(slot, {});
        return slot;
      }
      // The time-out counts from the request's first attempt, not from this one's start.
      if (OutOfTime(connection, now)) FailUnanswered(slot);
    }
    if (unanswered > MostUnansweredConnections()) {
      // The server keeps taking connections without answering: the request still waiting that
      // opened the most of them stops the publish. One that opened none goes on.
      std::optional<Slot> churning;
      std::size_t most = 0;
      for (Slot slot = 0; slot < connections_.size(); ++slot) {
        const Connection& connection = *connections_[slot];
        if (!connection.started || connection.answered || Unanswered(connection) <= most) continue;
        churning = slot;
        most = Unanswered(connection);
      }
      if (churning) FailUnanswered(*churning);
    }
    if (const Slot waiting = FindLeftWaiting(now, unanswered); waiting != connections_.size()) {
      GiveUp(waiting, true, now);
      return waiting;
    }
    services_.pump.DoEvents();
  }
}

Fetcher::Clock::duration Fetcher::Waited(const Connection& connection,
                                         Clock::time_point now) const {
  return connection.waited_before + (now - connection.started_at);
}

bool Fetcher::OutOfTime(const Connection& connection, Clock::time_point now) const {
  return settings_.request_timeout_seconds > 0 && !connection.answered &&
         Waited(connection, now) >= std::chrono::seconds{settings_.request_timeout_seconds};
}

bool Fetcher::MayMakeAgain(const Connection& connection, Clock::time_point now,
                           std::size_t unanswered) const {
  return connection.attempts < kMostAttempts && !OutOfTime(connection, now) &&
         unanswered < MostUnansweredConnections();
}

void Fetcher::FailUnanswered(Slot slot) {
  Connection& connection = *connections_[slot];
  connection.control->Cancel();
  // The control's own time-out would have ended it the same way: the failure its states select.
  if (!connection.failure) connection.failure = TransferFailure(connection.last_state);
  RaiseIfFailed(slot, {});
}

Fetcher::Slot Fetcher::FindLeftWaiting(Clock::time_point now, std::size_t unanswered) const {
  const std::size_t in_use = InUse();
  if (in_use < 2) return connections_.size();
  const Clock::duration grace = std::max<Clock::duration>(kWaitingGrace, 4 * slowest_answer_);
  for (Slot slot = 0; slot < connections_.size(); ++slot) {
    const Connection& connection = *connections_[slot];
    if (!connection.started || connection.answered || !connection.other_answered ||
        !MayMakeAgain(connection, now, unanswered)) {
      continue;
    }
    if (connection.overtaken >= 2 * in_use || now - *connection.other_answered >= grace) {
      return slot;
    }
  }
  return connections_.size();
}

void Fetcher::GiveUp(Slot slot, bool retire, Clock::time_point now) {
  Connection& connection = *connections_[slot];
  connection.given_up_as = {connection.attempts, Waited(connection, now)};
  connection.retired = retire;
  connection.given_up = true;
  connection.served = false;
  connection.started = false;
  if (connection.control->StillExecuting()) {
    // The status window only hears of the requests whose outcome counts.
    connection.quiet = true;
    connection.control->Cancel();
    connection.quiet = false;
  }
  connection.failure.reset();
}

std::size_t Fetcher::InUse() const {
  return static_cast<std::size_t>(std::count_if(connections_.begin(), connections_.end(),
                                                [](const auto& c) { return !c->retired; }));
}

void Fetcher::RaiseIfFailed(Slot slot, std::string_view context) {
  Connection& connection = *connections_[slot];
  connection.started = false;
  // A request that Cancel stopped failed on purpose: publishing stops without a message.
  check_cancel_();
  if (!connection.failure) return;
  const Failure& failure = *connection.failure;
  std::string description = failure.description();
  if (!context.empty()) description = std::string(context) + "\r\n" + description;
  throw Failure(failure.number(), failure.source(), std::move(description),
                connection.control->Url());
}

std::string Fetcher::Header(Slot slot) const { return connections_.at(slot)->control->GetHeader(); }

const std::string& Fetcher::Url(Slot slot) const { return connections_.at(slot)->control->Url(); }

bool Fetcher::ReadPieces(Slot slot, const std::function<bool(const std::string&)>& sink,
                         BodyCapOf of) {
  TransferControl& control = *connections_.at(slot)->control;
  const std::size_t cap = settings_.max_body_bytes;
  std::size_t received = 0;
  // The count is kept here rather than in a transfer control, so that every platform's control
  // meets the same cap; the control's own buffer is bounded, so at most one buffer's worth
  // arrives beyond the cap before it is seen.
  for (std::string chunk = control.GetChunk(kChunkSize); !chunk.empty();
       chunk = control.GetChunk(kChunkSize)) {
    received += chunk.size();
    if (received > cap) RaiseBodyTooLarge(cap, control.Url(), of);
    if (sink(chunk)) return true;
  }
  return false;
}

void Fetcher::ReadBody(Slot slot, const std::function<void(const std::string&)>& sink,
                       std::string_view context) {
  ReadPieces(
      slot,
      [&sink](const std::string& chunk) {
        sink(chunk);
        return false;
      },
      BodyCapOf::kMendFolderFile);
  // A body that Cancel cut short, or one that came whole while the user cancelled, is not kept.
  RaiseIfFailed(slot, context);
}

std::string Fetcher::ReadBodyStart(Slot slot, const std::function<bool(std::string_view)>& enough,
                                   std::string_view context) {
  std::string start;
  const bool dropped = ReadPieces(
      slot,
      [&](const std::string& chunk) {
        start += chunk;
        return enough(start);
      },
      BodyCapOf::kServedPage);
  if (dropped) {
    // The rest is not wanted: the request stops as if it had ended. Its failure, delivered as it
    // stops, is no failure of the answer, and the status window hears nothing of it.
    Connection& connection = *connections_.at(slot);
    connection.quiet = true;
    connection.control->Cancel();
    connection.quiet = false;
    connection.failure.reset();
    connection.served = true;
  }
  RaiseIfFailed(slot, context);
  return start;
}

void Fetcher::Cancel() {
  // Cancelling delivers each request's failure, which never changes the list.
  for (const auto& connection : connections_) connection->control->Cancel();
}

}  // namespace kestrova
