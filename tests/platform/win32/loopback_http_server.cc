#include "tests/platform/win32/loopback_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "base/ascii.h"

namespace kestrova::testing {
namespace {

constexpr std::chrono::milliseconds kPoll{50};
// A connection that stays silent this long is closed by the server.
constexpr std::chrono::seconds kIdleLimit{30};
constexpr std::size_t kMaxRequestHeader = 64 * 1024;

// Winsock for the life of one server.
class WinsockUse {
 public:
  WinsockUse() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  }
  ~WinsockUse() { WSACleanup(); }
  WinsockUse(const WinsockUse&) = delete;
  WinsockUse& operator=(const WinsockUse&) = delete;
};

void MakeNonBlocking(SOCKET socket) {
  u_long on = 1;
  ioctlsocket(socket, static_cast<long>(FIONBIO), &on);
}

// Closing with a zero linger time sends a reset (RST) instead of an orderly close.
void Reset(SOCKET socket) {
  const linger hard{1, 0};
  setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
}

std::string_view ReasonPhrase(int status) {
  static const std::map<int, std::string_view> kPhrases = {{200, "OK"},
                                                           {302, "Found"},
                                                           {400, "Bad Request"},
                                                           {403, "Forbidden"},
                                                           {407, "Proxy Authentication Required"},
                                                           {404, "Not Found"},
                                                           {500, "Internal Server Error"},
                                                           {508, "Loop Detected"}};
  const auto found = kPhrases.find(status);
  return found == kPhrases.end() ? "Unknown" : found->second;
}

std::string Header(int status, std::size_t length, std::string_view extra = {}) {
  std::string header = "HTTP/1.1 ";
  header.append(std::to_string(status)).append(" ").append(ReasonPhrase(status));
  header.append("\r\nContent-Type: text/plain\r\nContent-Length: ");
  header.append(std::to_string(length)).append("\r\n").append(extra).append("\r\n");
  return header;
}

// One connection's socket, closed when the serving thread is done with it.
class SocketOwner {
 public:
  explicit SocketOwner(SOCKET socket) : socket_(socket) {}
  ~SocketOwner() { closesocket(socket_); }
  SocketOwner(const SocketOwner&) = delete;
  SocketOwner& operator=(const SocketOwner&) = delete;

 private:
  SOCKET socket_;
};

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() {
  static WinsockUse winsock;  // for the whole test program: the control's WinINet uses it too
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      listen(listener_, 16) != 0) {
    closesocket(listener_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  ReleaseSlowAnswers();
  stopping_ = true;
  acceptor_.join();
  closesocket(listener_);
  std::vector<std::thread> workers;
  {
    const std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (std::thread& worker : workers) worker.join();
}

std::string LoopbackHttpServer::Url(std::string_view path, std::string_view scheme) const {
  return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void LoopbackHttpServer::ReleaseSlowAnswers() {
  {
    const std::lock_guard lock(mutex_);
    released_ = true;
  }
  released_changed_.notify_all();
}

bool LoopbackHttpServer::WaitReadable(SOCKET socket, std::chrono::milliseconds timeout) const {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!stopping_ && std::chrono::steady_clock::now() < end) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval wait{0, static_cast<long>(kPoll.count() * 1000)};
    const int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready != 0) return ready > 0;
  }
  return false;
}

void LoopbackHttpServer::AcceptLoop() {
  while (!stopping_) {
    if (!WaitReadable(listener_, kPoll)) continue;
    const SOCKET connection = accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    MakeNonBlocking(connection);
    const std::lock_guard lock(mutex_);
    workers_.emplace_back([this, connection] { Serve(connection); });
  }
}

bool LoopbackHttpServer::SendAll(SOCKET connection, std::string_view data) const {
  std::size_t sent = 0;
  // Bounded: a client that reads nothing for 20 s loses the connection.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds{20};
  while (sent < data.size()) {
    if (stopping_ || std::chrono::steady_clock::now() > end) return false;
    const int chunk = static_cast<int>(std::min<std::size_t>(data.size() - sent, 64 * 1024));
    const int wrote = send(connection, data.data() + sent, chunk, 0);
    if (wrote > 0) {
      sent += static_cast<std::size_t>(wrote);
      continue;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(connection, &writable);
    timeval wait{0, static_cast<long>(kPoll.count() * 1000)};
    select(0, nullptr, &writable, nullptr, &wait);
  }
  return true;
}

void LoopbackHttpServer::Serve(SOCKET connection) {
  const SocketOwner owner(connection);
  std::string pending;
  bool counted = false;
  char buffer[4096];
  for (int served = 0; served < 10000 && !stopping_; ++served) {
    // Read one request header.
    std::size_t header_end = pending.find("\r\n\r\n");
    while (header_end == std::string::npos) {
      if (pending.size() > kMaxRequestHeader || !WaitReadable(connection, kIdleLimit)) return;
      const int got = recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) {
        if (got < 0 && WSAGetLastError() == WSAEWOULDBLOCK) continue;
        return;  // the client closed or reset the connection
      }
      pending.append(buffer, static_cast<std::size_t>(got));
      if (pending[0] == '\x16') break;  // a TLS handshake
      header_end = pending.find("\r\n\r\n");
    }
    if (!pending.empty() && pending[0] == '\x16') {
      SendAll(connection, Header(400, 0, "Connection: close\r\n"));
      return;
    }
    const std::string request = pending.substr(0, header_end);
    pending.erase(0, header_end + 4);
    if (!counted) {
      counted = true;
      ++connections_with_requests_;
    }
    ++requests_;
    const std::size_t method_end = request.find(' ');
    const std::size_t path_end = request.find(' ', method_end + 1);
    const std::size_t line_end = request.find("\r\n");
    if (method_end == std::string::npos || path_end == std::string::npos) return;
    const std::string method = request.substr(0, method_end);
    const std::string path = request.substr(method_end + 1, path_end - method_end - 1);
    {
      std::lock_guard lock(mutex_);
      request_lines_.push_back(method + " " + path);
      request_headers_.push_back(request);
    }
    const std::string_view version =
        std::string_view(request).substr(path_end + 1, line_end - path_end - 1);
    const bool keep_alive =
        version == "HTTP/1.1" &&
        FindIgnoringCase(request, "connection: close") == std::string_view::npos;
    if (!Answer(connection, method, path) || !keep_alive) return;
  }
}

void LoopbackHttpServer::Serve(std::string path, std::string body) {
  std::lock_guard lock(mutex_);
  served_.insert_or_assign(std::move(path), std::move(body));
}

void LoopbackHttpServer::ServeLate(std::string path, std::string body) {
  std::lock_guard lock(mutex_);
  served_late_.insert_or_assign(std::move(path), std::move(body));
}

std::vector<std::string> LoopbackHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return request_lines_;
}

