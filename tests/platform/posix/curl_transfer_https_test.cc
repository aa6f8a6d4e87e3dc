// Requests over https to a loopback server with a certificate made for the test.
#include <gtest/gtest.h>
#include <httplib.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/posix/curl_transfer_control.h"
#include "platform/posix/poll_event_pump.h"
#include "tests/platform/posix/test_http_server.h"
#include "tests/platform/posix/transfer_test_support.h"

namespace kestrova {
namespace {

struct KeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
struct BioDeleter {
  void operator()(BIO* bio) const { BIO_free(bio); }
};

// A self-signed certificate for the address 127.0.0.1, valid for a day, and its key.
struct TestCertificate {
  std::unique_ptr<EVP_PKEY, KeyDeleter> key;
  std::unique_ptr<X509, CertificateDeleter> certificate;
  std::string pem;
};

void Require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

TestCertificate MakeCertificate() {
  TestCertificate made;
  made.key.reset(EVP_EC_gen("P-256"));
  Require(made.key != nullptr, "EVP_EC_gen");
  made.certificate.reset(X509_new());
  X509* certificate = made.certificate.get();
  Require(X509_set_version(certificate, 2) == 1, "X509_set_version");
  Require(ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1) == 1, "serial");
  Require(X509_gmtime_adj(X509_getm_notBefore(certificate), -60) != nullptr, "notBefore");
  Require(X509_gmtime_adj(X509_getm_notAfter(certificate), 24 * 3600) != nullptr, "notAfter");
  Require(X509_set_pubkey(certificate, made.key.get()) == 1, "X509_set_pubkey");
  X509_NAME* name = X509_get_subject_name(certificate);
  const std::string common_name = "127.0.0.1";
  Require(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>(common_name.c_str()),
                                     -1, -1, 0) == 1,
          "CN");
  Require(X509_set_issuer_name(certificate, name) == 1, "issuer");
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  for (const auto& [nid, value] : std::vector<std::pair<int, const char*>>{
           {NID_subject_alt_name, "IP:127.0.0.1"}, {NID_basic_constraints, "critical,CA:TRUE"}}) {
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Require(extension != nullptr, "X509V3_EXT_conf_nid");
    const int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    Require(added == 1, "X509_add_ext");
  }
  Require(X509_sign(certificate, made.key.get(), EVP_sha256()) > 0, "X509_sign");

  const std::unique_ptr<BIO, BioDeleter> bio(BIO_new(BIO_s_mem()));
  Require(bio && PEM_write_bio_X509(bio.get(), certificate) == 1, "PEM_write_bio_X509");
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  made.pem.assign(data, static_cast<std::size_t>(length));
  return made;
}

class CurlTransferHttpsTest : public ::testing::Test {
 protected:
  CurlTransferHttpsTest()
      : certificate_(MakeCertificate()),
        server_(std::make_unique<httplib::SSLServer>(certificate_.certificate.get(),
                                                     certificate_.key.get()),
                "https") {
    testing::BypassProxies();
  }

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
}

TEST_F(CurlTransferHttpsTest, RefusesAServerItCannotVerify) {
  CurlTransferControl control(pump_);  // the system's store does not know the test certificate
  const auto outcome = testing::RunRequest(control, pump_, server_.Url("/ok"));
  ASSERT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.states, (std::vector<int>{1, 2, 3, 11}));
  EXPECT_EQ(outcome.body, "");
  EXPECT_FALSE(control.failure_text().empty());
  EXPECT_EQ(server_.ConnectionCount(), 0u);
}

}  // namespace
}  // namespace kestrova
