// A small HTTP/1.1 server on 127.0.0.1, on Winsock threads inside the test program, with the
// answers the transfer control's tests need: statuses, redirects, slow, truncated, reset and large
// bodies, and an exact header. Connections are kept alive unless an answer ends them.
#ifndef KESTROVA_TESTS_PLATFORM_WIN32_LOOPBACK_HTTP_SERVER_H_
#define KESTROVA_TESTS_PLATFORM_WIN32_LOOPBACK_HTTP_SERVER_H_

#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/transfer_answers.h"

namespace kestrova::testing {

// The server answers the paths of transfer_answers.h. /loop redirects to itself kLoopLimit times in
// the server's life, then answers 508, so that no client can keep it busy for ever. /to-https
// redirects to https on this server, named localhost. A connection that starts with a TLS handshake
// gets a plain HTTP 400 answer and is closed.
inline constexpr int kLoopLimit = 40;

class LoopbackHttpServer {
 public:
  // Starts listening on a free port of 127.0.0.1. Throws std::runtime_error when it cannot.
  LoopbackHttpServer();
  // Releases slow answers, ends every connection and waits for the server's threads.
  ~LoopbackHttpServer();

  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  int port() const { return port_; }
  // The address of path on this server with the given scheme, e.g. Url("/ok").
  std::string Url(std::string_view path, std::string_view scheme = "http") const;

  // Connections that sent at least one request so far.
  std::size_t ConnectionCount() const { return connections_with_requests_.load(); }
  // Requests answered so far.
  std::size_t RequestCount() const { return requests_.load(); }

  // Lets every waiting and future /slow request answer.
  void ReleaseSlowAnswers();

  // Answers path (as the request line carries it) with 200 and body from now on, before the
  // fixed paths above.
  void Serve(std::string path, std::string body);
  // The same, with the answer held back like /slow's until ReleaseSlowAnswers (10 s at most).
  void ServeLate(std::string path, std::string body);
  // The requests received so far, as "METHOD path", in order.
  std::vector<std::string> Requests() const;
  // The header of each request received so far (request line and fields, without the blank line
  // that ends it), in order.
  std::vector<std::string> RequestHeaders() const;

 private:
  void AcceptLoop();
  void Serve(SOCKET connection);
  // Answers one request; false when the connection is to end.
  bool Answer(SOCKET connection, std::string_view method, std::string_view path);
  // Sends all of data unless the server stops first; false when the connection failed.
  bool SendAll(SOCKET connection, std::string_view data) const;
  // Waits up to timeout for the socket to become readable; false on time-out or stop.
  bool WaitReadable(SOCKET socket, std::chrono::milliseconds timeout) const;
  void WaitForRelease();

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<std::size_t> connections_with_requests_{0};
  std::atomic<std::size_t> requests_{0};
  std::atomic<int> loops_{0};
  std::thread acceptor_;

  mutable std::mutex mutex_;
  std::condition_variable released_changed_;
  std::map<std::string, std::string, std::less<>> served_;       // guarded by mutex_
  std::map<std::string, std::string, std::less<>> served_late_;  // guarded by mutex_
  std::vector<std::string> request_lines_;                       // guarded by mutex_
  std::vector<std::string> request_headers_;                     // guarded by mutex_
  bool released_ = false;
  std::vector<std::thread> workers_;  // guarded by mutex_
};

// A port of 127.0.0.1 on which nothing listens: connections to it are refused.
int RefusingLoopbackPort();

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_WIN32_LOOPBACK_HTTP_SERVER_H_
