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

namespace kestrova::testing {

// Paths the server answers (GET and HEAD alike), with what they answer.
inline constexpr std::string_view kOkBody = "hello, mending\n";    // /ok: 200
inline constexpr std::string_view kMissingBody = "not here\n";     // /missing: 404
inline constexpr std::string_view kForbiddenBody = "forbidden\n";  // /forbidden: 403
inline constexpr std::string_view kBrokenBody = "broken\n";        // /broken: 500
inline constexpr std::string_view kSpacedBody = "spaced\n";        // "/with space": 200
// /moved: 302 to /ok; /moved-twice: 302 to /moved; /loop: 302 to itself (kLoopLimit times in the
// server's life, then 508, so that no client can keep it busy for ever).
inline constexpr int kLoopLimit = 40;
// /slow: 200 "late\n" once released (see ReleaseSlowAnswers), at the latest after 10 s.
// /truncated: claims kTruncatedLength bytes, sends kTruncatedSent, then closes.
inline constexpr std::size_t kTruncatedLength = 1000;
inline constexpr std::size_t kTruncatedSent = 100;
// /large: kLargeLength bytes of LargeBodyByte(i), sent in pieces of kLargePiece.
inline constexpr std::size_t kLargeLength = 8 * 1024 * 1024;
inline constexpr std::size_t kLargePiece = 16 * 1024;
// /trickle: kTricklePieces pieces of kTricklePiece bytes, kTrickleGap apart.
inline constexpr std::size_t kTricklePieces = 6;
inline constexpr std::size_t kTricklePiece = 512;
inline constexpr std::chrono::milliseconds kTrickleGap{250};
// /reset: a reset instead of an answer.
// /reset-in-body: claims 100000 bytes, sends kResetPartial of them, waits 300 ms, resets.
inline constexpr std::size_t kResetPartial = 1000;
// /cut-large: claims 300000 bytes, sends kCutSent of them, then closes.
inline constexpr std::size_t kCutSent = 200 * 1024;
// /exact: kExactHeader, then "hello", then closes (the header says Connection: close).
inline constexpr std::string_view kExactHeader =
    "HTTP/1.1 200 Fine Here\r\n"
    "X-Mending: Kestrova  two  spaces\r\n"
    "content-length: 5\r\n"
    "Connection: close\r\n"
    "\r\n";
// A connection that starts with a TLS handshake gets a plain HTTP 400 answer and is closed.

// Byte i of the /large and /trickle bodies: a pattern that shows lost, doubled or swapped pieces.
char LargeBodyByte(std::size_t i);

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
  // The requests received so far, as "METHOD path", in order.
  std::vector<std::string> Requests() const;

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
  std::map<std::string, std::string, std::less<>> served_;  // guarded by mutex_
  std::vector<std::string> request_lines_;                  // guarded by mutex_
  bool released_ = false;
  std::vector<std::thread> workers_;  // guarded by mutex_
};

// A port of 127.0.0.1 on which nothing listens: connections to it are refused.
int RefusingLoopbackPort();

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_WIN32_LOOPBACK_HTTP_SERVER_H_
