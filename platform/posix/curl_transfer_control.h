// The transfer control on Linux: libcurl's multi interface driven by a PollEventPump. Requests run
// while the pump runs; libcurl's callbacks only queue states and buffer data, and the queued
// states reach the state callback after libcurl has returned, from the pump's DoEvents or from
// GetChunk's own waiting.
//
// A response body is buffered up to a bound while nobody reads it; when the buffer is full the
// transfer pauses and StillExecuting() turns false, so that the driver's "wait, then read the
// chunks until one is empty" streams a body of any size through the bounded buffer. GetChunk
// resumes the transfer as it drains the buffer. A failure in the middle of the body is reported
// (kError) from GetChunk's waiting when the reader is there, or from the next DoEvents otherwise.
//
// The control never reports kNone, kDisconnecting or kDisconnected. It must not be destroyed from
// inside its own state callback.
#ifndef KESTROVA_PLATFORM_POSIX_CURL_TRANSFER_CONTROL_H_
#define KESTROVA_PLATFORM_POSIX_CURL_TRANSFER_CONTROL_H_

#include <curl/curl.h>
#include <poll.h>

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/body_buffer.h"
#include "platform/posix/poll_event_pump.h"
#include "platform/posix/poll_source.h"
#include "platform/posix/state_sequencer.h"
#include "platform/transfer_calls.h"
#include "platform/transfer_control.h"

namespace kestrova {

class CurlTransferControl final : public TransferControl, private PollSource {
 public:
  // The body bytes held at most while nobody reads them.
  static constexpr std::size_t kDefaultBodyBufferCapacity = 64 * 1024;

  struct Options {
    // Certificates (PEM text) to trust for https instead of the system's store; empty uses the
    // system's store.
    std::string trusted_certificates_pem;
    // Body buffer bound, see kDefaultBodyBufferCapacity.
    std::size_t body_buffer_capacity = kDefaultBodyBufferCapacity;
    // Redirects followed before the request fails.
    long max_redirects = 10;
  };

  // Creates the control and registers it with pump, which must outlive it. Raises a Failure when
  // libcurl cannot be set up.
  explicit CurlTransferControl(PollEventPump& pump);
  CurlTransferControl(PollEventPump& pump, Options options);
  ~CurlTransferControl() override;

  CurlTransferControl(const CurlTransferControl&) = delete;
  CurlTransferControl& operator=(const CurlTransferControl&) = delete;

  void SetUrl(std::string_view url) override;
  const std::string& Url() const override { return url_; }
  // Zero lifts the control's own bounds; libcurl's default bound on connecting still applies.
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

  // Why the last request failed, in libcurl's words; empty when it did not fail.
  const std::string& failure_text() const noexcept { return failure_text_; }

 private:
  using Clock = std::chrono::steady_clock;

  struct EasyDeleter {
    void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
  };
  struct MultiDeleter {
    void operator()(CURLM* multi) const noexcept { curl_multi_cleanup(multi); }
  };

  // PollSource: libcurl's sockets and its timer inside the pump.
  void CollectDescriptors(std::vector<pollfd>& fds) override;
  std::optional<std::chrono::milliseconds> Timeout() const override;
  void Dispatch(std::span<const pollfd> fds) override;

  void SetUpHandles();
  // Takes the request off the multi handle; an unfinished transfer is abandoned.
  void Detach() noexcept;
  // Waits once (at most EventPump::kMaxWait) on libcurl's sockets alone and dispatches.
  void PumpOnce();
  // Handles the transfers libcurl reports as done.
  void CollectFinished();
  // Hands the queued states to the callback, unless a delivery is already running.
  void DeliverStates();
  // Lets a paused transfer go on once the reader has drained half the buffer.
  void ResumeIfRoom();

  // libcurl callbacks; user data is the control.
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static size_t OnHeaderLine(char* data, size_t size, size_t count, void* self);
  static int OnDebug(CURL* easy, curl_infotype type, char* data, size_t size, void* self);
  static int OnResolveStart(void* resolver_state, void* reserved, void* self);
  static int OnSocketOptions(void* self, curl_socket_t socket, curlsocktype purpose);
  static int OnPrerequest(void* self, char* primary_ip, char* local_ip, int primary_port,
                          int local_port);
  static int OnSocket(CURL* easy, curl_socket_t socket, int what, void* self, void* socket_data);
  static int OnTimer(CURLM* multi, long timeout_ms, void* self);

  PollEventPump& pump_;
  Options options_;
  std::unique_ptr<CURLM, MultiDeleter> multi_;
  std::unique_ptr<CURL, EasyDeleter> easy_;
  char error_buffer_[CURL_ERROR_SIZE] = {};

  std::string url_;          // as set
  std::string request_url_;  // as handed to libcurl
  int timeout_seconds_ = kDefaultRequestTimeout;

  // The request in progress or last made.
  bool attached_ = false;      // the easy handle is in the multi handle: not finished
  bool paused_ = false;        // held back until the reader makes room
  bool header_ended_ = false;  // the current header block is complete
  std::string header_;
  BodyBuffer body_;
  std::size_t peak_buffered_ = 0;
  std::string failure_text_;
  StateSequencer states_;

  StateChangedCallback on_state_;
  StateDelivery delivery_;

  // What libcurl asked to be told about.
  std::map<curl_socket_t, short> sockets_;
  std::optional<Clock::time_point> deadline_;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_CURL_TRANSFER_CONTROL_H_
