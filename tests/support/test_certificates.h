// Certificates made in memory with OpenSSL for a test: self-signed, or signed by an authority the
// test made, for the name and the period it chooses.
#ifndef KESTROVA_TESTS_SUPPORT_TEST_CERTIFICATES_H_
#define KESTROVA_TESTS_SUPPORT_TEST_CERTIFICATES_H_

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace kestrova::testing {

struct TestCertificate {
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{nullptr, EVP_PKEY_free};
  std::unique_ptr<X509, decltype(&X509_free)> certificate{nullptr, X509_free};
  std::string pem;  // the certificate
};

struct CertificateRequest {
  std::string alt_name = "IP:127.0.0.1";           // or "DNS:name"
  long valid_from = -60, valid_until = 24 * 3600;  // seconds from now
  bool authority = true;                           // may sign others
};

// Signed by issuer, or by its own key when issuer is null. Raises std::runtime_error when OpenSSL
// refuses a step.
TestCertificate MakeCertificate(const CertificateRequest& request = {},
                                const TestCertificate* issuer = nullptr);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_TEST_CERTIFICATES_H_
