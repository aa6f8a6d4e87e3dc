// Feeds arbitrary bytes to the reading of an inventory: its split into lines, the test of every
// entry, and the conversion of its first line into a date. Nothing may crash or read out of
// bounds; the lines must hold every byte but CR; an entry found safe must give a page path that
// stays inside the web; and a date read from the text must read back the same from its own text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "mending/entry_paths.h"
#include "mending/inventory.h"
#include "mending/inventory_date.h"

namespace {

// True when a path made of segments joined by separator holds a segment that climbs or stays
// ("." or ".."), or a character that would start another path or name a stream.
bool LeavesItsFolder(std::string_view path, char separator) {
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = path.find(separator, begin);
    const std::string_view segment =
        path.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
    if (segment == "." || segment == "..") return true;
    for (const char c : segment) {
      if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) return true;
    }
    if (end == std::string_view::npos) return false;
    begin = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = kestrova::SplitInventoryText(text);

  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += '\n';
    joined += lines[i];
  }
  std::string without_cr;
  for (const char c : text) {
    if (c != '\r') without_cr += c;
  }
  if (joined != without_cr) std::abort();

  for (std::size_t i = kestrova::kFirstEntryLine; i < lines.size(); ++i) {
    if (!kestrova::UnsafeEntryReason(lines[i]).empty()) continue;
    if (LeavesItsFolder(kestrova::EntryRelativePagePath(lines[i], '/'), '/') ||
        LeavesItsFolder(kestrova::EntryRelativePagePath(lines[i], '\\'), '\\')) {
      std::abort();
    }
  }

  if (!lines.empty()) {
    const auto date = kestrova::ParseDateText(lines[0], 2026);
    if (date) {
      const kestrova::CivilTime civil = date->ToCivil();
      if (civil.year < kestrova::DateTime::kMinYear || civil.year > kestrova::DateTime::kMaxYear) {
        std::abort();
      }
      if (kestrova::ParseDateText(date->Format(), 2026) != date) std::abort();
    }
  }
  return 0;
}
