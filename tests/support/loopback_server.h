// A real HTTP server on 127.0.0.1, run by cpp-httplib in threads of the test: every path answers
// as the test sets it (status, body, a redirect, a delay, a body cut short, sent in slow pieces
// or stalled, or held until released), and every request is logged and counted.
#ifndef KESTROVA_TESTS_SUPPORT_LOOPBACK_SERVER_H_
#define KESTROVA_TESTS_SUPPORT_LOOPBACK_SERVER_H_

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kestrova::testing {

// How the server answers one path (GET and HEAD alike).
struct Answer {
  Answer(int status_code = 200, std::string body_text = {}, std::string redirect = {},
         std::chrono::milliseconds wait = std::chrono::milliseconds{0}, std::size_t cut = 0)
      : status(status_code),
        body(std::move(body_text)),
        redirect_to(std::move(redirect)),
        delay(wait),
        cut_after(cut) {}

  int status = 200;
  std::string body;
  // A redirect (status 302) when not empty: to this path of the same server, or to this address
  // when it holds a scheme ("http://", "file://").
  std::string redirect_to;
  // The Content-Type of the answer.
  std::string content_type = "text/html";
  // How long to wait before answering.
  std::chrono::milliseconds delay{0};
  // When not zero: claim the body's length but send only this many bytes of it, then close.
  std::size_t cut_after = 0;
  // When not zero: send this many bytes of the body, run on_stall (on the server's thread), then
  // fall silent, the connection open, until the server stops (30 s at most).
  std::size_t stall_after = 0;
  std::function<void()> on_stall;
  // When set: runs on the server's thread as the request arrives, before the answer goes out (a
  // service that changes its folder while a publish reads it).
  std::function<void()> on_request;
  // When not zero: send the body in pieces of this many bytes, gap apart, until the client
  // leaves (see Abandoned) or the server stops.
  std::size_t piece = 0;
  std::chrono::milliseconds gap{0};
  // Wait until ReleaseSlowAnswers (10 s at most) before answering.
  bool held = false;
};

class LoopbackServer {
 public:
  // Starts a plain HTTP server on a free port of 127.0.0.1.
  LoopbackServer();
  // Starts the given server (an httplib::SSLServer for https), whose addresses use scheme.
  LoopbackServer(std::unique_ptr<httplib::Server> server, std::string scheme);
  // Releases held answers and stops the server, waiting for its threads.
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  // The address of path on this server, e.g. Url("/ok").
  std::string Url(std::string_view path) const;
  // The site's address, without a trailing slash.
  std::string SiteUrl() const { return Url(""); }

  // Sets the answer for path (e.g. "/kestrova/inventory.txt"); unknown paths answer 404.
  void Set(const std::string& path, Answer answer);
  // A mend folder: "/kestrova" answers 200 and each file answers 200 with its body.
  void SetMendFolder(const std::map<std::string, std::string>& files);
  // Lets every waiting and future held answer go.
  void ReleaseSlowAnswers();

  // "METHOD path" of every request so far, in order.
  std::vector<std::string> Requests() const;
  void ClearRequests();
  // Client connections that sent at least one request so far.
  std::size_t ConnectionCount() const;
  // Requests received so far.
  std::size_t RequestCount() const;
  // The paths of piecemeal answers whose client closed the connection before the body's end
  // (a piece could not be written), in the order the server noticed.
  std::vector<std::string> Abandoned() const;

 private:
  void Handle(const httplib::Request& request, httplib::Response& response);
  // Waits until stopping, at most limit; false when the server stops.
  bool Sleep(std::chrono::milliseconds limit);

  std::unique_ptr<httplib::Server> server_;
  std::string scheme_;
  int port_ = 0;
  std::thread thread_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;  // released_ or stopping_
  bool released_ = false;
  bool stopping_ = false;  // ends stalled and piecemeal answers
  std::map<std::string, std::shared_ptr<const Answer>> answers_;
  std::vector<std::string> requests_;
  std::vector<std::string> abandoned_;
  std::set<int> client_ports_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_LOOPBACK_SERVER_H_