std::vector<std::string> LoopbackHttpServer::RequestHeaders() const {
  std::lock_guard lock(mutex_);
  return request_headers_;
}

int RefusingLoopbackPort() {
  // A server's port, once the server has gone: it was free and nothing listens on it now.
  return LoopbackHttpServer().port();
}

void LoopbackHttpServer::WaitForRelease() {
  std::unique_lock lock(mutex_);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds{10};
  while (!released_ && !stopping_ && std::chrono::steady_clock::now() < end) {
    released_changed_.wait_for(lock, kPoll);
  }
}

bool LoopbackHttpServer::Answer(SOCKET connection, std::string_view method, std::string_view path) {
  const bool head = method == "HEAD";
  const auto fixed = [&](int status, std::string_view body, std::string_view extra = {}) {
    std::string answer = Header(status, body.size(), extra);
    if (!head) answer += body;
    return SendAll(connection, answer);
  };
  if (path.starts_with("http://")) {
    return fixed(407, kProxyPasswordBody, "Proxy-Authenticate: Basic realm=\"loopback\"\r\n");
  }
  {
    std::unique_lock lock(mutex_);
    if (const auto served = served_.find(path); served != served_.end()) {
      const std::string body = served->second;
      lock.unlock();
      return fixed(200, body);
    }
    if (const auto late = served_late_.find(path); late != served_late_.end()) {
      const std::string body = late->second;
      lock.unlock();
      WaitForRelease();
      return fixed(200, body);
    }
  }
  if (path == "/ok") return fixed(200, kOkBody);
  if (path == "/missing") return fixed(404, kMissingBody);
  if (path == "/forbidden") return fixed(403, kForbiddenBody);
  if (path == "/broken") return fixed(500, kBrokenBody);
  if (path == "/with%20space") return fixed(200, kSpacedBody);
  if (path == "/moved") return fixed(302, "moved\n", "Location: /ok\r\n");
  if (path == "/moved-twice") return fixed(302, "moved\n", "Location: /moved\r\n");
  if (path == "/to-https") {
    return fixed(302, "moved\n",
                 "Location: https://localhost:" + std::to_string(port_) + "/ok\r\n");
  }
  if (path == "/loop") {
    if (++loops_ > kLoopLimit) return fixed(508, "loop\n");
    return fixed(302, "loop\n", "Location: /loop\r\n");
  }
  if (path == "/slow") {
    WaitForRelease();
    return fixed(200, "late\n");
  }
  if (path == "/exact") {
    SendAll(connection, std::string(kExactHeader) + "hello");
    return false;
  }
  if (path == "/truncated") {
    SendAll(connection, Header(200, kTruncatedLength) + std::string(kTruncatedSent, 'x'));
    return false;
  }
  if (path == "/reset") {
    Reset(connection);
    return false;
  }
  if (path == "/reset-in-body") {
    SendAll(connection, Header(200, 100000) + std::string(kResetPartial, 'p'));
    std::this_thread::sleep_for(std::chrono::milliseconds{300});
    Reset(connection);
    return false;
  }
  if (path == "/cut-large") {
    SendAll(connection, Header(200, 300000) + std::string(kCutSent, 'b'));
    return false;
  }
  if (path == "/large") {
    if (!SendAll(connection,
                 Header(200, kLargeLength, "Content-Type: application/octet-stream\r\n")))
      return false;
    if (head) return true;
    std::string piece(kLargePiece, '\0');
    for (std::size_t offset = 0; offset < kLargeLength; offset += kLargePiece) {
      for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = LargeBodyByte(offset + i);
      if (!SendAll(connection, piece)) return false;
    }
    return true;
  }
  if (path == "/crawl") {
    if (!SendAll(connection, Header(200, kCrawlLength))) return false;
    if (head) return true;
    for (std::size_t n = 0; n < kCrawlLength && !stopping_; ++n) {
      if (n > 0) std::this_thread::sleep_for(kCrawlGap);
      if (!SendAll(connection, "c")) return false;
    }
    return false;
  }
  if (path == "/trickle") {
    if (!SendAll(connection, Header(200, kTricklePieces * kTricklePiece))) return false;
    if (head) return true;
    std::string piece(kTricklePiece, '\0');
    for (std::size_t n = 0; n < kTricklePieces; ++n) {
      if (n > 0) std::this_thread::sleep_for(kTrickleGap);
      for (std::size_t i = 0; i < piece.size(); ++i)
        piece[i] = LargeBodyByte(n * kTricklePiece + i);
      if (!SendAll(connection, piece)) return false;
    }
    return true;
  }
  return fixed(404, kMissingBody);
}

}  // namespace kestrova::testing
