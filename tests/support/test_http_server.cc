#include "tests/support/test_http_server.h"

#include <cstdlib>
#include <utility>

namespace kestrova::testing {
namespace {

// count bytes of the /large pattern.
std::string PatternBody(std::size_t count) {
  std::string body(count, '\0');
  for (std::size_t i = 0; i < count; ++i) body[i] = LargeBodyByte(i);
  return body;
}

void SetTransferAnswers(LoopbackServer& server) {
  ::setenv("no_proxy", "*", 1);
  ::setenv("NO_PROXY", "*", 1);
  for (const auto& [path, status, body] : {std::tuple{"/ok", 200, kOkBody},
                                           {"/missing", 404, kMissingBody},
                                           {"/forbidden", 403, kForbiddenBody},
                                           {"/broken", 500, kBrokenBody},
                                           {"/with space", 200, kSpacedBody}}) {
    server.Set(path, {status, std::string(body)});
  }
  server.Set("/moved", {302, "", "/ok"});
  server.Set("/moved-twice", {302, "", "/moved"});
  server.Set("/loop", {302, "", "/loop"});
  Answer slow(200, "late\n");
  slow.held = true;
  server.Set("/slow", std::move(slow));
  server.Set("/truncated", {200, std::string(kTruncatedLength, 'x'), "",
                            std::chrono::milliseconds{0}, kTruncatedSent});
  static const std::string large = PatternBody(kLargeLength);
  Answer large_answer(200, large);
  large_answer.piece = kLargePiece;
  server.Set("/large", std::move(large_answer));
  Answer crawl(200, std::string(kCrawlLength, 'c'));
  crawl.piece = 1;
  crawl.gap = kCrawlGap;
  server.Set("/crawl", std::move(crawl));
  Answer trickle(200, PatternBody(kTricklePieces * kTricklePiece));
  trickle.piece = kTricklePiece;
  trickle.gap = kTrickleGap;
  server.Set("/trickle", std::move(trickle));
}

}  // namespace

TestHttpServer::TestHttpServer() { SetTransferAnswers(*this); }

TestHttpServer::TestHttpServer(std::unique_ptr<httplib::Server> server, std::string scheme)
    : LoopbackServer(std::move(server), std::move(scheme)) {
  SetTransferAnswers(*this);
}

}  // namespace kestrova::testing
