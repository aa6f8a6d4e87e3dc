// The transfer control on Linux: libcurl's multi interface driven by a PollEventPump, under the
// shared transfer core (see platform/transfer/transfer_core.h). Requests run while the pump runs;
// libcurl's callbacks only map its events onto the core's state sequencer and buffer data, and the
// queued states reach the state callback after libcurl has returned, from the pump's DoEvents or
// from GetChunk's own waiting. A name lookup starting is the sequencer's resolving, a socket opened
// for a connection its connecting, the pre-request callback its requesting, the request's header
// going out (seen through the debug callback) its request sent, a status line or body bytes its
// response bytes, and the empty line ending a header its header complete.
//
// Controls made on one CurlConnections share its multi handle: a request may reuse a connection
// another control's request left open, and over HTTPS a server that offers HTTP/2 (by ALPN)
// carries the requests of all of them at once, as streams of one connection. A control made on
// the pump alone has connections of its own.
//
// When the body buffer is full the transfer pauses (libcurl keeps the piece that did not fit) until
// GetChunk has drained half of it. A failure in the middle of the body is reported (kError) from
// GetChunk's waiting when the reader is there, or from the next DoEvents otherwise.
//
// A cancel request waiting in the pump is handed on from GetChunk's waiting too, so that Ctrl+C
// reaches a request whose body the reader waits for.
//
// A request time-out of zero lifts the control's own bounds; libcurl's default bound on connecting
// still applies. The control never reports kNone, kDisconnecting or kDisconnected. It must not be
// destroyed from inside its own state callback.
#ifndef KESTROVA_PLATFORM_TRANSFER_POSIX_CURL_TRANSFER_CONTROL_H_
#define KESTROVA_PLATFORM_TRANSFER_POSIX_CURL_TRANSFER_CONTROL_H_

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

#include "platform/pump/posix/poll_event_pump.h"
#include "platform/pump/posix/poll_source.h"
#include "platform/transfer/transfer_core.h"

namespace kestrova {

class CurlTransferControl;

// The connections of a group of controls: one libcurl multi handle, registered with the pump as
// the one source of the group's sockets and timer. It lives as long as its owner and its controls
// hold it; the pump must outlive it.
class CurlConnections final : private PollSource {
 public:
  explicit CurlConnections(PollEventPump& pump);
  ~CurlConnections() override;
  CurlConnections(const CurlConnections&) = delete;
  CurlConnections& operator=(const CurlConnections&) = delete;

 private:
  friend class CurlTransferControl;
  using Clock = std::chrono::steady_clock;

  struct MultiDeleter {
    void operator()(CURLM* multi) const noexcept { curl_multi_cleanup(multi); }
  };

  // PollSource: the sockets and the timer of every control of the group.
  void CollectDescriptors(std::vector<pollfd>& fds) override;
  std::optional<std::chrono::milliseconds> Timeout() const override;
  void Dispatch(std::span<const pollfd> fds) override;

  // Polls once, at most EventPump::kMaxWait, and handles what is ready.
  void WaitOnce();
  // Hands each finished transfer to its control.
  void CollectFinished();

  static int OnSocket(CURL* easy, curl_socket_t socket, int what, void* self, void* socket_data);
  static int OnTimer(CURLM* multi, long timeout_ms, void* self);

  PollEventPump& pump_;
  std::unique_ptr<CURLM, MultiDeleter> multi_;
  std::vector<CurlTransferControl*> controls_;
  // What libcurl asked to be told about.
  std::map<curl_socket_t, short> sockets_;
  std::optional<Clock::time_point> deadline_;
};

class CurlTransferControl final : public TransferCore {
 public:
  struct Options {
    // Certificates (PEM text) to trust for https instead of the system's store; empty uses the
    // system's store.
    std::string trusted_certificates_pem;
    // A file of PEM certificates, and a folder of certificates named by their hashes (as
    // c_rehash makes it), to trust instead of the system's store; empty for the store.
    std::string trusted_certificates_file;
    std::string trusted_certificates_folder;
    // Body buffer bound, see kDefaultBodyBufferCapacity.
    std::size_t body_buffer_capacity = kDefaultBodyBufferCapacity;
    // Redirects followed before the request fails.
    long max_redirects = 10;
    // The least a running request must move, see transfer_rate_floor.h.
    TransferRateFloor rate_floor;
  };

  // Creates the control with connections of its own, on pump, which must outlive it. Raises a
  // Failure when libcurl cannot be set up.
  explicit CurlTransferControl(PollEventPump& pump);
  CurlTransferControl(PollEventPump& pump, Options options);
  // Creates the control on connections it shares with the other controls made on them.
  CurlTransferControl(std::shared_ptr<CurlConnections> connections, Options options);
  ~CurlTransferControl() override;

  // True after a request answered over HTTP/2 on shared connections.
  bool Multiplexed() const override { return multiplexed_; }
  // The sockets libcurl opened to the server for the request: each try of a connection, its own
  // tries again after a connection died included.
  std::size_t ConnectionsOpened() const override { return connections_opened_; }

  CurlTransferControl(const CurlTransferControl&) = delete;
  CurlTransferControl& operator=(const CurlTransferControl&) = delete;

 private:
  friend class CurlConnections;

  struct EasyDeleter {
    void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
  };

  // TransferCore: the easy handle in the multi handle, paused while the body buffer is full.
  void AbandonTransport() noexcept override;
  void StartTransport(TransferOperation operation) override;
  bool TransportEnded() const noexcept override { return !attached_; }
  bool TransportHeldBack() const noexcept override { return attached_ && paused_; }
  void ResumeTransport() override;
  void WaitForTransport() override;
  void AbortTransport(AbortReason reason) override;

  void SetUpHandle();
  // The transfer ended with result.
  void OnFinished(CURLcode result);
  // After the group's progress was handled: the rate floor, then the queued states.
  void AfterProgress();

  // libcurl callbacks; user data is the control.
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static size_t OnHeaderLine(char* data, size_t size, size_t count, void* self);
  static int OnDebug(CURL* easy, curl_infotype type, char* data, size_t size, void* self);
  static int OnResolveStart(void* resolver_state, void* reserved, void* self);
  static int OnSocketOptions(void* self, curl_socket_t socket, curlsocktype purpose);
  static int OnPrerequest(void* self, char* primary_ip, char* local_ip, int primary_port,
                          int local_port);

  std::shared_ptr<CurlConnections> connections_;
  // Whether other controls share connections_.
  bool shared_;
  Options options_;
  std::unique_ptr<CURL, EasyDeleter> easy_;
  char error_buffer_[CURL_ERROR_SIZE] = {};

  // The request in progress or last made.
  bool attached_ = false;      // the easy handle is in the multi handle: not finished
  bool paused_ = false;        // held back until the reader makes room
  bool header_ended_ = false;  // the current header block is complete
  bool multiplexed_ = false;   // the last answer came as a stream of a shared connection
  std::size_t connections_opened_ = 0;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_POSIX_CURL_TRANSFER_CONTROL_H_
