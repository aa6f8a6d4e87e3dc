// Which listed entries name an HTML page that the mend phase may rewrite. A server lists entries,
// so a listing alone never makes a script, a repository file or a server setting into a page.
#ifndef KESTROVA_MENDING_PAGE_RULE_H_
#define KESTROVA_MENDING_PAGE_RULE_H_

#include <cstddef>
#include <string_view>

namespace kestrova {

// Why an entry is or is not a page, from its path alone.
enum class EntryKind {
  // The extension is one a web serves as HTML: a page.
  kPageByName,
  // Not ruled out by its path, but its extension is no page's: a page only if its content
  // begins as HTML does.
  kPageIfContentIsHtml,
  // Never a page: a name or folder beginning with ".", a FrontPage metadata folder ("_vti_*"),
  // or the mend folder itself.
  kNeverAPage,
};

// How many bytes of a file's start BeginsAsHtml needs at most to decide.
inline constexpr std::size_t kHtmlSniffLength = 512;

// Classifies an entry by the page path it names (EntryRelativePagePath of the entry). Folder names
// are compared without regard to ASCII case, as a Windows web folder finds them.
EntryKind ClassifyEntry(std::string_view entry);

// True when the file's first bytes begin as an HTML document does: after an optional UTF-8 byte
// order mark and blanks, a doctype, a comment or one of the tags that only HTML starts with
// ("<html", "<head", "<body", "<title", "<p", ...), in any case.
bool BeginsAsHtml(std::string_view start);

}  // namespace kestrova

#endif  // KESTROVA_MENDING_PAGE_RULE_H_
