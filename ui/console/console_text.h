// Text shaping for the terminal: line breaks, control characters that must not reach a terminal,
// cutting a line to a width, and reading a typed answer.
#ifndef KESTROVA_UI_CONSOLE_CONSOLE_TEXT_H_
#define KESTROVA_UI_CONSOLE_CONSOLE_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

// Control characters are the bytes below 0x20, DEL, and the C1 controls U+0080 to U+009F in
// their UTF-8 form (a terminal may take U+009B for the start of an escape sequence).

// The text with CR LF and lone CR turned into LF, and every other control character but LF and
// tab turned into '?', so that text from a server cannot steer the terminal.
std::string PrintableLines(std::string_view text);

// The text on one line: every control character, line breaks included, becomes a space.
std::string PrintableLine(std::string_view text);

// The first columns characters of text, counting a UTF-8 sequence as one character and never
// cutting one apart. Returns text whole when it is short enough; empty for columns <= 0.
std::string FitToColumns(std::string_view text, int columns);

// A typed answer without surrounding blanks (spaces, tabs, CR), in ASCII lower case.
std::string NormalizedAnswer(std::string_view answer);

// The text without surrounding blanks (spaces, tabs, CR); the case stays.
std::string_view TrimBlanks(std::string_view text);

}  // namespace kestrova

#endif  // KESTROVA_UI_CONSOLE_CONSOLE_TEXT_H_
