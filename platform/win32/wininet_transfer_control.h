// The transfer control on Windows: WinINet in asynchronous mode, driven by a Win32EventPump.
// WinINet works on threads of its own; its status callback only queues what it reports and wakes
// the pump (see wininet_transfer_channel.h). The queued notifications become states (see
// wininet_state_sequencer.h) on the control's thread, from the pump's DoEvents or from GetChunk's
// own waiting, in order and never re-entrantly.
//
// A request runs as HttpSendRequest (which WinINet completes once the final response's header is
// in, redirects followed), then, for "get", a loop of InternetQueryDataAvailable (which completes
// when body bytes have arrived) and InternetReadFileEx for what is there. The body goes into a
// bounded buffer; when it is full the control issues no more reads and StillExecuting() turns
// false, so that the driver's "wait, then read the chunks until one is empty" streams a body of any
// size through the buffer. GetChunk goes on reading once it has drained half the buffer.
//
// The time-out bounds connecting, and every wait for the next notification or bytes while the
// control waits on WinINet: a download that keeps arriving, or one held back because nobody reads,
// is never cut off. WinINet's own connect, send and receive time-outs are set to the same value.
//
// A body shorter than its Content-Length is a failure, as on the other platforms (WinINet itself
// treats the early end of the connection as the end of the body). Redirects to http and https are
// followed, at most Options::max_redirects of them. WinINet keeps idle connections alive in one
// pool for the whole process, so a request may reuse a connection that an earlier request of this
// or another control left open, and then skips states 1 to 4. The control never reports kNone,
// kDisconnecting or kDisconnected. It must not be destroyed from inside its own state callback, and
// belongs to the pump's thread.
#ifndef KESTROVA_PLATFORM_WIN32_WININET_TRANSFER_CONTROL_H_
#define KESTROVA_PLATFORM_WIN32_WININET_TRANSFER_CONTROL_H_

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/transfer_calls.h"
#include "platform/transfer_control.h"
#include "platform/win32/win32_event_pump.h"
#include "platform/win32/wininet_body_buffer.h"
#include "platform/win32/wininet_request_target.h"
#include "platform/win32/wininet_state_sequencer.h"
#include "platform/win32/wininet_transfer_channel.h"

namespace kestrova::win32 {

class WinInetTransferControl final : public TransferControl, private Win32PumpSource {
 public:
  // The body bytes held at most while nobody reads them.
  static constexpr std::size_t kDefaultBodyBufferCapacity = 64 * 1024;

  struct Options {
    // How WinINet reaches servers: INTERNET_OPEN_TYPE_PRECONFIG uses the system's proxy settings,
    // INTERNET_OPEN_TYPE_DIRECT none.
    DWORD access_type = INTERNET_OPEN_TYPE_PRECONFIG;
    // Body buffer bound, see kDefaultBodyBufferCapacity.
    std::size_t body_buffer_capacity = kDefaultBodyBufferCapacity;
    // Redirects followed before the request fails.
    int max_redirects = 10;
    // The User-Agent header's text.
    std::wstring user_agent = L"FPKestrova";
  };

  // Opens the control's WinINet session and registers with pump, which must outlive the control.
  // Raises a Failure when WinINet cannot be set up.
  explicit WinInetTransferControl(Win32EventPump& pump);
  WinInetTransferControl(Win32EventPump& pump, Options options);
  ~WinInetTransferControl() override;

  WinInetTransferControl(const WinInetTransferControl&) = delete;
  WinInetTransferControl& operator=(const WinInetTransferControl&) = delete;

  void SetUrl(std::string_view url) override;
  const std::string& Url() const override { return url_; }
  void SetRequestTimeout(int seconds) override;
  void Execute(std::string_view operation) override;
  bool StillExecuting() const override;
  std::string GetHeader() const override { return header_; }
  std::string GetChunk(std::size_t max_size) override;
  void SetStateChangedCallback(StateChangedCallback callback) override;

  // Body bytes buffered now, and the most ever buffered at once by this control.
  std::size_t buffered_body_size() const noexcept { return body_.size(); }
  std::size_t peak_buffered_body_size() const noexcept { return peak_buffered_; }
  std::size_t body_buffer_capacity() const noexcept { return body_.capacity(); }

  // Why the last request failed: WinINet's error code and text; 0 and empty when it did not fail.
  DWORD failure_code() const noexcept { return failure_code_; }
  const std::string& failure_text() const noexcept { return failure_text_; }

 private:
  using Clock = std::chrono::steady_clock;

  struct InternetHandleCloser {
    void operator()(HINTERNET handle) const noexcept { InternetCloseHandle(handle); }
  };
  using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

  // Where the request in progress stands.
  enum class Phase {
    kIdle,      // nothing started, or the last request ended
    kSending,   // HttpSendRequest runs: connecting, sending, reading the header
    kQuerying,  // InternetQueryDataAvailable waits for body bytes
    kReading,   // InternetReadFileEx completes asynchronously
    kPaused,    // the body buffer is full; nothing is asked of WinINet
  };

  // Win32PumpSource: the queued notifications and the time-out inside the pump.
  std::optional<std::chrono::milliseconds> Timeout() const override;
  void Dispatch() override;

  // Handles the queued notifications, the time-out and the states: one step of progress.
  void Advance();
  void HandleNotice(const TransferNotice& notice);
  void OnSendCompleted();
  // Reads what WinINet has of the body until a call goes asynchronous, the buffer is full, the
  // body ends or the request fails.
  void PullBody();
  // Takes `count` bytes of the read just completed.
  void TakePiece(DWORD count);
  void OnBodyEnd();
  void Succeed();
  void Fail(DWORD error, std::string text = {});
  // Closes the request's handles; WinINet keeps a finished connection for the next request.
  void CloseRequest() noexcept;
  void ResumeIfRoom();
  bool Active() const noexcept;
  // When the time-out ends the request unless something happens first.
  std::optional<Clock::time_point> Deadline() const;
  // Hands the queued states to the callback, unless a delivery is already running.
  void DeliverStates();

  Win32EventPump& pump_;
  Options options_;
  std::shared_ptr<TransferChannel> channel_;
  InternetHandle session_;

  std::string url_;                      // as set
  std::optional<RequestTarget> target_;  // url_ split for WinINet; empty when no address is set
  int timeout_seconds_ = kDefaultRequestTimeout;

  // The request in progress or last made.
  std::uint32_t request_id_ = 0;
  InternetHandle connect_;
  InternetHandle request_;
  RequestContext* context_ = nullptr;  // lives while request_ and connect_ do
  Phase phase_ = Phase::kIdle;
  bool head_ = false;
  int requests_sent_ = 0;                       // legs of this request (redirects + 1)
  std::optional<std::uint64_t> expected_size_;  // Content-Length, when the body has one
  std::uint64_t received_size_ = 0;
  Clock::time_point last_progress_;
  std::string header_;
  WinInetBodyBuffer body_;
  std::size_t peak_buffered_ = 0;
  DWORD failure_code_ = 0;
  std::string failure_text_;
  WinInetStateSequencer states_;

  StateChangedCallback on_state_;
  StateDelivery delivery_;
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_WININET_TRANSFER_CONTROL_H_
