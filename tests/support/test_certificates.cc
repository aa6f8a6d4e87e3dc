#include "tests/support/test_certificates.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <stdexcept>
#include <utility>
#include <vector>

namespace kestrova::testing {
namespace {

struct BioDeleter {
  void operator()(BIO* bio) const { BIO_free(bio); }
};

void Require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(what);
}

}  // namespace

TestCertificate MakeCertificate(const CertificateRequest& request, const TestCertificate* issuer) {
  TestCertificate made;
  made.key.reset(EVP_EC_gen("P-256"));
  Require(made.key != nullptr, "EVP_EC_gen");
  made.certificate.reset(X509_new());
  X509* certificate = made.certificate.get();
  Require(X509_set_version(certificate, 2) == 1, "X509_set_version");
  Require(ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1) == 1, "serial");
  Require(X509_gmtime_adj(X509_getm_notBefore(certificate), request.valid_from) != nullptr,
          "notBefore");
  Require(X509_gmtime_adj(X509_getm_notAfter(certificate), request.valid_until) != nullptr,
          "notAfter");
  Require(X509_set_pubkey(certificate, made.key.get()) == 1, "X509_set_pubkey");
  const auto* common_name =
      reinterpret_cast<const unsigned char*>(request.authority ? "Test authority" : "Test server");
  Require(X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate), "CN", MBSTRING_ASC,
                                     common_name, -1, -1, 0) == 1,
          "CN");
  X509* signer = issuer != nullptr ? issuer->certificate.get() : certificate;
  EVP_PKEY* signing_key = issuer != nullptr ? issuer->key.get() : made.key.get();
  Require(X509_set_issuer_name(certificate, X509_get_subject_name(signer)) == 1, "issuer");
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, signer, certificate, nullptr, nullptr, 0);
  const std::vector<std::pair<int, std::string>> extensions{
      {NID_subject_alt_name, request.alt_name},
      {NID_basic_constraints, request.authority ? "critical,CA:TRUE" : "critical,CA:FALSE"}};
  for (const auto& [nid, value] : extensions) {
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    Require(extension != nullptr, "X509V3_EXT_conf_nid");
    const int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    Require(added == 1, "X509_add_ext");
  }
  Require(X509_sign(certificate, signing_key, EVP_sha256()) > 0, "X509_sign");

  const std::unique_ptr<BIO, BioDeleter> bio(BIO_new(BIO_s_mem()));
  Require(bio && PEM_write_bio_X509(bio.get(), certificate) == 1, "PEM_write_bio_X509");
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  made.pem.assign(data, static_cast<std::size_t>(length));
  return made;
}

}  // namespace kestrova::testing
