#include "publish/listed_page.h"

#include "base/failure.h"
#include "mending/entry_paths.h"
#include "mending/page_rule.h"

namespace kestrova {
namespace {

// Why the existing file at page_path of entry is no page, in words for the user; empty when it
// is one. Only text is a page: a page's extension on a picture or an archive does not make one.
std::string WhyNotAPage(FileSystem& files, std::string_view entry, const std::string& page_path) {
  const EntryKind kind = ClassifyEntry(entry);
  if (kind == EntryKind::kNeverAPage) return "it is not an HTML page.";
  const std::string start =
      kind == EntryKind::kPageByName
          ? files.ReadFirstBytes(page_path, kHtmlSniffLength)
          : files
                .ReadFileStart(
                    page_path,
                    [](std::string_view read) { return read.size() >= SniffLengthNeeded(read); })
                .bytes;
  if (const std::string_view what = WhatIsNotText(start); !what.empty()) {
    return "it is not text but " + std::string(what) + ".";
  }
  if (kind == EntryKind::kPageIfContentIsHtml && !BeginsAsHtml(start)) {
    return "it is not an HTML page.";
  }
  return {};
}

}  // namespace

ListedPageFile FindListedPage(FileSystem& files, const std::string& web_path,
                              std::string_view entry) {
  const std::string page_path = EntryPagePath(web_path, entry);
  if (!files.FileExists(page_path)) return {{}, "there is no such page in the web.", true};
  const auto page_file = files.ResolveInside(web_path, page_path);
  // A link is followed only as far as the web goes: what lies outside is not the web's.
  if (!page_file) return {{}, "it is a link to a file outside the web."};
  try {
    std::string why = WhyNotAPage(files, entry, *page_file);
    if (!why.empty()) return {{}, std::move(why)};
  } catch (const Failure& failure) {
    if (failure.description().find(page_path) != std::string::npos) throw;
    throw Failure(failure.number(), failure.source(), page_path + "\r\n" + failure.description(),
                  failure.address());
  }
  return {*page_file, {}};
}

}  // namespace kestrova
