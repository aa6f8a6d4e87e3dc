#include "platform/transfer/transfer_core.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "base/failure.h"

namespace kestrova {

void TransferCore::SetUrl(std::string_view url) {
  if (url.empty()) {
    url_.clear();
    address_.reset();
    return;
  }
  std::optional<RequestAddress> address = ParseRequestAddress(url);
  if (!address) RefuseTransferCall("URL is malformed: " + std::string(url));
  url_ = std::string(url);
  address_ = std::move(address);
}

void TransferCore::SetRequestTimeout(int seconds) {
  timeout_seconds_ = CheckedRequestTimeout(seconds);
}

void TransferCore::Execute(std::string_view operation) {
  if (StillExecuting()) RefuseTransferCall("Still executing last request");
  const TransferOperation kind = ParseTransferOperation(operation);
  if (!address_) RefuseTransferCall("No URL has been set");

  AbandonTransport();  // drops what is left of the previous response
  body_.Clear();
  header_.clear();
  failure_text_.clear();
  failure_detail_.clear();
  states_.StartRequest();
  rate_.Stop();
  StartTransport(kind);
}

bool TransferCore::StillExecuting() const {
  return states_.HasPending() || (!TransportEnded() && !TransportHeldBack());
}

std::string TransferCore::GetChunk(std::size_t max_size) {
  if (max_size == 0) RefuseTransferCall(std::string(PlatformDescription(kErrInvalidArgument)));
  // Each round either finds data, finds the end, or waits on the transport, whose time-out ends
  // a transfer that stalls.
  for (;;) {
    if (!body_.empty()) {
      std::string piece = body_.Take(max_size);
      ResumeIfRoom();
      return piece;
    }
    if (TransportEnded()) {
      DeliverStates();  // the kError or kResponseCompleted of the end, if still queued
      return {};
    }
    ResumeIfRoom();
    WaitForTransport();
  }
}

void TransferCore::Cancel() {
  if (TransportEnded()) return;
  body_.Clear();
  AbortTransport(AbortReason::kCancelled);
  DeliverStates();
}

void TransferCore::EnforceRateFloor() {
  if (TransportEnded() || timeout_seconds_ == 0) return;
  if (TransportHeldBack()) {
    rate_.Stop();
    return;
  }
  if (rate_.Missed(TransferRateMeter::Clock::now())) AbortTransport(AbortReason::kTooSlow);
}

std::string TransferCore::RateFloorFailureText() const {
  const auto seconds =
      std::chrono::duration_cast<std::chrono::duration<double>>(rate_.floor().window).count();
  char text[160];
  std::snprintf(text, sizeof text,
                "Operation too slow: fewer than %zu bytes arrived in the last %g seconds",
                rate_.floor().min_bytes, seconds);
  return text;
}

void TransferCore::SetStateChangedCallback(StateChangedCallback callback) {
  on_state_ = std::move(callback);
}

void TransferCore::ResumeIfRoom() {
  if (TransportEnded() || !TransportHeldBack() || !body_.HalfDrained()) return;
  rate_.Stop();  // the time held back is not the server's
  ResumeTransport();
}

}  // namespace kestrova
