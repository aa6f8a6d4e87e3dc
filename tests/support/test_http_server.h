// The loopback server with the answers of transfer_answers.h, from /ok to /trickle, for the
// transfer control's tests. Making one keeps libcurl off any proxy the environment names, so the
// tests' traffic stays on loopback.
#ifndef KESTROVA_TESTS_SUPPORT_TEST_HTTP_SERVER_H_
#define KESTROVA_TESTS_SUPPORT_TEST_HTTP_SERVER_H_

#include <memory>
#include <string>

#include "tests/support/loopback_server.h"
#include "tests/support/transfer_answers.h"

namespace kestrova::testing {

class TestHttpServer : public LoopbackServer {
 public:
  // A plain HTTP server on a free port of 127.0.0.1.
  TestHttpServer();
  // The given server (an httplib::SSLServer for https) with the same answers.
  TestHttpServer(std::unique_ptr<httplib::Server> server, std::string scheme);
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_TEST_HTTP_SERVER_H_
