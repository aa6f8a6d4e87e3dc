// A web site on 127.0.0.1 inside the test program, for the add-in's publish: it answers GET and
// HEAD for the paths it was given with their bodies, 404 for any other path, ends every connection
// after one answer, and records the requests it saw.
#ifndef KESTROVA_TESTS_WIN32_ADDIN_MEND_SITE_SERVER_H_
#define KESTROVA_TESTS_WIN32_ADDIN_MEND_SITE_SERVER_H_

#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kestrova::testing {

class MendSiteServer {
 public:
  // Starts listening on a free port of 127.0.0.1. Throws std::runtime_error when it cannot.
  MendSiteServer();
  // Stops accepting and waits for the server's thread.
  ~MendSiteServer();
  MendSiteServer(const MendSiteServer&) = delete;
  MendSiteServer& operator=(const MendSiteServer&) = delete;

  // Answers path (as the request line carries it) with 200 and body from now on.
  void Serve(std::string path, std::string body);
  // The site's address without a trailing slash: "http://127.0.0.1:<port>".
  std::string Url() const;
  // The requests answered so far, as "METHOD path", in order.
  std::vector<std::string> Requests() const;

 private:
  void AcceptLoop();
  void Answer(SOCKET connection);

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, std::string> bodies_;  // guarded by mutex_
  std::vector<std::string> requests_;          // guarded by mutex_
  std::thread acceptor_;
};

// A port of 127.0.0.1 on which nothing listens: connections to it are refused.
int RefusingLoopbackPort();

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_WIN32_ADDIN_MEND_SITE_SERVER_H_
