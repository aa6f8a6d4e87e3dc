#include "tests/support/loopback_server.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace kestrova::testing {
namespace {

constexpr std::size_t kLargestWrite = 16 * 1024;

}  // namespace

LoopbackServer::LoopbackServer() : LoopbackServer(std::make_unique<httplib::Server>(), "http") {}

LoopbackServer::LoopbackServer(std::unique_ptr<httplib::Server> server, std::string scheme)
    : server_(std::move(server)), scheme_(std::move(scheme)) {
  if (!server_->is_valid()) throw std::runtime_error("the test server could not be set up");
  // Short keep-alive and generous write time-outs: the client holds connections only while a
  // test runs, and a paused download must not be cut off by the server.
  server_->set_keep_alive_timeout(2);
  server_->set_write_timeout(20, 0);
  server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
    const std::lock_guard lock(mutex_);
    client_ports_.insert(request.remote_port);
    requests_.push_back(request.method + " " + request.path);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response);
  });
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("the test server could not bind to 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() only ends the accept loop once it runs: a server stopped before that (a test that
  // makes no request) would leave the thread listening and the destructor waiting for ever.
  for (int i = 0; i < 1000 && !server_->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds{5});
  }
  if (!server_->is_running()) throw std::runtime_error("the test server did not start");
}

LoopbackServer::~LoopbackServer() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    released_ = true;
  }
  changed_.notify_all();
  server_->stop();
  thread_.join();
}

std::string LoopbackServer::Url(std::string_view path) const {
  return scheme_ + "://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void LoopbackServer::Set(const std::string& path, Answer answer) {
  const std::lock_guard lock(mutex_);
  answers_[path] = std::make_shared<const Answer>(std::move(answer));
}

void LoopbackServer::SetMendFolder(const std::map<std::string, std::string>& files) {
  Set("/kestrova", {200, "mend folder\n"});
  for (const auto& [name, body] : files) Set("/kestrova/" + name, {200, body});
}

void LoopbackServer::ReleaseSlowAnswers() {
  {
    const std::lock_guard lock(mutex_);
    released_ = true;
  }
  changed_.notify_all();
}

std::vector<std::string> LoopbackServer::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackServer::ClearRequests() {
  const std::lock_guard lock(mutex_);
  requests_.clear();
}

std::size_t LoopbackServer::ConnectionCount() const {
  const std::lock_guard lock(mutex_);
  return client_ports_.size();
}

std::size_t LoopbackServer::RequestCount() const {
  const std::lock_guard lock(mutex_);
  return requests_.size();
}

std::vector<std::string> LoopbackServer::Abandoned() const {
  const std::lock_guard lock(mutex_);
  return abandoned_;
}

bool LoopbackServer::Sleep(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, limit, [this] { return stopping_; });
}

void LoopbackServer::Handle(const httplib::Request& request, httplib::Response& response) {
  std::shared_ptr<const Answer> answer;
  {
    std::unique_lock lock(mutex_);
    if (const auto it = answers_.find(request.path); it != answers_.end()) answer = it->second;
    if (answer && answer->held) {
      changed_.wait_for(lock, std::chrono::seconds{10}, [this] { return released_; });
    }
  }
  if (!answer) {
    response.status = 404;
    response.set_content("<html><body>Not found</body></html>", "text/html");
    return;
  }
  if (answer->on_request) answer->on_request();
  if (answer->delay.count() > 0) std::this_thread::sleep_for(answer->delay);
  if (!answer->redirect_to.empty()) {
    response.set_redirect(answer->redirect_to.find("://") != std::string::npos
                              ? answer->redirect_to
                              : Url(answer->redirect_to),
                          302);
    return;
  }
  response.status = answer->status;
  if (answer->cut_after == 0 && answer->stall_after == 0 && answer->piece == 0) {
    response.set_content(answer->body, answer->content_type);
    return;
  }
  // Sends up to the cut or the stall, a piece at a time; false ends the connection.
  response.set_content_provider(
      answer->body.size(), answer->content_type,
      [this, answer, path = request.path](std::size_t offset, std::size_t,
                                          httplib::DataSink& sink) {
        const std::size_t end = answer->cut_after > 0     ? answer->cut_after
                                : answer->stall_after > 0 ? answer->stall_after
                                                          : answer->body.size();
        if (offset >= std::min(end, answer->body.size())) {
          if (answer->stall_after == 0) return false;
          if (answer->on_stall) answer->on_stall();
          Sleep(std::chrono::seconds{30});
          return false;
        }
        if (offset > 0 && answer->gap.count() > 0 && !Sleep(answer->gap)) return false;
        const std::size_t piece = answer->piece > 0 ? answer->piece : kLargestWrite;
        if (sink.write(answer->body.data() + offset,
                       std::min({piece, end - offset, answer->body.size() - offset}))) {
          return true;
        }
        if (answer->piece > 0) {
          const std::lock_guard lock(mutex_);
          abandoned_.push_back(path);
        }
        return false;
      });
}

}  // namespace kestrova::testing
