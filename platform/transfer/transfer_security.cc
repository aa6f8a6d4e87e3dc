#include "platform/transfer/transfer_security.h"

namespace kestrova {

std::string SecurityFailureText(SecurityFailure kind, std::string_view host,
                                std::string_view cause) {
  const std::string name(host);
  std::string text;
  switch (kind) {
    case SecurityFailure::kNone:
      return {};
    case SecurityFailure::kUntrusted:
      text = "The certificate of " + name + " is not trusted";
      break;
    case SecurityFailure::kWrongName:
      text = "The certificate of " + name + " is made out to another name";
      break;
    case SecurityFailure::kOutOfDate:
      text = "The certificate of " + name + " has expired or is not valid yet";
      break;
    case SecurityFailure::kRevoked:
      text = "The certificate of " + name + " has been revoked";
      break;
    case SecurityFailure::kHandshake:
      text = "No secure connection could be agreed with " + name;
      break;
    case SecurityFailure::kTrustUnreadable:
      text = "The trusted certificates to check " + name + " against could not be read";
      break;
    case SecurityFailure::kNoSecureChannel:
      // Windows XP's WinINet knows no TLS newer than 1.0 and sends no server name, so most https
      // servers of today end its handshake.
      text = "Windows could not make a secure connection to " + name +
             ". Older Windows, such as Windows XP, cannot use the secure protocols that most "
             "servers now ask for";
      break;
  }
  if (!cause.empty()) text += " (" + std::string(cause) + ")";
  return text;
}

}  // namespace kestrova
