#include "tests/platform/posix/test_http_server.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <utility>

namespace kestrova::testing {
namespace {

void AddFixed(httplib::Server& server, const std::string& path, int status, std::string_view body) {
  server.Get(path, [status, body](const httplib::Request&, httplib::Response& response) {
    response.status = status;
    response.set_content(std::string(body), "text/plain");
  });
}

}  // namespace

TestHttpServer::TestHttpServer() : TestHttpServer(std::make_unique<httplib::Server>(), "http") {}

TestHttpServer::TestHttpServer(std::unique_ptr<httplib::Server> server, std::string scheme)
    : server_(std::move(server)), scheme_(std::move(scheme)) {
  if (!server_->is_valid()) throw std::runtime_error("the test server could not be set up");
  // Short keep-alive and generous write time-outs: the client holds connections only while a
  // test runs, and a paused download must not be cut off by the server.
  server_->set_keep_alive_timeout(2);
  server_->set_write_timeout(20, 0);
  InstallRoutes();
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("the test server could not bind to 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() only works once the accept loop runs. The socket already listens, so clients may
  // connect meanwhile; this wait only guards the shutdown.
  for (int i = 0; i < 1000 && !server_->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds{5});
  }
  if (!server_->is_running()) throw std::runtime_error("the test server did not start");
}

TestHttpServer::~TestHttpServer() {
  stopping_ = true;
  ReleaseSlowAnswers();
  server_->stop();
  thread_.join();
}

std::string TestHttpServer::Url(std::string_view path) const {
  return scheme_ + "://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::size_t TestHttpServer::ConnectionCount() const {
  const std::lock_guard lock(mutex_);
  return client_ports_.size();
}

std::size_t TestHttpServer::RequestCount() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

void TestHttpServer::ReleaseSlowAnswers() {
  {
    const std::lock_guard lock(mutex_);
    released_ = true;
  }
  released_changed_.notify_all();
}

void TestHttpServer::NoteConnection(const httplib::Request& request) {
  const std::lock_guard lock(mutex_);
  client_ports_.insert(request.remote_port);
  ++requests_;
}

void TestHttpServer::InstallRoutes() {
  httplib::Server& server = *server_;
  server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
    NoteConnection(request);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  AddFixed(server, "/ok", 200, kOkBody);
  AddFixed(server, "/missing", 404, kMissingBody);
  AddFixed(server, "/forbidden", 403, kForbiddenBody);
  AddFixed(server, "/broken", 500, kBrokenBody);
  AddFixed(server, "/with space", 200, kSpacedBody);
  server.Get("/moved", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/ok");
  });
  server.Get("/moved-twice", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/moved");
  });
  server.Get("/loop", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/loop");
  });
  server.Get("/slow", [this](const httplib::Request&, httplib::Response& response) {
    std::unique_lock lock(mutex_);
    released_changed_.wait_for(lock, std::chrono::seconds{10}, [this] { return released_; });
    response.set_content("late\n", "text/plain");
  });
  server.Get("/truncated", [](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(
        kTruncatedLength, "text/plain",
        [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
          if (offset > 0) return false;  // closes the connection short of the promised length
          const std::string part(kTruncatedSent, 'x');
          return sink.write(part.data(), part.size());
        });
  });
  server.Get("/large", [](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(
        kLargeLength, "application/octet-stream",
        [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          std::string piece(std::min(length, kLargePiece), '\0');
          for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = LargeBodyByte(offset + i);
          return sink.write(piece.data(), piece.size());
        });
  });
  server.Get("/crawl", [this](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(kCrawlLength, "application/octet-stream",
                                  [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                    if (offset > 0) std::this_thread::sleep_for(kCrawlGap);
                                    return !stopping_ &&
                                           sink.write("c", 1);  // false ends the connection
                                  });
  });
  server.Get("/trickle", [](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(kTricklePieces * kTricklePiece, "application/octet-stream",
                                  [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                    if (offset > 0) std::this_thread::sleep_for(kTrickleGap);
                                    std::string piece(kTricklePiece, '\0');
                                    for (std::size_t i = 0; i < piece.size(); ++i)
                                      piece[i] = LargeBodyByte(offset + i);
                                    return sink.write(piece.data(), piece.size());
                                  });
  });
}

}  // namespace kestrova::testing
