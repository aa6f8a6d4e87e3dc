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

// How many bytes of a file's start BeginsAsHtml and WhatIsNotText look at, after any server code
// that leads the file.
inline constexpr std::size_t kHtmlSniffLength = 512;

// How much server code before a page's first markup the sniffing steps over: a file whose leading
// server code runs on further is taken for a program, not a page.
inline constexpr std::size_t kLeadingServerCodeLimit = std::size_t{64} << 10;

// Classifies an entry by the page path it names (EntryRelativePagePath of the entry). Folder names
// are compared without regard to ASCII case, as a Windows web folder finds them.
EntryKind ClassifyEntry(std::string_view entry);

// True when the file's first bytes begin as an HTML document does: after an optional UTF-8 byte
// order mark, blanks and blocks of server code (mending/server_code.h), a doctype, a comment or
// one of the tags that only HTML starts with ("<html", "<head", "<body", "<title", "<p", ...), in
// any case. `start` needs kHtmlSniffLength bytes past the leading server code (see
// SniffLengthNeeded), or the whole file when it is shorter.
bool BeginsAsHtml(std::string_view start);

// How many bytes of a file's start the sniffing needs, judged from what was read so far: the
// leading server code and kHtmlSniffLength bytes after it (at most kLeadingServerCodeLimit of
// server code counts).
std::size_t SniffLengthNeeded(std::string_view start);

// Why the file whose first bytes are `start` is no text that a page could be made of, in words
// for the user ("a JPEG picture", "binary data"); empty when it is text. A file is not text when
// its first kHtmlSniffLength bytes hold a NUL byte (binary data, or text in UTF-16 or UTF-32,
// which the rewrite cannot write into), or when it begins with the signature of a picture, a PDF
// document or an archive (JPEG, PNG, GIF, PDF, ZIP, gzip, RAR, 7-Zip, an Office compound file).
std::string_view WhatIsNotText(std::string_view start);

}  // namespace kestrova

#endif  // KESTROVA_MENDING_PAGE_RULE_H_
