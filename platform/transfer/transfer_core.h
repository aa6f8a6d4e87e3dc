// What every transfer control does alike around its transport: the address, the time-out, the
// checks of Execute, the final response's header, the bounded body buffer and its chunk loop, and
// the states, queued by one sequencer and handed to the callback in order. A control derives from
// it and maps its library's events onto the sequencer and the buffer; the core asks it only to
// start, hold back, resume and wait on its transport.
//
// The transport of a request is running, held back (the body buffer is full and nothing more is
// asked of the library) or ended. StillExecuting() is true while it runs or states are still
// queued, so that the driver's "wait, then read the chunks until one is empty" streams a body of
// any size through the buffer: GetChunk resumes the transport once the reader has drained half the
// buffer.
#ifndef KESTROVA_PLATFORM_TRANSFER_TRANSFER_CORE_H_
#define KESTROVA_PLATFORM_TRANSFER_TRANSFER_CORE_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/transfer/request_address.h"
#include "platform/transfer/transfer_body_buffer.h"
#include "platform/transfer/transfer_calls.h"
#include "platform/transfer/transfer_control.h"
#include "platform/transfer/transfer_rate_floor.h"
#include "platform/transfer/transfer_state_sequencer.h"

namespace kestrova {

class TransferCore : public TransferControl {
 public:
  // The body bytes held at most while nobody reads them.
  static constexpr std::size_t kDefaultBodyBufferCapacity = 64 * 1024;

  void SetUrl(std::string_view url) final;
  const std::string& Url() const final { return url_; }
  void SetRequestTimeout(int seconds) final;
  void Execute(std::string_view operation) final;
  bool StillExecuting() const final;
  std::string GetHeader() const final { return header_; }
  std::string GetChunk(std::size_t max_size) final;
  void Cancel() final;
  void SetStateChangedCallback(StateChangedCallback callback) final;
  std::string FailureDetail() const final { return failure_detail_; }

  // Body bytes buffered now, and the most ever buffered at once by this control.
  std::size_t buffered_body_size() const noexcept { return body_.size(); }
  std::size_t peak_buffered_body_size() const noexcept { return body_.peak(); }
  std::size_t body_buffer_capacity() const noexcept { return body_.capacity(); }

  // Why the last request failed, in the library's words; empty when it did not fail.
  const std::string& failure_text() const noexcept { return failure_text_; }

 protected:
  TransferCore(std::size_t body_buffer_capacity, TransferRateFloor rate_floor)
      : body_(body_buffer_capacity), rate_(rate_floor) {}

  // Why a transport is ended before its time.
  enum class AbortReason {
    kTooSlow,    // it fell below the rate floor: the library's time-out failure
    kCancelled,  // Cancel: the library's cancelled-operation failure
  };

  // Drops what is left of the previous request, before a new one starts.
  virtual void AbandonTransport() noexcept = 0;
  // Starts the transport of a request on address(). Its outcome, failures included, reaches the
  // sequencer later; only a call the library refuses at once may report kError at once.
  virtual void StartTransport(TransferOperation operation) = 0;
  // Whether the transport has ended (succeeded, failed or abandoned).
  virtual bool TransportEnded() const noexcept = 0;
  // Whether the transport is held back until the reader makes room.
  virtual bool TransportHeldBack() const noexcept = 0;
  // Lets a held-back transport go on.
  virtual void ResumeTransport() = 0;
  // Waits once, at most EventPump::kMaxWait, for progress of the transport and handles it,
  // delivering the states it queued, then lets a cancel request that is waiting in the pump reach
  // its handler (which may Cancel this control).
  virtual void WaitForTransport() = 0;
  // Ends a transport that has not ended, at once, as failed for reason: the library's work is
  // dropped, the failure text (and code, where the control has one) set, and kError queued.
  virtual void AbortTransport(AbortReason reason) = 0;

  // Counts bytes of the answer (header or body) that arrived, for the rate floor.
  void NoteArrived(std::size_t bytes) { rate_.Count(bytes, TransferRateMeter::Clock::now()); }
  // Ends the transport as too slow when a whole window of the rate floor passed with fewer bytes
  // than its floor while it ran; a held-back transport starts a fresh window once it goes on.
  // Controls call it whenever they handle the transport's progress.
  void EnforceRateFloor();
  // The failure text of a request that fell below the rate floor.
  std::string RateFloorFailureText() const;

  // Hands the queued states to the callback, unless a delivery is already running.
  void DeliverStates() { delivery_.Deliver(states_, on_state_); }

  const RequestAddress& address() const { return *address_; }
  int timeout_seconds() const noexcept { return timeout_seconds_; }
  std::string& header() noexcept { return header_; }
  TransferBodyBuffer& body() noexcept { return body_; }
  TransferStateSequencer& states() noexcept { return states_; }
  const TransferStateSequencer& states() const noexcept { return states_; }
  void set_failure_text(std::string text) { failure_text_ = std::move(text); }
  void set_failure_detail(std::string text) { failure_detail_ = std::move(text); }

 private:
  // Lets a held-back transport go on once the reader has drained half the buffer.
  void ResumeIfRoom();

  std::string url_;                        // as set
  std::optional<RequestAddress> address_;  // url_ read; empty when no address is set
  int timeout_seconds_ = kDefaultRequestTimeout;

  // The request in progress or last made.
  std::string header_;
  TransferBodyBuffer body_;
  std::string failure_text_;
  std::string failure_detail_;
  TransferStateSequencer states_;
  TransferRateMeter rate_;

  StateChangedCallback on_state_;
  StateDelivery delivery_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_TRANSFER_CORE_H_
