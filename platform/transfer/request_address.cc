#include "platform/transfer/request_address.h"

#include "base/ascii.h"
#include "platform/transfer/url_encoding.h"

namespace kestrova {
namespace {

// Removes `prefix` from the front of `text` when it is there, in any case.
bool ConsumePrefixIgnoringCase(std::string_view& text, std::string_view prefix) {
  if (!StartsWithIgnoringCase(text, prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// Host characters: letters, digits and the few others a name or an IPv4 address uses.
bool IsHostCharacter(char c) { return IsAsciiLetterOrDigit(c) || c == '-' || c == '.' || c == '_'; }

std::optional<std::uint16_t> ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (const char c : digits) {
    if (!IsAsciiDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<RequestAddress> ParseRequestAddress(std::string_view url) {
  RequestAddress target;
  target.text = EncodeUnsafeUrlBytes(url);
  std::string_view rest = target.text;
  if (ConsumePrefixIgnoringCase(rest, "https://")) {
    target.secure = true;
    target.port = 443;
  } else if (ConsumePrefixIgnoringCase(rest, "http://")) {
    target.port = 80;
  } else {
    return std::nullopt;
  }

  const std::size_t authority_end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, authority_end);
  std::string_view object =
      authority_end == std::string_view::npos ? std::string_view() : rest.substr(authority_end);

  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view credentials = authority.substr(0, at);
    const std::size_t colon = credentials.find(':');
    target.user = std::string(credentials.substr(0, colon));
    if (colon != std::string_view::npos)
      target.password = std::string(credentials.substr(colon + 1));
    authority.remove_prefix(at + 1);
  }

  std::string_view port_text;
  bool has_port = false;
  if (!authority.empty() && authority.front() == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos || close == 1) return std::nullopt;
    const std::string_view address = authority.substr(1, close - 1);
    for (const char c : address) {
      if (HexDigitValue(c) < 0 && c != ':' && c != '.') return std::nullopt;
    }
    target.host = std::string(address);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      has_port = true;
      port_text = after.substr(1);
    }
  } else {
    const std::size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (host.empty()) return std::nullopt;
    for (const char c : host) {
      if (!IsHostCharacter(c)) return std::nullopt;
    }
    target.host = std::string(host);
    if (colon != std::string_view::npos) {
      has_port = true;
      port_text = authority.substr(colon + 1);
    }
  }
  // "host:" names no port, and means the default one.
  if (has_port && !port_text.empty()) {
    const std::optional<std::uint16_t> port = ParsePort(port_text);
    if (!port) return std::nullopt;
    target.port = *port;
  }

  object = object.substr(0, object.find('#'));  // the fragment stays with the client
  if (object.empty() || object.front() != '/') target.object.push_back('/');
  target.object.append(object);
  return target;
}

}  // namespace kestrova
