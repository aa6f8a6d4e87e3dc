#include "platform/transfer/win32/wininet_transfer_control.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "base/ascii.h"
#include "base/failure.h"
#include "platform/pump/event_pump.h"
#include "platform/win32/com/com_failure.h"
#include "platform/win32/wide_text.h"

namespace kestrova::win32 {
namespace {

// WinINet's text for one of its error codes, or the system's for any other code.
std::string DescribeError(DWORD error) {
  wchar_t* buffer = nullptr;
  const HMODULE wininet = GetModuleHandleW(L"wininet.dll");
  DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  if (wininet != nullptr && error >= INTERNET_ERROR_BASE && error <= INTERNET_ERROR_LAST) {
    flags |= FORMAT_MESSAGE_FROM_HMODULE;
  }
  const DWORD length =
      FormatMessageW(flags, wininet, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring message(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!message.empty() &&
         (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
    message.pop_back();
  }
  char number[48];
  std::snprintf(number, sizeof number, "WinINet error %lu", static_cast<unsigned long>(error));
  return message.empty() ? std::string(number) : std::string(number) + ": " + Utf8FromWide(message);
}

// A header of the current response as text; empty when it has none.
std::string QueryText(HINTERNET request, DWORD info) {
  DWORD length = 0;
  if (HttpQueryInfoA(request, info, nullptr, &length, nullptr) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return {};
  }
  std::string text(length, '\0');
  if (!HttpQueryInfoA(request, info, text.data(), &length, nullptr)) return {};
  text.resize(std::min<std::size_t>(length, text.size()));
  return text;
}

std::optional<std::uint64_t> ParseLength(std::string_view text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

}  // namespace

WinInetTransferControl::WinInetTransferControl(Win32EventPump& pump)
    : WinInetTransferControl(pump, Options{}) {}

WinInetTransferControl::WinInetTransferControl(Win32EventPump& pump, Options options)
    : TransferCore(options.body_buffer_capacity, options.rate_floor),
      pump_(pump),
      options_(std::move(options)),
      channel_(std::make_shared<TransferChannel>(pump.wake_event())) {
  const bool proxy = !options_.proxy.empty();
  session_.reset(InternetOpenW(
      options_.user_agent.c_str(), proxy ? DWORD{INTERNET_OPEN_TYPE_PROXY} : options_.access_type,
      proxy ? options_.proxy.c_str() : nullptr,
      proxy && !options_.proxy_bypass.empty() ? options_.proxy_bypass.c_str() : nullptr,
      INTERNET_FLAG_ASYNC));
  if (!session_) throw FailureFromWin32Error(GetLastError(), "InternetOpenW");
  // Handles opened on the session take its callback over.
  if (InternetSetStatusCallbackW(session_.get(), RequestContext::OnStatus) ==
      INTERNET_INVALID_STATUS_CALLBACK) {
    throw FailureFromWin32Error(GetLastError(), "InternetSetStatusCallbackW");
  }
  pump_.AddSource(*this);
}

WinInetTransferControl::~WinInetTransferControl() {
  pump_.RemoveSource(*this);
  channel_->Close();
  CloseRequest();
  session_.reset();
}

void WinInetTransferControl::StartTransport(TransferOperation operation) {
  failure_code_ = 0;
  expected_size_.reset();
  received_size_ = 0;
  requests_sent_ = 0;
  head_ = operation == TransferOperation::kHead;
  ++request_id_;
  phase_ = Phase::kSending;
  last_progress_ = Clock::now();

  // Everything below only starts work: its outcome, failures included, arrives as notifications
  // and reaches the state callback from the pump.
  context_ = std::make_shared<RequestContext>(channel_, request_id_);
  const RequestAddress& target = address();
  const std::wstring host = WideFromUtf8(target.host);
  const std::wstring user = WideFromUtf8(target.user);
  const std::wstring password = WideFromUtf8(target.password);
  connect_.reset(InternetConnectW(session_.get(), host.c_str(), target.port,
                                  user.empty() ? nullptr : user.c_str(),
                                  password.empty() ? nullptr : password.c_str(),
                                  INTERNET_SERVICE_HTTP, 0, context_->AsContext()));
  if (!connect_) {
    Fail(GetLastError());
    return;
  }
  context_->KeepAliveFor(connect_.get());
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI |
                INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  if (target.secure) flags |= INTERNET_FLAG_SECURE;
  const std::wstring object = WideFromUtf8(target.object);
  const wchar_t* accept_types[] = {L"*/*", nullptr};
  request_.reset(HttpOpenRequestW(connect_.get(), head_ ? L"HEAD" : L"GET", object.c_str(), nullptr,
                                  nullptr, accept_types, flags, context_->AsContext()));
  if (!request_) {
    Fail(GetLastError());
    return;
  }
  context_->KeepAliveFor(request_.get());

  const DWORD milliseconds =
      timeout_seconds() > 0 ? static_cast<DWORD>(timeout_seconds()) * 1000 : 0xFFFFFFFF;
  for (const DWORD option :
       {DWORD{INTERNET_OPTION_CONNECT_TIMEOUT}, DWORD{INTERNET_OPTION_SEND_TIMEOUT},
        DWORD{INTERNET_OPTION_RECEIVE_TIMEOUT}}) {
    // The control's own deadline applies even where WinINet does not take the option.
    DWORD value = milliseconds;
    InternetSetOptionW(request_.get(), option, &value, sizeof value);
  }

  // A caching proxy between here and the site must pass every request on: a stale inventory
  // would make the add-in skip a download that is due.
  static constexpr wchar_t kNoCacheHeaders[] = L"Pragma: no-cache\r\nCache-Control: no-cache\r\n";
  if (HttpSendRequestW(request_.get(), kNoCacheHeaders, static_cast<DWORD>(-1), nullptr, 0)) {
    // Completed at once: no notification follows, so the control posts its own.
    channel_->Post(TransferNotice{request_id_, INTERNET_STATUS_REQUEST_COMPLETE, 0, true});
  } else if (const DWORD error = GetLastError(); error != ERROR_IO_PENDING) {
    Fail(error);
  }
}

bool WinInetTransferControl::Active() const noexcept {
  return phase_ == Phase::kSending || phase_ == Phase::kQuerying || phase_ == Phase::kReading;
}

void WinInetTransferControl::WaitForTransport() {
  if (Active()) {
    DWORD wait = static_cast<DWORD>(EventPump::kMaxWait.count());
    if (const std::optional<Clock::time_point> deadline = Deadline()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(
          std::max(*deadline - Clock::now(), Clock::duration{}));
      wait = std::min(wait, static_cast<DWORD>(left.count()));
    }
    channel_->Wait(wait);
  }
  Advance();
  pump_.DispatchCancelRequest();
}

void WinInetTransferControl::AbortTransport(AbortReason reason) {
  if (phase_ == Phase::kIdle) return;
  Fail(reason == AbortReason::kTooSlow ? DWORD{ERROR_INTERNET_TIMEOUT}
                                       : DWORD{ERROR_INTERNET_OPERATION_CANCELLED});
}

std::optional<std::chrono::milliseconds> WinInetTransferControl::Timeout() const {
  if (states().HasPending() || channel_->HasPending()) return std::chrono::milliseconds{0};
  const std::optional<Clock::time_point> deadline = Deadline();
  if (!deadline) return std::nullopt;
  const Clock::duration left = std::max(*deadline - Clock::now(), Clock::duration{});
  return std::chrono::ceil<std::chrono::milliseconds>(left);
}

void WinInetTransferControl::Dispatch() { Advance(); }

std::optional<WinInetTransferControl::Clock::time_point> WinInetTransferControl::Deadline() const {
  if (!Active() || timeout_seconds() == 0) return std::nullopt;
  return last_progress_ + std::chrono::seconds{timeout_seconds()};
}

void WinInetTransferControl::Advance() {
  for (const TransferNotice& notice : channel_->TakeAll()) {
    // Late word of an abandoned request, or of one that has already ended, changes nothing.
    if (notice.request != request_id_ || phase_ == Phase::kIdle) continue;
    HandleNotice(notice);
  }
  if (const std::optional<Clock::time_point> deadline = Deadline();
      deadline && Clock::now() >= *deadline) {
    Fail(ERROR_INTERNET_TIMEOUT);
  }
  EnforceRateFloor();
  DeliverStates();
}

void WinInetTransferControl::HandleNotice(const TransferNotice& notice) {
  last_progress_ = Clock::now();
  if (notice.status == INTERNET_STATUS_SENDING_REQUEST &&
      ++requests_sent_ > options_.max_redirects + 1) {
    Fail(ERROR_HTTP_REDIRECT_FAILED,
         "More than " + std::to_string(options_.max_redirects) + " redirects");
    return;
  }
  if (notice.status != INTERNET_STATUS_REQUEST_COMPLETE) {
    OnStatus(notice.status, notice.value);
    return;
  }
  if (!notice.succeeded) {
    Fail(notice.value != 0 ? notice.value : static_cast<DWORD>(ERROR_INTERNET_INTERNAL_ERROR));
    return;
  }
  switch (phase_) {
    case Phase::kSending:
      OnSendCompleted();
      break;
    case Phase::kQuerying:
      PullBody();  // bytes have arrived: the query now answers at once
      break;
    case Phase::kReading:
      TakePiece(context_->buffers.dwBufferLength);
      if (phase_ == Phase::kReading) PullBody();
      break;
    default:
      break;
  }
}

void WinInetTransferControl::OnStatus(DWORD status, DWORD count) {
  TransferStateSequencer& sequencer = states();
  switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME:
      sequencer.OnResolving();
      break;
    case INTERNET_STATUS_NAME_RESOLVED:
      sequencer.OnResolved();
      break;
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
      sequencer.OnConnecting();
      break;
    case INTERNET_STATUS_SENDING_REQUEST:
      sequencer.OnRequesting();
      break;
    case INTERNET_STATUS_REQUEST_SENT:
      sequencer.OnRequestSent();
      break;
    case INTERNET_STATUS_RESPONSE_RECEIVED:
      // 40 only starts the wait for the answer; 41 tells how many of its bytes arrived.
      if (count > 0) sequencer.OnResponseBytes();
      break;
    case INTERNET_STATUS_REDIRECT:
      // The redirecting answer's header was read; the next leg begins with its own first step.
      sequencer.OnHeaderComplete();
      break;
    default:
      // 21 is reported with the request that goes over the connection; 40, 50, 51 and the
      // handle notifications have no state.
      break;
  }
}

void WinInetTransferControl::OnSendCompleted() {
  HINTERNET request = request_.get();
  header() = QueryText(request, HTTP_QUERY_RAW_HEADERS_CRLF);
  NoteArrived(header().size());
  states().OnHeaderComplete();
  if (head_) {
    Succeed();
    return;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
  const bool no_body = status == HTTP_STATUS_NO_CONTENT || status == HTTP_STATUS_NOT_MODIFIED;
  const bool chunked = FindIgnoringCase(QueryText(request, HTTP_QUERY_TRANSFER_ENCODING),
                                        "chunked") != std::string::npos;
  if (!no_body && !chunked)
    expected_size_ = ParseLength(QueryText(request, HTTP_QUERY_CONTENT_LENGTH));
  PullBody();
}

void WinInetTransferControl::PullBody() {
  // Every round takes at least one byte into the buffer or ends the loop, so it ends at the
  // latest when the buffer is full.
  for (;;) {
    if (body().Room() == 0) {
      phase_ = Phase::kPaused;
      return;
    }
    phase_ = Phase::kQuerying;
    context_->available = 0;
    if (!InternetQueryDataAvailable(request_.get(), &context_->available, 0, 0)) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) Fail(error);
      return;  // REQUEST_COMPLETE follows once bytes have arrived
    }
    const DWORD available = context_->available;
    if (available == 0) {
      OnBodyEnd();
      return;
    }
    const DWORD wanted = static_cast<DWORD>(
        std::min<std::size_t>({available, body().Room(), RequestContext::kPieceSize}));
    INTERNET_BUFFERSA& buffers = context_->buffers;
    buffers = INTERNET_BUFFERSA{};
    buffers.dwStructSize = sizeof buffers;
    buffers.lpvBuffer = context_->piece.data();
    buffers.dwBufferLength = wanted;
    phase_ = Phase::kReading;
    if (!InternetReadFileExA(request_.get(), &buffers, 0, context_->AsContext())) {
      const DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) Fail(error);
      return;  // REQUEST_COMPLETE follows with the bytes in the buffers
    }
    TakePiece(buffers.dwBufferLength);
    if (phase_ != Phase::kReading) return;
  }
}

void WinInetTransferControl::TakePiece(DWORD count) {
  if (count == 0) {
    OnBodyEnd();
    return;
  }
  const std::size_t size = std::min<std::size_t>(count, context_->piece.size());
  body().Append(std::string_view(context_->piece.data(), size));
  NoteArrived(size);
  received_size_ += size;
}

void WinInetTransferControl::OnBodyEnd() {
  // WinINet ends the body where the connection ended; a body shorter than announced is cut off.
  if (expected_size_ && received_size_ < *expected_size_) {
    Fail(ERROR_INTERNET_CONNECTION_ABORTED,
         "The connection ended after " + std::to_string(received_size_) + " of " +
             std::to_string(*expected_size_) + " bytes of the body");
    return;
  }
  Succeed();
}

void WinInetTransferControl::Succeed() {
  CloseRequest();
  phase_ = Phase::kIdle;
  states().OnFinished(true);
}

void WinInetTransferControl::Fail(DWORD error, std::string text) {
  // A site that sends http to https elsewhere fails on the redirect's leg: that host is the one
  // the user must hear of.
  const RequestAddress leg = CurrentAddress();
  CloseRequest();
  phase_ = Phase::kIdle;
  failure_code_ = error;
  set_failure_text(WithOfflineNamed(text.empty() ? DescribeError(error) : std::move(text),
                                    WinInetWorksOffline()));
  set_failure_detail(WinInetSecurityDetail(error, leg.host, leg.secure));
  states().OnFinished(false);
}

RequestAddress WinInetTransferControl::CurrentAddress() const {
  wchar_t url[INTERNET_MAX_URL_LENGTH + 1] = {};
  DWORD size = sizeof url;
  if (request_ && InternetQueryOptionW(request_.get(), INTERNET_OPTION_URL, url, &size)) {
    if (auto current = ParseRequestAddress(Utf8FromWide(url))) return *std::move(current);
  }
  return address();
}

void WinInetTransferControl::CloseRequest() noexcept {
  // Each handle keeps the context until WinINet reports it closing, inside these calls or later.
  request_.reset();
  connect_.reset();
  context_.reset();
}

void WinInetTransferControl::ResumeTransport() {
  last_progress_ = Clock::now();  // the time-out counts from here, not from the pause
  PullBody();
}

std::string WinInetSecurityDetail(DWORD error, std::string_view host, bool secure) {
  SecurityFailure kind = SecurityFailure::kNone;
  switch (error) {
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
      kind = SecurityFailure::kUntrusted;
      break;
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
      kind = SecurityFailure::kWrongName;
      break;
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
      kind = SecurityFailure::kOutOfDate;
      break;
    case ERROR_INTERNET_SEC_CERT_REVOKED:
      kind = SecurityFailure::kRevoked;
      break;
    case ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED:
      kind = SecurityFailure::kHandshake;
      break;
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
    case ERROR_INTERNET_CANNOT_CONNECT:
    case ERROR_INTERNET_CONNECTION_RESET:
    case ERROR_INTERNET_CONNECTION_ABORTED:
      // On an https leg, a handshake that Windows could not make ends one way or another of
      // these; on a plain one they are no matter of security.
      if (!secure) return {};
      kind = SecurityFailure::kNoSecureChannel;
      break;
    default:
      return {};
  }
  return SecurityFailureText(kind, host, DescribeError(error));
}

int WinInetConnectionsPerServer(int most) {
  DWORD limit = 0;
  DWORD size = sizeof(limit);
  if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &limit, &size) ||
      limit == 0) {
    return 1;
  }
  return static_cast<int>(std::min<DWORD>(limit, static_cast<DWORD>(std::max(most, 1))));
}

bool WinInetWorksOffline() {
  DWORD state = 0;
  DWORD size = sizeof state;
  return InternetQueryOptionW(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &size) &&
         (state & INTERNET_STATE_DISCONNECTED_BY_USER) != 0;
}

std::string WithOfflineNamed(std::string failure, bool offline) {
  if (!offline) return failure;
  return failure +
         ". Windows is set to work offline (\"Work Offline\" on Internet Explorer's File menu): "
         "switch it off, then publish again";
}

}  // namespace kestrova::win32
