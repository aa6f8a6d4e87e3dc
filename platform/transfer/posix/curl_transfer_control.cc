#include "platform/transfer/posix/curl_transfer_control.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include "base/failure.h"
#include "platform/posix/posix_failure.h"
#include "platform/pump/event_pump.h"
#include "platform/transfer/transfer_security.h"

namespace kestrova {
namespace {

// libcurl wants one global set-up before its first handle; later calls only count.
void InitCurlOnce() {
  static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
  CheckCurl("curl_global_init", result);
}

// The status code of a status line such as "HTTP/1.1 200 OK"; 0 when there is none.
int StatusCode(std::string_view line) {
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos) return 0;
  int code = 0;
  for (std::size_t i = space + 1; i < line.size() && i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    code = code * 10 + (line[i] - '0');
  }
  return code;
}

// OpenSSL's verification results that tell a certificate out of date
// (X509_V_ERR_CERT_NOT_YET_VALID, X509_V_ERR_CERT_HAS_EXPIRED), revoked (X509_V_ERR_CERT_REVOKED)
// or made out to another name (X509_V_ERR_HOSTNAME_MISMATCH, X509_V_ERR_IP_ADDRESS_MISMATCH) from
// one nobody vouches for.
constexpr long kCertificateNotYetValid = 9;
constexpr long kCertificateExpired = 10;
constexpr long kCertificateRevoked = 23;
constexpr long kHostNameMismatch = 62;
constexpr long kAddressMismatch = 64;

// The kind of a failed request's security failure, from libcurl's code, the TLS library's
// verification result and libcurl's text.
SecurityFailure CurlSecurityFailure(CURLcode code, long verify_result, std::string_view text) {
  switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
      if (verify_result == kCertificateExpired || verify_result == kCertificateNotYetValid) {
        return SecurityFailure::kOutOfDate;
      }
      if (verify_result == kCertificateRevoked) return SecurityFailure::kRevoked;
      // libcurl checks the name itself after the chain was accepted, and says so only in words
      // ("... does not match target host name", "no alternative certificate subject name
      // matches target host name").
      if (verify_result == kHostNameMismatch || verify_result == kAddressMismatch ||
          text.find("target host name") != std::string_view::npos) {
        return SecurityFailure::kWrongName;
      }
      return SecurityFailure::kUntrusted;
    case CURLE_SSL_INVALIDCERTSTATUS:
      return SecurityFailure::kRevoked;
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      return SecurityFailure::kUntrusted;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CIPHER:
      return SecurityFailure::kHandshake;
    case CURLE_SSL_CACERT_BADFILE:
      return SecurityFailure::kTrustUnreadable;
    default:
      return SecurityFailure::kNone;
  }
}

}  // namespace

CurlConnections::CurlConnections(PollEventPump& pump) : pump_(pump) {
  InitCurlOnce();
  multi_.reset(curl_multi_init());
  if (!multi_) RaiseProgramError(kErrInvalidArgument, "libcurl could not start");
  CURLM* multi = multi_.get();
  CheckCurl("CURLMOPT_SOCKETFUNCTION", curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, OnSocket));
  CheckCurl("CURLMOPT_SOCKETDATA", curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this));
  CheckCurl("CURLMOPT_TIMERFUNCTION", curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, OnTimer));
  CheckCurl("CURLMOPT_TIMERDATA", curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this));
  // Requests of the group go out as streams of one HTTP/2 connection where the server offers it.
  CheckCurl("CURLMOPT_PIPELINING",
            curl_multi_setopt(multi, CURLMOPT_PIPELINING, long{CURLPIPE_MULTIPLEX}));
  pump_.AddSource(*this);
}

CurlConnections::~CurlConnections() { pump_.RemoveSource(*this); }

CurlTransferControl::CurlTransferControl(PollEventPump& pump)
    : CurlTransferControl(pump, Options{}) {}

CurlTransferControl::CurlTransferControl(PollEventPump& pump, Options options)
    : CurlTransferControl(std::make_shared<CurlConnections>(pump), std::move(options)) {
  shared_ = false;
}

CurlTransferControl::CurlTransferControl(std::shared_ptr<CurlConnections> connections,
                                         Options options)
    : TransferCore(options.body_buffer_capacity, options.rate_floor),
      connections_(std::move(connections)),
      shared_(true),
      options_(std::move(options)) {
  SetUpHandle();
  connections_->controls_.push_back(this);
}

CurlTransferControl::~CurlTransferControl() {
  std::erase(connections_->controls_, this);
  // The easy handle leaves the multi handle before it dies; the multi handle goes with the last
  // control that holds it.
  AbandonTransport();
  easy_.reset();
}

