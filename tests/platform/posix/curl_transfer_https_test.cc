// Requests over https to a loopback server with a certificate made for the test.
#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/pump/posix/poll_event_pump.h"
#include "platform/transfer/posix/curl_transfer_control.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_http_server.h"
#include "tests/support/transfer_requests.h"

namespace kestrova {
namespace {

using testing::CertificateRequest;
using testing::MakeCertificate;
using testing::TestCertificate;

class CurlTransferHttpsTest : public ::testing::Test {
 protected:
  CurlTransferHttpsTest()
      : certificate_(MakeCertificate()),
        server_(std::make_unique<httplib::SSLServer>(certificate_.certificate.get(),
                                                     certificate_.key.get()),
                "https") {}

  TestCertificate certificate_;
  testing::TestHttpServer server_;
  PollEventPump pump_;
};

TEST_F(CurlTransferHttpsTest, FetchesOverHttpsFromATrustedServer) {
  CurlTransferControl::Options options;
  options.trusted_certificates_pem = certificate_.pem;
  CurlTransferControl control(pump_, options);
  const auto first = testing::RunRequest(control, pump_, server_.Url("/moved"));
  EXPECT_EQ(first.states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 12}));
  EXPECT_EQ(testing::StatusLine(first.header), "HTTP/1.1 200 OK");
  EXPECT_EQ(first.body, testing::kOkBody);
  const auto second = testing::RunRequest(control, pump_, server_.Url("/missing"));
  EXPECT_EQ(second.states, (std::vector<int>{5, 6, 7, 8, 12}));
  EXPECT_EQ(testing::StatusLine(second.header), "HTTP/1.1 404 Not Found");
  EXPECT_EQ(server_.ConnectionCount(), 1u);
  EXPECT_EQ(control.FailureDetail(), "");
}

// A server that cannot be verified is refused before any request reaches it, and each way a secure
// connection fails is named with the host, then libcurl's code and words.
TEST_F(CurlTransferHttpsTest, RefusesAServerItCannotVerify) {
  const TestCertificate authority = MakeCertificate();
  const TestCertificate wrong_name =
      MakeCertificate({.alt_name = "DNS:elsewhere.invalid", .authority = false}, &authority);
  const TestCertificate expired = MakeCertificate(
      {.valid_from = -2 * 24 * 3600, .valid_until = -24 * 3600, .authority = false}, &authority);
  struct Case {
    const char* name;
    const TestCertificate* served;  // none: a plain http server answers the https request
    std::string detail_start;
  };
  const std::vector<Case> cases{
      {"self-signed", &certificate_, "The certificate of 127.0.0.1 is not trusted (libcurl 60: "},
      {"wrong name", &wrong_name,
       "The certificate of 127.0.0.1 is made out to another name (libcurl 60: "},
      {"expired", &expired,
       "The certificate of 127.0.0.1 has expired or is not valid yet (libcurl 60: "},
      {"no handshake", nullptr,
       "No secure connection could be agreed with 127.0.0.1 (libcurl 35: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto server = c.served != nullptr
                            ? std::make_unique<testing::TestHttpServer>(
                                  std::make_unique<httplib::SSLServer>(c.served->certificate.get(),
                                                                       c.served->key.get()),
                                  "https")
                            : std::make_unique<testing::TestHttpServer>();
    CurlTransferControl::Options options;
    options.trusted_certificates_pem = authority.pem;  // not the self-signed one
    CurlTransferControl control(pump_, options);
    std::string url = server->Url("/ok");
    if (c.served == nullptr) url.replace(0, 4, "https");
    const auto outcome = testing::RunRequest(control, pump_, url);
    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.states, (std::vector<int>{1, 2, 3, 11}));
    EXPECT_EQ(outcome.body, "");
    EXPECT_FALSE(control.failure_text().empty());
    EXPECT_EQ(server->ConnectionCount(), 0u);
    const std::string detail = control.FailureDetail();
    EXPECT_EQ(detail.substr(0, c.detail_start.size()), c.detail_start) << detail;
    EXPECT_EQ(detail.back(), ')');
    // The next request starts without the last one's detail.
    control.SetUrl(server_.Url("/ok"));
    control.Execute("get");
    EXPECT_EQ(control.FailureDetail(), "");
    control.Cancel();
  }
}

}  // namespace
}  // namespace kestrova
