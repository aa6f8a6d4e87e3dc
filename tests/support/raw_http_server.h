// A loopback server of raw sockets, for what a regular HTTP server will not do: it answers every
// connection with fixed bytes and then ends it as told (an exact header, a connection reset), or
// stands in front of an HTTP server, serving one connection at a time.
#ifndef KESTROVA_TESTS_SUPPORT_RAW_HTTP_SERVER_H_
#define KESTROVA_TESTS_SUPPORT_RAW_HTTP_SERVER_H_

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>

#include "platform/posix/unique_fd.h"

namespace kestrova::testing {

class RawHttpServer {
 public:
  enum class Ending {
    kClose,  // an orderly close after the bytes
    kReset,  // a reset (RST) after the bytes and the pause
  };
  enum class Others { kReset, kWait };

  // Listens on a free port of 127.0.0.1. For each connection it reads the request header, sends
  // response, waits pause (so the client has read it), and ends the connection.
  RawHttpServer(std::string response, Ending ending,
                std::chrono::milliseconds pause = std::chrono::milliseconds{0});
  // A front to the server on server_port that serves one connection at a time, as shared hosting
  // that limits connections per client does: it relays one client connection to a new connection
  // to the server behind, and while it does, it resets every other client connection at once, or
  // leaves them waiting, unaccepted, until the one it serves closes.
  RawHttpServer(int server_port, Others others);
  ~RawHttpServer();

  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  std::string Url(std::string_view path) const;
  // Connections answered or relayed so far.
  int connections() const { return connections_.load(); }
  // Client connections the front reset so far.
  int reset() const { return reset_.load(); }

 private:
  void Listen();
  void Serve();
  void Answer(UniqueFd connection);
  // Relays between client and a new connection to the server until either side closes.
  void Relay(UniqueFd client);

  std::string response_;
  Ending ending_ = Ending::kClose;
  std::chrono::milliseconds pause_{0};
  int server_port_ = 0;  // a front to this port when not 0
  Others others_ = Others::kWait;
  UniqueFd listener_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> reset_{0};
  std::thread thread_;
};

// A port of 127.0.0.1 on which nothing accepts connections, held for the life of the object: a
// socket bound to it that never listens, so connecting is refused.
class RefusingPort {
 public:
  RefusingPort();
  int port() const { return port_; }
  std::string Url(std::string_view path) const;

 private:
  UniqueFd socket_;
  int port_ = 0;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_RAW_HTTP_SERVER_H_