void CurlTransferControl::SetUpHandle() {
  easy_.reset(curl_easy_init());
  if (!easy_) RaiseProgramError(kErrInvalidArgument, "libcurl could not start");
  CURL* easy = easy_.get();
  CheckCurl("CURLOPT_PRIVATE", curl_easy_setopt(easy, CURLOPT_PRIVATE, this));
  CheckCurl("CURLOPT_ERRORBUFFER", curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error_buffer_));
  CheckCurl("CURLOPT_WRITEFUNCTION", curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody));
  CheckCurl("CURLOPT_WRITEDATA", curl_easy_setopt(easy, CURLOPT_WRITEDATA, this));
  CheckCurl("CURLOPT_HEADERFUNCTION", curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeaderLine));
  CheckCurl("CURLOPT_HEADERDATA", curl_easy_setopt(easy, CURLOPT_HEADERDATA, this));
  // The debug callback is the only one that tells when the request went out; it needs VERBOSE
  // and, once set, libcurl prints nothing itself.
  CheckCurl("CURLOPT_DEBUGFUNCTION", curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, OnDebug));
  CheckCurl("CURLOPT_DEBUGDATA", curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this));
  CheckCurl("CURLOPT_VERBOSE", curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L));
  CheckCurl("CURLOPT_RESOLVER_START_FUNCTION",
            curl_easy_setopt(easy, CURLOPT_RESOLVER_START_FUNCTION, OnResolveStart));
  CheckCurl("CURLOPT_RESOLVER_START_DATA",
            curl_easy_setopt(easy, CURLOPT_RESOLVER_START_DATA, this));
  CheckCurl("CURLOPT_SOCKOPTFUNCTION",
            curl_easy_setopt(easy, CURLOPT_SOCKOPTFUNCTION, OnSocketOptions));
  CheckCurl("CURLOPT_SOCKOPTDATA", curl_easy_setopt(easy, CURLOPT_SOCKOPTDATA, this));
  CheckCurl("CURLOPT_PREREQFUNCTION", curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, OnPrerequest));
  CheckCurl("CURLOPT_PREREQDATA", curl_easy_setopt(easy, CURLOPT_PREREQDATA, this));

  CheckCurl("CURLOPT_PROTOCOLS_STR", curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
  CheckCurl("CURLOPT_REDIR_PROTOCOLS_STR",
            curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"));
  CheckCurl("CURLOPT_FOLLOWLOCATION", curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L));
  CheckCurl("CURLOPT_MAXREDIRS", curl_easy_setopt(easy, CURLOPT_MAXREDIRS, options_.max_redirects));
  // libcurl guards every call against SIGPIPE with two changes of the signal's action (thousands
  // of system calls for a large file) unless told not to; that is only safe where the process
  // already ignores SIGPIPE, as fpkestrova does.
  struct sigaction sigpipe {};
  if (::sigaction(SIGPIPE, nullptr, &sigpipe) == 0 && sigpipe.sa_handler == SIG_IGN) {
    CheckCurl("CURLOPT_NOSIGNAL", curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
  }
  // Reads from the socket in pieces as large as the body buffer takes at once.
  CheckCurl("CURLOPT_BUFFERSIZE", curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L * 1024));
  // HTTP/2 where the server offers it over TLS, HTTP/1.1 otherwise; a request waits for a
  // connection that is being set up to tell whether it can carry it as a stream, rather than
  // opening one more.
  CheckCurl("CURLOPT_HTTP_VERSION",
            curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long{CURL_HTTP_VERSION_2TLS}));
  CheckCurl("CURLOPT_PIPEWAIT", curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 1L));
  // A proxy's answer to CONNECT is not the server's header.
  CheckCurl("CURLOPT_SUPPRESS_CONNECT_HEADERS",
            curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L));
  if (!options_.trusted_certificates_file.empty()) {
    CheckCurl("CURLOPT_CAINFO",
              curl_easy_setopt(easy, CURLOPT_CAINFO, options_.trusted_certificates_file.c_str()));
  }
  if (!options_.trusted_certificates_folder.empty()) {
    CheckCurl("CURLOPT_CAPATH",
              curl_easy_setopt(easy, CURLOPT_CAPATH, options_.trusted_certificates_folder.c_str()));
  }
  if (!options_.trusted_certificates_pem.empty()) {
    curl_blob blob{options_.trusted_certificates_pem.data(),
                   options_.trusted_certificates_pem.size(), CURL_BLOB_COPY};
    CheckCurl("CURLOPT_CAINFO_BLOB", curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob));
  }
}

