#include "mending/page_rule.h"

#include <array>
#include <string>

#include "base/ascii.h"
#include "mending/entry_paths.h"

namespace kestrova {
namespace {

// The extensions a web serves as HTML (after any server-side processing), in lower case.
constexpr std::array<std::string_view, 10> kPageExtensions = {
    "htm", "html", "shtm", "shtml", "stm", "xht", "xhtml", "asp", "aspx", "htx"};

// What a file starts with when it is HTML: the tags of HTML's content sniffing. Each must be
// followed by a blank or ">" to count (so "<a" is not "<abbr" nor "<applet").
constexpr std::array<std::string_view, 17> kHtmlOpenings = {"<!doctype html",
                                                            "<html",
                                                            "<head",
                                                            "<script",
                                                            "<iframe",
                                                            "<h1",
                                                            "<div",
                                                            "<font",
                                                            "<table",
                                                            "<a",
                                                            "<style",
                                                            "<title",
                                                            "<b",
                                                            "<body",
                                                            "<br",
                                                            "<p",
                                                            "<!--"};

constexpr std::string_view kMetadataFolderPrefix = "_vti_";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool HasPageExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = name.substr(dot + 1);
  for (const std::string_view known : kPageExtensions) {
    if (EqualsIgnoringCase(extension, known)) return true;
  }
  return false;
}

}  // namespace

EntryKind ClassifyEntry(std::string_view entry) {
  const std::string path = EntryRelativePagePath(entry, '/');
  std::string_view rest = path;
  std::string_view name;
  bool first = true;
  while (true) {
    std::size_t end = 0;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    name = rest.substr(0, end);
    const bool last = end == rest.size();
    if (name.starts_with('.')) return EntryKind::kNeverAPage;
    if (!last && StartsWithIgnoringCase(name, kMetadataFolderPrefix)) {
      return EntryKind::kNeverAPage;
    }
    if (first && !last && EqualsIgnoringCase(name, kMendFolderName)) {
      return EntryKind::kNeverAPage;
    }
    if (last) break;
    rest.remove_prefix(end + 1);
    first = false;
  }
  return HasPageExtension(name) ? EntryKind::kPageByName : EntryKind::kPageIfContentIsHtml;
}

bool BeginsAsHtml(std::string_view start) {
  if (start.starts_with(kUtf8ByteOrderMark)) start.remove_prefix(kUtf8ByteOrderMark.size());
  while (!start.empty() && IsHtmlSpace(start.front())) start.remove_prefix(1);
  for (const std::string_view opening : kHtmlOpenings) {
    if (!StartsWithIgnoringCase(start, opening)) continue;
    if (start.size() == opening.size()) continue;
    const char next = start[opening.size()];
    if (IsHtmlSpace(next) || next == '>') return true;
  }
  return false;
}

}  // namespace kestrova
