// A real HTTP server on 127.0.0.1, run by cpp-httplib in threads of the test, with the answers the
// transfer control's tests need: statuses, redirects, slow, truncated and large bodies.
#ifndef KESTROVA_TESTS_PLATFORM_POSIX_TEST_HTTP_SERVER_H_
#define KESTROVA_TESTS_PLATFORM_POSIX_TEST_HTTP_SERVER_H_

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>

#include "tests/platform/transfer_answers.h"

namespace kestrova::testing {

// Answers the paths of transfer_answers.h from /ok to /trickle.
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
  // Requests answered so far.
  std::size_t RequestCount() const;

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
  std::atomic<bool> stopping_{false};  // ends the /crawl answers
  std::set<int> client_ports_;
  std::size_t requests_ = 0;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_POSIX_TEST_HTTP_SERVER_H_
