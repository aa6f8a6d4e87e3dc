#include "tests/publish/mend_service_server.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace kestrova::testing {

MendServiceServer::MendServiceServer() {
  auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response);
  };
  server_.Get(".*", handler);
  port_ = server_.bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() only ends the accept loop once it runs: a server stopped before that (a test that
  // makes no request) would leave the thread listening and the destructor waiting for ever.
  for (int i = 0; i < 1000 && !server_.is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds{5});
  }
}

MendServiceServer::~MendServiceServer() {
  stopping_ = true;
  server_.stop();
  thread_.join();
}

std::string MendServiceServer::SiteUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

void MendServiceServer::Set(const std::string& path, Answer answer) {
  std::lock_guard lock(mutex_);
  answers_[path] = std::move(answer);
}

void MendServiceServer::SetMendFolder(const std::map<std::string, std::string>& files) {
  Set("/kestrova", {200, "mend folder\n"});
  for (const auto& [name, body] : files) Set("/kestrova/" + name, {200, body});
}

std::vector<std::string> MendServiceServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void MendServiceServer::ClearRequests() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

void MendServiceServer::Handle(const httplib::Request& request, httplib::Response& response) {
  Answer answer;
  bool known = false;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request.method + " " + request.path);
    const auto it = answers_.find(request.path);
    if (it != answers_.end()) {
      answer = it->second;
      known = true;
    }
  }
  if (!known) {
    response.status = 404;
    response.set_content("<html><body>Not found</body></html>", "text/html");
    return;
  }
  if (answer.delay.count() > 0) std::this_thread::sleep_for(answer.delay);
  if (!answer.redirect_to.empty()) {
    response.set_redirect(SiteUrl() + answer.redirect_to, 302);
    return;
  }
  response.status = answer.status;
  if (answer.truncated) {
    const std::string body = answer.body;
    response.set_content_provider(body.size(), "text/html",
                                  [body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                    if (offset >= body.size() / 2) return false;
                                    sink.write(body.data(), body.size() / 2);
                                    return true;
                                  });
    return;
  }
  if (answer.stall_after > 0) {
    const std::string body = answer.body;
    const std::size_t stall_after = std::min(answer.stall_after, body.size());
    const std::function<void()> on_stall = answer.on_stall;
    response.set_content_provider(
        body.size(), "text/html",
        [this, body, stall_after, on_stall](std::size_t offset, std::size_t,
                                            httplib::DataSink& sink) {
          if (offset < stall_after) {
            return sink.write(body.data() + offset,
                              std::min<std::size_t>(stall_after - offset, 16 * 1024));
          }
          if (on_stall) on_stall();
          for (int round = 0; round < 600 && !stopping_; ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds{50});
          }
          return false;  // ends the connection short of the promised length
        });
    return;
  }
  response.set_content(answer.body, "text/html");
}

}  // namespace kestrova::testing
