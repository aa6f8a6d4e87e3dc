// The transfer control on Windows: WinINet in asynchronous mode, driven by a Win32EventPump, under
// the shared transfer core (see platform/transfer/transfer_core.h). WinINet works on threads of its
// own; its status callback only queues what it reports and wakes the pump (see
// wininet_transfer_channel.h). The queued notifications are mapped onto the core's state sequencer
// on the control's thread, from the pump's DoEvents or from GetChunk's own waiting, in order and
// never re-entrantly: the status codes pair up with the states (10 resolving the name with 1, 11
// with 2, 20 connecting with 3, 30 sending with 5, 31 with 6, 41 response bytes with 7); 21 and the
// connection-closing codes 50 and 51 have no state of their own, and the header is complete (8) at
// the end of HttpSendRequest or at a redirect that follows it.
//
// A request runs as HttpSendRequest (which WinINet completes once the final response's header is
// in, redirects followed), then, for "get", a loop of InternetQueryDataAvailable (which completes
// when body bytes have arrived) and InternetReadFileEx for what is there, never more than the body
// buffer has room for. When it is full the control issues no more reads until GetChunk has drained
// half of it.
//
// The time-out bounds connecting, and every wait for the next notification or bytes while the
// control waits on WinINet: a download that keeps arriving, or one held back because nobody reads,
// is never cut off. WinINet's own connect, send and receive time-outs are set to the same value.
//
// A request below the rate floor fails with WinINet's time-out code, a cancelled one with its
// cancelled-operation code. A cancel request waiting in the pump (the status window's Cancel among
// them) is handed on from GetChunk's waiting too.
//
// WinINet's own dialogs stay closed (INTERNET_FLAG_NO_UI): a proxy that asks for a password gives
// its 407 answer like any other, for the caller to name. A failure while Internet Explorer's "Work
// Offline" is on says so, since WinINet then refuses requests with texts that do not name it.
//
// A body shorter than its Content-Length is a failure, as on the other platforms (WinINet itself
// treats the early end of the connection as the end of the body). Redirects to http and https are
// followed, at most Options::max_redirects of them. WinINet keeps idle connections alive in one
// pool for the whole process, so a request may reuse a connection that an earlier request of this
// or another control left open, and then skips states 1 to 4. The control never reports kNone,
// kDisconnecting or kDisconnected. It must not be destroyed from inside its own state callback, and
// belongs to the pump's thread.
#ifndef KESTROVA_PLATFORM_TRANSFER_WIN32_WININET_TRANSFER_CONTROL_H_
#define KESTROVA_PLATFORM_TRANSFER_WIN32_WININET_TRANSFER_CONTROL_H_

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pump/win32/win32_event_pump.h"
#include "platform/transfer/transfer_core.h"
#include "platform/transfer/transfer_security.h"
#include "platform/transfer/win32/wininet_transfer_channel.h"

namespace kestrova::win32 {

class WinInetTransferControl final : public TransferCore, private Win32PumpSource {
 public:
  struct Options {
    // How WinINet reaches servers: INTERNET_OPEN_TYPE_PRECONFIG uses the system's proxy settings,
    // INTERNET_OPEN_TYPE_DIRECT none.
    DWORD access_type = INTERNET_OPEN_TYPE_PRECONFIG;
    // A proxy server for every request ("host:port"), with the addresses that bypass it
    // (WinINet's notation); empty: access_type decides.
    std::wstring proxy;
    std::wstring proxy_bypass;
    // Body buffer bound, see kDefaultBodyBufferCapacity.
    std::size_t body_buffer_capacity = kDefaultBodyBufferCapacity;
    // Redirects followed before the request fails.
    int max_redirects = 10;
    // The User-Agent header's text.
    std::wstring user_agent = L"FPKestrova";
    // The least a running request must move, see transfer_rate_floor.h.
    TransferRateFloor rate_floor;
  };

  // Opens the control's WinINet session and registers with pump, which must outlive the control.
  // Raises a Failure when WinINet cannot be set up.
  explicit WinInetTransferControl(Win32EventPump& pump);
  WinInetTransferControl(Win32EventPump& pump, Options options);
  ~WinInetTransferControl() override;

  WinInetTransferControl(const WinInetTransferControl&) = delete;
  WinInetTransferControl& operator=(const WinInetTransferControl&) = delete;

  // WinINet's error code for the last request's failure (failure_text() has its text); 0 when it
  // did not fail.
  DWORD failure_code() const noexcept { return failure_code_; }

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

  // TransferCore: the request's handles, and the reads that stop while the body buffer is full.
  void AbandonTransport() noexcept override { CloseRequest(); }
  void StartTransport(TransferOperation operation) override;
  bool TransportEnded() const noexcept override { return phase_ == Phase::kIdle; }
  bool TransportHeldBack() const noexcept override { return phase_ == Phase::kPaused; }
  void ResumeTransport() override;
  void WaitForTransport() override;
  void AbortTransport(AbortReason reason) override;

  // Win32PumpSource: the queued notifications and the time-out inside the pump.
  std::optional<std::chrono::milliseconds> Timeout() const override;
  void Dispatch() override;

  // Handles the queued notifications, the time-out and the states: one step of progress.
  void Advance();
  void HandleNotice(const TransferNotice& notice);
  // Maps a status notification other than REQUEST_COMPLETE onto the state sequencer.
  void OnStatus(DWORD status, DWORD count);
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
  // The address the request is on now: after a redirect, the redirect's target, which WinINet
  // followed itself; the address asked for when WinINet cannot tell.
  RequestAddress CurrentAddress() const;
  bool Active() const noexcept;
  // When the time-out ends the request unless something happens first.
  std::optional<Clock::time_point> Deadline() const;

  Win32EventPump& pump_;
  Options options_;
  std::shared_ptr<TransferChannel> channel_;
  InternetHandle session_;

  // The request in progress or last made.
  std::uint32_t request_id_ = 0;
  InternetHandle connect_;
  InternetHandle request_;
  std::shared_ptr<RequestContext> context_;  // the request's, while it is the current one
  Phase phase_ = Phase::kIdle;
  bool head_ = false;
  int requests_sent_ = 0;                       // legs of this request (redirects + 1)
  std::optional<std::uint64_t> expected_size_;  // Content-Length, when the body has one
  std::uint64_t received_size_ = 0;
  Clock::time_point last_progress_;
  DWORD failure_code_ = 0;
};

// What a person reads when a request to host failed with WinINet's error: for a certificate error
// (ERROR_INTERNET_SEC_CERT_*, ERROR_INTERNET_INVALID_CA and the like) the host and the cause,
// then the code and WinINet's text, as "The certificate of HOST is not trusted (WinINet error
// 12045: ...)". secure tells that the leg that failed was https: then a secure channel that could
// not be set up (ERROR_INTERNET_SECURITY_CHANNEL_ERROR, or a connection that failed, was reset or
// ended while the handshake was under way) gives "Windows could not make a secure connection to
// HOST", with why that happens on older Windows. Empty for any other error.
std::string WinInetSecurityDetail(DWORD error, std::string_view host, bool secure);

// How many connections to one server WinINet allows this process, at most `most`: the add-in
// fetches over that many at once and never changes the limit, which is FrontPage's too.
int WinInetConnectionsPerServer(int most);

// True while WinINet works offline (Internet Explorer's "Work Offline").
bool WinInetWorksOffline();

// failure, followed by a sentence naming "Work Offline" when offline is true.
std::string WithOfflineNamed(std::string failure, bool offline);

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_TRANSFER_WIN32_WININET_TRANSFER_CONTROL_H_
