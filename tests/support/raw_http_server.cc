#include "tests/support/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <utility>

namespace kestrova::testing {
namespace {

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

// A TCP socket bound to 127.0.0.1 on a free port; returns the port.
int BindLoopback(const UniqueFd& socket) {
  sockaddr_in address = LoopbackAddress(0);
  if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("bind to 127.0.0.1 failed");
  }
  socklen_t length = sizeof address;
  if (::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("getsockname failed");
  }
  return ntohs(address.sin_port);
}

std::string LoopbackUrl(int port, std::string_view path) {
  return "http://127.0.0.1:" + std::to_string(port) + std::string(path);
}

// Whether fd becomes readable within timeout.
bool WaitReadable(int fd, std::chrono::milliseconds timeout) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, static_cast<int>(timeout.count())) > 0;
}

// Closing with a zero linger time sends RST instead of FIN.
void ResetOnClose(const UniqueFd& connection) {
  const linger hard{1, 0};
  ::setsockopt(connection.get(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

}  // namespace

RawHttpServer::RawHttpServer(std::string response, Ending ending, std::chrono::milliseconds pause)
    : response_(std::move(response)), ending_(ending), pause_(pause) {
  Listen();
}

RawHttpServer::RawHttpServer(int server_port, Others others)
    : server_port_(server_port), others_(others) {
  Listen();
}

void RawHttpServer::Listen() {
  listener_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!listener_.valid()) throw std::runtime_error("socket failed");
  port_ = BindLoopback(listener_);
  if (::listen(listener_.get(), 128) != 0) throw std::runtime_error("listen failed");
  thread_ = std::thread([this] { Serve(); });
}

RawHttpServer::~RawHttpServer() {
  stopping_ = true;
  thread_.join();
}

std::string RawHttpServer::Url(std::string_view path) const { return LoopbackUrl(port_, path); }

void RawHttpServer::Serve() {
  // Wakes every 50 ms to see whether the test is over.
  while (!stopping_) {
    if (!WaitReadable(listener_.get(), std::chrono::milliseconds{50})) continue;
    UniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!connection.valid()) continue;
    ++connections_;
    if (server_port_ != 0) {
      Relay(std::move(connection));
    } else {
      Answer(std::move(connection));
    }
  }
}

void RawHttpServer::Answer(UniqueFd connection) {
  // Read the request header (the tests send requests without bodies), 5 s at most.
  std::string request;
  char buffer[4096];
  for (int round = 0; round < 100 && request.find("\r\n\r\n") == std::string::npos; ++round) {
    if (!WaitReadable(connection.get(), std::chrono::milliseconds{50})) continue;
    const ssize_t got = ::recv(connection.get(), buffer, sizeof buffer, 0);
    if (got <= 0) return;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  std::size_t sent = 0;
  while (sent < response_.size()) {
    const ssize_t wrote =
        ::send(connection.get(), response_.data() + sent, response_.size() - sent, MSG_NOSIGNAL);
    if (wrote <= 0) return;
    sent += static_cast<std::size_t>(wrote);
  }
  std::this_thread::sleep_for(pause_);
  if (ending_ == Ending::kReset) ResetOnClose(connection);
  // The connection closes (FIN, or RST after the linger change) as it goes out of scope.
}

void RawHttpServer::Relay(UniqueFd client) {
  UniqueFd server(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const sockaddr_in address = LoopbackAddress(server_port_);
  if (::connect(server.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    return;
  }
  const bool resetting = others_ == Others::kReset;
  char buffer[16384];
  while (!stopping_) {
    pollfd fds[3] = {
        {client.get(), POLLIN, 0}, {server.get(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
    if (::poll(fds, resetting ? 3 : 2, 50) <= 0) continue;
    if (resetting && (fds[2].revents & POLLIN) != 0) {
      UniqueFd other(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
      if (other.valid()) {
        ResetOnClose(other);
        ++reset_;
      }
    }
    for (int side = 0; side < 2; ++side) {
      if (fds[side].revents == 0) continue;
      const ssize_t got = ::recv(fds[side].fd, buffer, sizeof buffer, 0);
      if (got <= 0) return;  // either side closed: so does the relay
      if (::send(fds[1 - side].fd, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL) != got) {
        return;
      }
    }
  }
}

RefusingPort::RefusingPort() {
  socket_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket_.valid()) throw std::runtime_error("socket failed");
  port_ = BindLoopback(socket_);
}

std::string RefusingPort::Url(std::string_view path) const { return LoopbackUrl(port_, path); }

}  // namespace kestrova::testing
