// One element of a head text, as the head scanner cuts it.
#ifndef KESTROVA_MENDING_HEAD_ELEMENT_H_
#define KESTROVA_MENDING_HEAD_ELEMENT_H_

#include <cstddef>
#include <string_view>

namespace kestrova {

// A comment ("<!--" to the end of the first "-->"), a block of server code, or a tag (from its "<"
// to the end of its closing tag, or to the end of the opening tag when the rest of the head holds
// no closing tag).
// The views point into the scanned head text and live as long as it does.
struct HeadElement {
  // The element's text, from its "<" to its last ">", both included.
  std::string_view text;
  // How many characters of text come before the ">" that ends the opening part: the opening tag's
  // own ">" for a tag, the first ">" for a comment. White space is normalised only there.
  std::size_t opening_length = 0;
  bool is_comment = false;
  // True for a block of server code ("<%" to "%>", "<?php" to "?>"): it is kept as written.
  bool is_server_code = false;
  // True for a META tag whose first attribute is NAME.
  bool has_name_value = false;
  // The NAME value of such a META tag. An unquoted value runs to the next space and may run on
  // past the tag's end; it then matches no other name.
  std::string_view name_value;
  // For such a META tag: the tag from its "<" up to, not including, the ">" that ends it.
  std::string_view tag_text;
};

}  // namespace kestrova

#endif  // KESTROVA_MENDING_HEAD_ELEMENT_H_
