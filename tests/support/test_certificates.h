// Certificates made for a test with OpenSSL, in memory: a self-signed one, an authority, and
// server certificates that authority signs, for a name or a period the test chooses. Nothing is
// read from or kept on disk unless the test writes the PEM text itself.
#ifndef KESTROVA_TESTS_SUPPORT_TEST_CERTIFICATES_H_
#define KESTROVA_TESTS_SUPPORT_TEST_CERTIFICATES_H_

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace kestrova::testing {

struct KeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
  void operator()(X509* certificate) const { X509_free(certificate); }
};

struct TestCertificate {
  std::unique_ptr<EVP_PKEY, KeyDeleter> key;
  std::unique_ptr<X509, CertificateDeleter> certificate;
  std::string pem;  // the certificate as PEM text
};

struct CertificateRequest {
  // The subject's alternative name, such as "IP:127.0.0.1" or "DNS:example.invalid".
  std::string alt_name = "IP:127.0.0.1";
  // The period it is valid for, in seconds from now.
  long valid_from = -60;
  long valid_until = 24 * 3600;
  // Whether it may sign other certificates.
  bool authority = true;
};

// A certificate for request, signed by issuer, or by its own key when issuer is null. Raises
// std::runtime_error when OpenSSL refuses a step.
TestCertificate MakeCertificate(const CertificateRequest& request = {},
                                const TestCertificate* issuer = nullptr);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_TEST_CERTIFICATES_H_
