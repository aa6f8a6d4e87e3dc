// Why a secure (https) connection could not be made, in kinds that libcurl and WinINet both tell
// apart, and the sentence a person reads for each: it names the host and the kind, then gives the
// library's own words, so that an untrusted certificate is not mistaken for a dead server.
#ifndef KESTROVA_PLATFORM_TRANSFER_TRANSFER_SECURITY_H_
#define KESTROVA_PLATFORM_TRANSFER_TRANSFER_SECURITY_H_

#include <string>
#include <string_view>

namespace kestrova {

enum class SecurityFailure {
  kNone,             // not a failure of the connection's security
  kUntrusted,        // no trusted authority vouches for the certificate (self-signed, say)
  kWrongName,        // the certificate is for another name than the host
  kOutOfDate,        // the certificate has expired or is not valid yet
  kRevoked,          // the certificate was revoked
  kHandshake,        // the secure channel could not be agreed on
  kTrustUnreadable,  // the certificates to trust could not be read
  kNoSecureChannel,  // Windows could not make the secure connection at all (XP's WinINet, say)
};

// "The certificate of HOST is not trusted (CAUSE)" and the like; empty for kNone. cause is the
// library's code and text, such as "libcurl 60: SSL certificate problem: self-signed certificate".
std::string SecurityFailureText(SecurityFailure kind, std::string_view host,
                                std::string_view cause);

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_TRANSFER_SECURITY_H_