void CurlTransferControl::StartTransport(TransferOperation operation) {
  header_ended_ = false;
  paused_ = false;
  connections_opened_ = 0;
  error_buffer_[0] = '\0';

  CURL* easy = easy_.get();
  if (operation == TransferOperation::kHead) {
    CheckCurl("CURLOPT_NOBODY", curl_easy_setopt(easy, CURLOPT_NOBODY, 1L));
  } else {
    // Also clears NOBODY left over from a "head".
    CheckCurl("CURLOPT_HTTPGET", curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L));
  }
  CheckCurl("CURLOPT_URL", curl_easy_setopt(easy, CURLOPT_URL, address().text.c_str()));
  const long timeout = timeout_seconds();
  CheckCurl("CURLOPT_CONNECTTIMEOUT", curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, timeout));
  // A stall is less than one byte a second over the whole time-out; a long download that keeps
  // arriving is never cut off.
  CheckCurl("CURLOPT_LOW_SPEED_LIMIT",
            curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, timeout > 0 ? 1L : 0L));
  CheckCurl("CURLOPT_LOW_SPEED_TIME", curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, timeout));

  // libcurl asks, through the timer callback, to be run at once: the first states arrive from
  // the next DoEvents.
  CheckCurl("curl_multi_add_handle", curl_multi_add_handle(connections_->multi_.get(), easy));
  attached_ = true;
}

void CurlConnections::CollectDescriptors(std::vector<pollfd>& fds) {
  for (const auto& [socket, events] : sockets_) fds.push_back(pollfd{socket, events, 0});
}

std::optional<std::chrono::milliseconds> CurlConnections::Timeout() const {
  for (const CurlTransferControl* control : controls_) {
    if (control->states().HasPending()) return std::chrono::milliseconds{0};
  }
  if (!deadline_) return std::nullopt;
  const Clock::duration left = std::max(*deadline_ - Clock::now(), Clock::duration{});
  return std::chrono::ceil<std::chrono::milliseconds>(left);
}

void CurlConnections::Dispatch(std::span<const pollfd> fds) {
  int running = 0;
  for (const pollfd& entry : fds) {
    if (entry.revents == 0 || (entry.revents & POLLNVAL) != 0) continue;
    int mask = 0;
    if ((entry.revents & (POLLIN | POLLHUP)) != 0) mask |= CURL_CSELECT_IN;
    if ((entry.revents & POLLOUT) != 0) mask |= CURL_CSELECT_OUT;
    if ((entry.revents & POLLERR) != 0) mask |= CURL_CSELECT_ERR;
    CheckCurl("curl_multi_socket_action",
              curl_multi_socket_action(multi_.get(), entry.fd, mask, &running));
  }
  if (deadline_ && *deadline_ <= Clock::now()) {
    deadline_.reset();  // libcurl sets the next one through the timer callback
    CheckCurl("curl_multi_socket_action",
              curl_multi_socket_action(multi_.get(), CURL_SOCKET_TIMEOUT, 0, &running));
  }
  CollectFinished();
  // A state callback may drop another control of the group: each is looked up again first.
  const std::vector<CurlTransferControl*> controls = controls_;
  for (CurlTransferControl* control : controls) {
    if (std::find(controls_.begin(), controls_.end(), control) != controls_.end()) {
      control->AfterProgress();
    }
  }
}

void CurlConnections::WaitOnce() {
  std::vector<pollfd> fds;
  CollectDescriptors(fds);
  const std::chrono::milliseconds wait =
      std::min(Timeout().value_or(EventPump::kMaxWait), EventPump::kMaxWait);
  if (::poll(fds.data(), fds.size(), static_cast<int>(wait.count())) < 0) {
    if (errno != EINTR) RaiseSystemError("poll", errno);
    for (pollfd& entry : fds) entry.revents = 0;
  }
  Dispatch(fds);
}

void CurlConnections::CollectFinished() {
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
    if (message->msg != CURLMSG_DONE) continue;
    char* owner = nullptr;
    if (curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner) != CURLE_OK ||
        owner == nullptr) {
      continue;
    }
    reinterpret_cast<CurlTransferControl*>(owner)->OnFinished(message->data.result);
  }
}

void CurlTransferControl::AfterProgress() {
  EnforceRateFloor();
  DeliverStates();
}

void CurlTransferControl::WaitForTransport() {
  connections_->WaitOnce();
  connections_->pump_.DispatchCancelRequest();
}

void CurlTransferControl::AbortTransport(AbortReason reason) {
  if (!attached_) return;
  AbandonTransport();
  paused_ = false;
  set_failure_text(reason == AbortReason::kTooSlow ? RateFloorFailureText()
                                                   : "The request was cancelled");
  states().OnFinished(false);
}

