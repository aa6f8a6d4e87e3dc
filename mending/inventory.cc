#include "mending/inventory.h"

#include <array>

#include "base/ascii.h"
#include "base/failure.h"

namespace kestrova {
namespace {

// Device names Windows reserves in every folder, with or without an extension.
constexpr std::array<std::string_view, 4> kReservedNames = {"CON", "PRN", "AUX", "NUL"};

bool IsReservedDeviceName(std::string_view segment) {
  const std::string_view base = segment.substr(0, segment.find('.'));
  for (std::string_view reserved : kReservedNames) {
    if (EqualsIgnoringCase(base, reserved)) return true;
  }
  // COM0 to COM9 and LPT0 to LPT9.
  return base.size() == 4 &&
         (StartsWithIgnoringCase(base, "COM") || StartsWithIgnoringCase(base, "LPT")) &&
         IsAsciiDigit(base[3]);
}

}  // namespace

std::vector<std::string> SplitInventoryText(std::string_view text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  lines.emplace_back();
  for (const char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  return lines;
}

std::string UnsafeEntryReason(std::string_view entry) {
  if (entry.empty()) return "it is empty";
  for (const char c : entry) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return "it holds a control character";
    if (c == '/' || c == '\\') return "it holds a path separator";
    if (c == ':') return "it holds a drive or stream separator \":\"";
    if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') {
      return std::string("it holds the character \"") + c + "\", which Windows refuses in names";
    }
  }
  if (IsReservedDeviceName(entry)) return "it is a device name that Windows reserves";
  // Each folder level of the page path the entry names.
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = entry.find("--", begin);
    const std::string_view segment =
        entry.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
    if (segment == "." || segment == "..")
      return "its page path holds a \"" + std::string(segment) + "\" folder level";
    if (IsReservedDeviceName(segment)) {
      return "its page path holds a device name that Windows reserves";
    }
    if (end == std::string_view::npos) break;
    begin = end + 2;
  }
  return {};
}

void CheckEntryIsSafe(std::string_view entry) {
  const std::string reason = UnsafeEntryReason(entry);
  if (reason.empty()) return;
  RaiseProgramError(errUnsafeEntry,
                    "The inventory lists the entry \"" + EscapeControlCharacters(entry) +
                        "\", which cannot be used: " + reason + ". Nothing was written for it.");
}

}  // namespace kestrova
