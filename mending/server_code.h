// Server code in a page: the blocks a web server runs before it sends the page, which a browser
// never sees. ASP, ASP.NET and JSP write them "<%" to "%>" (directives "<%@", expressions "<%="),
// PHP "<?php" or "<?=" to "?>". Such a block is opaque to the head locator and the head scanner:
// it never makes, ends or cuts a head, and a ">" inside it ends nothing.
#ifndef KESTROVA_MENDING_SERVER_CODE_H_
#define KESTROVA_MENDING_SERVER_CODE_H_

#include <cstddef>
#include <string_view>

namespace kestrova {

// Where a block of server code that starts at a position ends.
struct ServerCodeEnd {
  std::size_t end = 0;  // one past its closing "%>" or "?>"; the end of the text when unclosed
  bool closed = true;   // false when the text ends before the block does
};

// True when a block of server code opens at pos: "<%", or "<?php" followed by white space or the
// end of the text, or "<?=". A "<?" of anything else ("<?xml ...?>") is no server code.
bool OpensServerCode(std::string_view text, std::size_t pos) noexcept;

// Where the block of server code that opens at pos ends (OpensServerCode(text, pos) must hold).
// The first closing mark ends it, as the servers themselves read it.
ServerCodeEnd FindServerCodeEnd(std::string_view text, std::size_t pos) noexcept;

// Position of the first byte at or after from that is `a`, or the "<" of a block of server code;
// npos when there is none. Searches that must step over server code find their byte with this.
std::size_t FindByteOrServerCode(std::string_view text, std::size_t from, char a) noexcept;

}  // namespace kestrova

#endif  // KESTROVA_MENDING_SERVER_CODE_H_
