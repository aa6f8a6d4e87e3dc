#include "mending/page_rule.h"

#include <array>
#include <string>

#include "base/ascii.h"
#include "mending/entry_paths.h"
#include "mending/server_code.h"

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

// The first bytes of files that are no text, with what each file is. Each signature holds bytes no
// page begins with; pictures and movies whose headers hold NUL bytes early (BMP, ICO, Flash) need
// none.
struct Signature {
  std::string_view bytes;
  std::string_view what;
};
constexpr std::array<Signature, 11> kSignatures = {{
    {"\xFF\xD8\xFF", "a JPEG picture"},
    {"\x89PNG\r\n\x1A\n", "a PNG picture"},
    {"GIF87a", "a GIF picture"},
    {"GIF89a", "a GIF picture"},
    {"%PDF-", "a PDF document"},
    {"PK\x03\x04", "a ZIP archive"},
    {"PK\x05\x06", "a ZIP archive"},
    {"\x1F\x8B\x08", "a gzip archive"},
    {"Rar!\x1A\x07", "a RAR archive"},
    {"7z\xBC\xAF\x27\x1C", "a 7-Zip archive"},
    {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", "an Office document"},
}};

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The start with a UTF-8 byte order mark, blanks and blocks of server code stepped over; empty
// when the start ends inside them.
std::string_view SkipLeadingServerCode(std::string_view start) {
  if (start.starts_with(kUtf8ByteOrderMark)) start.remove_prefix(kUtf8ByteOrderMark.size());
  while (true) {
    while (!start.empty() && IsHtmlSpace(start.front())) start.remove_prefix(1);
    if (!OpensServerCode(start, 0)) return start;
    const ServerCodeEnd block = FindServerCodeEnd(start, 0);
    if (!block.closed) return {};
    start.remove_prefix(block.end);
  }
}

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
  start = SkipLeadingServerCode(start.substr(0, kLeadingServerCodeLimit + kHtmlSniffLength));
  for (const std::string_view opening : kHtmlOpenings) {
    if (!StartsWithIgnoringCase(start, opening)) continue;
    if (start.size() == opening.size()) continue;
    const char next = start[opening.size()];
    if (IsHtmlSpace(next) || next == '>') return true;
  }
  return false;
}

std::size_t SniffLengthNeeded(std::string_view start) {
  const std::string_view limited = start.substr(0, kLeadingServerCodeLimit);
  const std::string_view rest = SkipLeadingServerCode(limited);
  const std::size_t leading = rest.empty() ? limited.size() : limited.size() - rest.size();
  return leading + kHtmlSniffLength;
}

std::string_view WhatIsNotText(std::string_view start) {
  for (const Signature& signature : kSignatures) {
    if (start.starts_with(signature.bytes)) return signature.what;
  }
  const std::string_view first = start.substr(0, kHtmlSniffLength);
  if (first.find('\0') != std::string_view::npos) return "binary data";
  return {};
}

}  // namespace kestrova
