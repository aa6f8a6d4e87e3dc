// A real HTTP server on 127.0.0.1, run by cpp-httplib in threads of the test, with the answers the
// transfer control's tests need: statuses, redirects, slow, truncated and large bodies.
#ifndef KESTROVA_TESTS_PLATFORM_POSIX_TEST_HTTP_SERVER_H_
#define KESTROVA_TESTS_PLATFORM_POSIX_TEST_HTTP_SERVER_H_

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>

namespace kestrova::testing {

// Paths the server answers, with what they answer.
inline constexpr std::string_view kOkBody = "hello, mending\n";    // /ok: 200
inline constexpr std::string_view kMissingBody = "not here\n";     // /missing: 404
inline constexpr std::string_view kForbiddenBody = "forbidden\n";  // /forbidden: 403
inline constexpr std::string_view kBrokenBody = "broken\n";        // /broken: 500
inline constexpr std::string_view kSpacedBody = "spaced\n";        // "/with space": 200
// /moved: 302 to /ok; /moved-twice: 302 to /moved; /loop: 302 to itself.
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

// Byte i of the /large and /trickle bodies: a pattern that shows lost, doubled or swapped pieces.
char LargeBodyByte(std::size_t i);

class TestHttpServer {
 public:
  // Starts a plain HTTP server on a free port of 127.0.0.1.
  TestHttpServer();
  // Starts the given server (an httplib::SSLServer for https) with the same answers.
  TestHttpServer(std::unique_ptr<httplib::Server> server, std::string scheme);
  // Releases slow answers and stops the server, waiting for its threads.
  ~TestHttpServer();

  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  int port() const { return port_; }
  // The address of path on this server, e.g. Url("/ok").
  std::string Url(std::string_view path) const;

  // Client connections that sent at least one request so far.
  std::size_t ConnectionCount() const;

  // Lets every waiting and future /slow request answer.
  void ReleaseSlowAnswers();

 private:
  void InstallRoutes();
  void NoteConnection(const httplib::Request& request);

  std::unique_ptr<httplib::Server> server_;
  std::string scheme_;
  int port_ = 0;
  std::thread thread_;

  mutable std::mutex mutex_;
  std::condition_variable released_changed_;
  bool released_ = false;
  std::set<int> client_ports_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_POSIX_TEST_HTTP_SERVER_H_
