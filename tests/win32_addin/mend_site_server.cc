#include "tests/win32_addin/mend_site_server.h"

#include <ws2tcpip.h>

#include <chrono>
#include <stdexcept>
#include <utility>

namespace kestrova::testing {
namespace {

constexpr long kPollMicroseconds = 50 * 1000;
// A client that sends no whole request header within this time loses the connection.
constexpr std::chrono::seconds kRequestLimit{5};
constexpr std::size_t kMaxRequestHeader = 16 * 1024;

// Winsock for the life of one user; Winsock counts the starts.
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

WinsockUse& Winsock() {
  static WinsockUse winsock;  // for the whole program: the add-in's WinINet uses it too
  return winsock;
}

// Waits up to one poll for socket to become readable.
bool Readable(SOCKET socket) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  timeval wait{0, kPollMicroseconds};
  return select(0, &readable, nullptr, nullptr, &wait) > 0;
}

// A socket bound to a free port of 127.0.0.1; the port is written to port.
SOCKET BindLoopback(int& port) {
  Winsock();
  const SOCKET bound = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (bound == INVALID_SOCKET) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (bind(bound, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(bound);
    throw std::runtime_error("cannot bind to 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  return bound;
}

void SendAll(SOCKET connection, std::string_view data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const int wrote = send(connection, data.data() + sent, static_cast<int>(data.size() - sent), 0);
    if (wrote <= 0) return;
    sent += static_cast<std::size_t>(wrote);
  }
}

}  // namespace

MendSiteServer::MendSiteServer() {
  listener_ = BindLoopback(port_);
  if (listen(listener_, 16) != 0) {
    closesocket(listener_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

MendSiteServer::~MendSiteServer() {
  stopping_ = true;
  acceptor_.join();
  closesocket(listener_);
}

void MendSiteServer::Serve(std::string path, std::string body) {
  const std::lock_guard lock(mutex_);
  bodies_[std::move(path)] = std::move(body);
}

std::string MendSiteServer::Url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> MendSiteServer::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

void MendSiteServer::AcceptLoop() {
  while (!stopping_) {
    if (!Readable(listener_)) continue;
    const SOCKET connection = accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    Answer(connection);
    shutdown(connection, SD_SEND);
    closesocket(connection);
  }
}

void MendSiteServer::Answer(SOCKET connection) {
  std::string request;
  const auto deadline = std::chrono::steady_clock::now() + kRequestLimit;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (stopping_ || request.size() > kMaxRequestHeader ||
        std::chrono::steady_clock::now() > deadline) {
      return;
    }
    if (!Readable(connection)) continue;
    const int got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  const std::size_t method_end = request.find(' ');
  const std::size_t path_end = request.find(' ', method_end + 1);
  if (method_end == std::string::npos || path_end == std::string::npos) return;
  const std::string method = request.substr(0, method_end);
  const std::string path = request.substr(method_end + 1, path_end - method_end - 1);

  std::string status = "404 Not Found";
  std::string body = "not here\n";
  {
    const std::lock_guard lock(mutex_);
    requests_.push_back(method + " " + path);
    const auto found = bodies_.find(path);
    if (found != bodies_.end()) {
      status = "200 OK";
      body = found->second;
    }
  }
  std::string answer = "HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  if (method != "HEAD") answer += body;
  SendAll(connection, answer);
}

int RefusingLoopbackPort() {
  int port = 0;
  closesocket(BindLoopback(port));
  return port;
}

}  // namespace kestrova::testing
