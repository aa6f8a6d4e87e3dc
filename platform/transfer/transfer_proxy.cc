#include "platform/transfer/transfer_proxy.h"

namespace kestrova {

std::string ProxyPasswordText(std::string_view url, std::string_view status_line) {
  std::string text = "The proxy server asks for a password before it passes on the request for \"";
  text.append(url).append("\" (it answered \"").append(status_line).append("\").\r\n");
  text +=
      "Kestrova neither sends nor asks for the proxy's password: ask your network administrator "
      "to let this site through the proxy, or publish over a connection without it.";
  return text;
}

}  // namespace kestrova
