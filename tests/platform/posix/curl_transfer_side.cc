#include "tests/platform/posix/curl_transfer_side.h"

#include <chrono>
#include <utility>

#include "tests/support/transfer_answers.h"

namespace kestrova::testing {
namespace {

// A raw server giving the answer of path, for the answers cpp-httplib will not give; null for the
// other paths.
std::unique_ptr<RawHttpServer> RawServerFor(std::string_view path) {
  using Ending = RawHttpServer::Ending;
  if (path == "/exact") {
    return std::make_unique<RawHttpServer>(std::string(kExactHeader) + "hello", Ending::kClose);
  }
  if (path == "/reset") return std::make_unique<RawHttpServer>("", Ending::kReset);
  if (path == "/reset-in-body") {
    return std::make_unique<RawHttpServer>(
        "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(kResetPartial, 'p'),
        Ending::kReset, std::chrono::milliseconds{300});
  }
  if (path == "/cut-large") {
    return std::make_unique<RawHttpServer>(
        "HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n" + std::string(kCutSent, 'b'),
        Ending::kClose);
  }
  return nullptr;
}

}  // namespace

std::string CurlTransferSide::Url(std::string_view path, std::string_view scheme) {
  std::string url;
  if (auto found = raw_servers_.find(path); found != raw_servers_.end()) {
    url = found->second->Url(path);
  } else if (std::unique_ptr<RawHttpServer> raw = RawServerFor(path)) {
    url = raw->Url(path);
    raw_servers_.emplace(std::string(path), std::move(raw));
  } else {
    url = server_.Url(path);
  }
  // The servers speak plain HTTP only.
  if (scheme != "http") url.replace(0, url.find(':'), scheme);
  return url;
}

std::string CurlTransferSide::RefusedUrl(std::string_view path) {
  if (!refusing_) refusing_.emplace();
  return refusing_->Url(path);
}

}  // namespace kestrova::testing
