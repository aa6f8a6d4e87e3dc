// A web server on 127.0.0.1 standing in for a customer's site where the Kestrova service left its
// mend folder: every path answers as the test sets it (status, body, a redirect, a delay, a body
// cut short), and every request is logged.
#ifndef KESTROVA_TESTS_PUBLISH_MEND_SERVICE_SERVER_H_
#define KESTROVA_TESTS_PUBLISH_MEND_SERVICE_SERVER_H_

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrova::testing {

struct Answer {
  Answer(int status_code = 200, std::string body_text = {}, std::string redirect = {},
         std::chrono::milliseconds wait = std::chrono::milliseconds{0}, bool cut_short = false)
      : status(status_code),
        body(std::move(body_text)),
        redirect_to(std::move(redirect)),
        delay(wait),
        truncated(cut_short) {}

  int status = 200;
  std::string body;
  // A redirect to this path of the same server (status 302) when not empty.
  std::string redirect_to;
  // How long to wait before answering.
  std::chrono::milliseconds delay{0};
  // Claim the body's length but send only its first half, then close.
  bool truncated = false;
  // When not zero: send this many bytes of the body, run on_stall (on the server's thread), then
  // fall silent, the connection open, until the server stops (30 s at most).
  std::size_t stall_after = 0;
  std::function<void()> on_stall;
};

class MendServiceServer {
 public:
  MendServiceServer();
  ~MendServiceServer();
  MendServiceServer(const MendServiceServer&) = delete;
  MendServiceServer& operator=(const MendServiceServer&) = delete;

  // The site's address, without a trailing slash.
  std::string SiteUrl() const;
  // Sets the answer for path (e.g. "/kestrova/inventory.txt"); unknown paths answer 404.
  void Set(const std::string& path, Answer answer);
  // A mend folder: "/kestrova" answers 200 and each file answers 200 with its body.
  void SetMendFolder(const std::map<std::string, std::string>& files);
  // "METHOD path" of every request so far, in order.
  std::vector<std::string> Requests() const;
  void ClearRequests();

 private:
  void Handle(const httplib::Request& request, httplib::Response& response);

  httplib::Server server_;
  std::atomic<bool> stopping_{false};  // ends stalled answers
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::vector<std::string> requests_;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PUBLISH_MEND_SERVICE_SERVER_H_
