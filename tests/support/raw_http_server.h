// A loopback server that answers every connection with fixed bytes and then ends it as told:
// for what a regular HTTP server will not do, such as an exact header or a connection reset.
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

  // Listens on a free port of 127.0.0.1. For each connection it reads the request header, sends
  // response, waits pause (so the client has read it), and ends the connection.
  RawHttpServer(std::string response, Ending ending,
                std::chrono::milliseconds pause = std::chrono::milliseconds{0});
  ~RawHttpServer();

  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  std::string Url(std::string_view path) const;
  // Connections accepted so far.
  int connections() const { return connections_.load(); }

 private:
  void Serve();
  void Answer(UniqueFd connection);

  std::string response_;
  Ending ending_;
  std::chrono::milliseconds pause_;
  UniqueFd listener_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
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

// A front on 127.0.0.1 to a server that serves one connection at a time, as shared hosting that
// limits connections per client does: it relays one client connection to a new connection to
// the server behind, and while it does, it resets every other client connection at once, or
// leaves them waiting, unaccepted, until the one it serves closes.
class OneConnectionAtATime {
 public:
  enum class Others { kReset, kWait };

  OneConnectionAtATime(int server_port, Others others);
  ~OneConnectionAtATime();
  OneConnectionAtATime(const OneConnectionAtATime&) = delete;
  OneConnectionAtATime& operator=(const OneConnectionAtATime&) = delete;

  std::string Url(std::string_view path) const;
  // Client connections reset so far.
  int reset() const { return reset_.load(); }

 private:
  void Serve();
  // Relays between client and a new connection to the server until either side closes.
  void Relay(UniqueFd client);

  int server_port_;
  Others others_;
  UniqueFd listener_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> reset_{0};
  std::thread thread_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_RAW_HTTP_SERVER_H_