void CurlTransferControl::OnFinished(CURLcode result) {
  long verify_result = 0;
  if (result != CURLE_OK &&
      curl_easy_getinfo(easy_.get(), CURLINFO_SSL_VERIFYRESULT, &verify_result) != CURLE_OK) {
    verify_result = 0;
  }
  long version = 0;
  if (curl_easy_getinfo(easy_.get(), CURLINFO_HTTP_VERSION, &version) != CURLE_OK) version = 0;
  multiplexed_ = shared_ && result == CURLE_OK && version == CURL_HTTP_VERSION_2_0;
  // Removing the handle hands its connection back to the cache for the next request.
  AbandonTransport();
  paused_ = false;
  if (result != CURLE_OK) {
    std::string text = error_buffer_[0] != '\0' ? error_buffer_ : curl_easy_strerror(result);
    set_failure_detail(SecurityFailureText(CurlSecurityFailure(result, verify_result, text),
                                           address().host,
                                           "libcurl " + std::to_string(result) + ": " + text));
    set_failure_text(std::move(text));
  }
  states().OnFinished(result == CURLE_OK);
}

void CurlTransferControl::AbandonTransport() noexcept {
  if (!attached_) return;
  curl_multi_remove_handle(connections_->multi_.get(), easy_.get());
  attached_ = false;
}

void CurlTransferControl::ResumeTransport() {
  paused_ = false;
  // libcurl may hand over the held-back piece right here, through OnBody, which pauses again
  // when it still does not fit.
  CheckCurl("curl_easy_pause", curl_easy_pause(easy_.get(), CURLPAUSE_CONT));
}

size_t CurlTransferControl::OnBody(char* data, size_t size, size_t count, void* self) {
  auto& control = *static_cast<CurlTransferControl*>(self);
  const size_t length = size * count;
  control.states().OnResponseBytes();
  if (!control.body().Fits(length)) {
    control.paused_ = true;
    return CURL_WRITEFUNC_PAUSE;  // libcurl keeps the piece and offers it again on resume
  }
  control.body().Append(std::string_view(data, length));
  control.NoteArrived(length);
  return length;
}

size_t CurlTransferControl::OnHeaderLine(char* data, size_t size, size_t count, void* self) {
  auto& control = *static_cast<CurlTransferControl*>(self);
  const size_t length = size * count;
  const std::string_view line(data, length);
  std::string& header = control.header();
  if (line.starts_with("HTTP/")) {
    // Each response of a redirect chain starts a new header: the last one is kept.
    header.clear();
    control.header_ended_ = false;
    control.states().OnResponseBytes();
  }
  control.NoteArrived(length);
  if (control.header_ended_) return length;  // trailers of a chunked body
  header.append(line);
  if (line == "\r\n" || line == "\n") {
    control.header_ended_ = true;
    const std::size_t end = header.find('\r');
    const int status = StatusCode(std::string_view(header).substr(0, end));
    control.states().OnHeaderComplete(status >= 100 && status < 200);
  }
  return length;
}

int CurlTransferControl::OnDebug(CURL*, curl_infotype type, char*, size_t, void* self) {
  if (type == CURLINFO_HEADER_OUT)
    static_cast<CurlTransferControl*>(self)->states().OnRequestSent();
  return 0;
}

int CurlTransferControl::OnResolveStart(void*, void*, void* self) {
  static_cast<CurlTransferControl*>(self)->states().OnResolving();
  return 0;
}

int CurlTransferControl::OnSocketOptions(void* self, curl_socket_t, curlsocktype purpose) {
  if (purpose == CURLSOCKTYPE_IPCXN) {
    auto& control = *static_cast<CurlTransferControl*>(self);
    ++control.connections_opened_;
    control.states().OnConnecting();
  }
  return CURL_SOCKOPT_OK;
}

int CurlTransferControl::OnPrerequest(void* self, char*, char*, int, int) {
  static_cast<CurlTransferControl*>(self)->states().OnRequesting();
  return CURL_PREREQFUNC_OK;
}

int CurlConnections::OnSocket(CURL*, curl_socket_t socket, int what, void* self, void*) {
  auto& control = *static_cast<CurlConnections*>(self);
  if (what == CURL_POLL_REMOVE) {
    control.sockets_.erase(socket);
    return 0;
  }
  int events = 0;
  if ((what & CURL_POLL_IN) != 0) events |= POLLIN;
  if ((what & CURL_POLL_OUT) != 0) events |= POLLOUT;
  control.sockets_[socket] = static_cast<short>(events);
  return 0;
}

int CurlConnections::OnTimer(CURLM*, long timeout_ms, void* self) {
  auto& control = *static_cast<CurlConnections*>(self);
  if (timeout_ms < 0) {
    control.deadline_.reset();
  } else {
    control.deadline_ = Clock::now() + std::chrono::milliseconds{timeout_ms};
  }
  return 0;
}

}  // namespace kestrova
