#include "mending/html_head_tokenizer.h"

#include <array>

#include "base/ascii.h"
#include "mending/byte_search.h"
#include "mending/server_code.h"

namespace kestrova {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// The bytes that end an attribute name, and those that end an unquoted value.
constexpr auto kEndsName = [] {
  std::array<bool, 256> table{};
  for (std::size_t b = 0; b < table.size(); ++b) {
    const char c = static_cast<char>(b);
    table[b] = IsHtmlSpace(c) || c == '/' || c == '=' || c == '>';
  }
  return table;
}();
constexpr auto kEndsUnquotedValue = [] {
  std::array<bool, 256> table{};
  for (std::size_t b = 0; b < table.size(); ++b) {
    const char c = static_cast<char>(b);
    table[b] = IsHtmlSpace(c) || c == '>';
  }
  return table;
}();

enum class AttributeState : std::uint8_t {
  kBeforeName,
  kName,
  kAfterName,
  kBeforeValue,
  kDoubleQuoted,
  kSingleQuoted,
  kUnquoted,
  kAfterQuoted,
  kSelfClosing,
};

// Steps *pos over the block of server code that opens there, if one does. Returns false when the
// block runs to the end of the text (the tag it lies in is then cut off by the end).
bool SkipServerCode(std::string_view text, std::size_t* pos) noexcept {
  const ServerCodeEnd block = FindServerCodeEnd(text, *pos);
  *pos = block.end;
  return block.closed;
}

// Runs the attribute states of a tag from `pos`, starting in `state`, and calls
// on_attribute(name, value) for each attribute as it completes. Returns the position after the
// '>' that ends the tag, or kNone when the page ends first (the tag is then dropped). Server code
// inside the tag is stepped over whole, in names and values alike: it belongs to what it lies in,
// and a '>' or a quote inside it ends nothing.
template <typename OnAttribute>
std::size_t WalkAttributes(std::string_view text, std::size_t pos, AttributeState state,
                           bool* self_closing, OnAttribute&& on_attribute) noexcept {
  std::size_t name_begin = kNone;
  std::size_t name_end = 0;
  std::size_t value_begin = 0;
  std::size_t value_end = 0;
  const auto flush = [&] {
    if (name_begin != kNone) {
      on_attribute(text.substr(name_begin, name_end - name_begin),
                   text.substr(value_begin, value_end - value_begin));
      name_begin = kNone;
    }
  };
  const auto start_name = [&](std::size_t at) {
    flush();
    name_begin = name_end = value_begin = value_end = at;
  };
  while (pos < text.size()) {
    const char c = text[pos];
    switch (state) {
      case AttributeState::kBeforeName:
      case AttributeState::kAfterName:
        if (IsHtmlSpace(c)) {
          ++pos;
        } else if (c == '/') {
          state = AttributeState::kSelfClosing;
          ++pos;
        } else if (c == '>') {
          flush();
          return pos + 1;
        } else if (c == '=' && state == AttributeState::kAfterName) {
          state = AttributeState::kBeforeValue;
          ++pos;
        } else if (c == '<' && OpensServerCode(text, pos)) {
          if (!SkipServerCode(text, &pos)) return kNone;
        } else {
          start_name(pos);  // '=' opening a name is part of it
          state = AttributeState::kName;
          ++pos;
        }
        break;
      case AttributeState::kName:
        // The name runs to white space, '/', '=' or '>', read again in the next state.
        while (pos < text.size() && !kEndsName[static_cast<unsigned char>(text[pos])]) {
          if (text[pos] == '<' && OpensServerCode(text, pos)) {
            if (!SkipServerCode(text, &pos)) return kNone;
          } else {
            ++pos;
          }
        }
        if (pos < text.size()) {
          name_end = pos;
          state = AttributeState::kAfterName;
        }
        break;
      case AttributeState::kBeforeValue:
        if (IsHtmlSpace(c)) {
          ++pos;
        } else if (c == '"' || c == '\'') {
          state = c == '"' ? AttributeState::kDoubleQuoted : AttributeState::kSingleQuoted;
          value_begin = value_end = ++pos;
        } else if (c == '>') {
          flush();
          return pos + 1;
        } else {
          // The value's first byte is read in the unquoted state, unless it is an ordinary one.
          state = AttributeState::kUnquoted;
          value_begin = value_end = pos;
          if (!OpensServerCode(text, pos)) value_end = ++pos;
        }
        break;
      case AttributeState::kDoubleQuoted:
      case AttributeState::kSingleQuoted: {
        const std::size_t quote =
            FindByteOrServerCode(text, pos, state == AttributeState::kDoubleQuoted ? '"' : '\'');
        if (quote == kNone) return kNone;
        if (text[quote] == '<') {
          pos = quote;
          if (!SkipServerCode(text, &pos)) return kNone;
          break;
        }
        value_end = quote;
        pos = quote + 1;
        state = AttributeState::kAfterQuoted;
        break;
      }
      case AttributeState::kUnquoted:
        // The value runs to white space or '>', read again in the next state.
        while (pos < text.size() && !kEndsUnquotedValue[static_cast<unsigned char>(text[pos])]) {
          if (text[pos] == '<' && OpensServerCode(text, pos)) {
            if (!SkipServerCode(text, &pos)) return kNone;
          } else {
            ++pos;
          }
        }
        value_end = pos;
        if (pos < text.size()) state = AttributeState::kBeforeName;
        break;
      case AttributeState::kAfterQuoted:
        if (IsHtmlSpace(c)) ++pos;
        state = AttributeState::kBeforeName;  // '/' and '>' are read again there
        break;
      case AttributeState::kSelfClosing:
        if (c == '>') {
          *self_closing = true;
          flush();
          return pos + 1;
        }
        state = AttributeState::kBeforeName;
        break;
    }
  }
  flush();
  return kNone;
}

// Runs the attribute states when no attribute needs to be seen.
std::size_t SkipAttributes(std::string_view text, std::size_t pos, AttributeState state,
                           bool* self_closing) noexcept {
  return WalkAttributes(text, pos, state, self_closing, [](std::string_view, std::string_view) {});
}

// The state a tag continues in after its name, given the byte that ended the name.
AttributeState StateAfterName(char ender) noexcept {
  return ender == '/' ? AttributeState::kSelfClosing : AttributeState::kBeforeName;
}

// Whether a code point a numeric character reference yields is whitespace to the tree builder.
// Values past the Unicode range become U+FFFD, which is not.
constexpr bool IsWhitespaceCodePoint(std::uint32_t value) noexcept {
  return value <= 0x20 && IsHtmlSpace(static_cast<char>(value));
}

int DigitValue(char c, bool hex) noexcept {
  if (hex) return HexDigitValue(c);
  return IsAsciiDigit(c) ? c - '0' : -1;
}

}  // namespace

bool FindAttribute(std::string_view attributes, std::string_view lower_name,
                   std::string_view* value) noexcept {
  bool found = false;
  bool self_closing = false;
  WalkAttributes(attributes, 0, AttributeState::kBeforeName, &self_closing,
                 [&](std::string_view name, std::string_view attribute_value) {
                   if (!found && TagNameIs(name, lower_name)) {
                     found = true;
                     *value = attribute_value;
                   }
                 });
  return found;
}

HeadToken HtmlHeadTokenizer::Emit(HeadTokenKind kind, std::size_t end) noexcept {
  HeadToken token;
  token.kind = kind;
  token.begin = pending_;
  token.end = end;
  pending_ = pos_ = end;
  return token;
}

HeadToken HtmlHeadTokenizer::EndOfFile() noexcept {
  pos_ = page_.size();
  HeadToken token;
  token.begin = token.end = pending_;
  return token;
}

HeadToken HtmlHeadTokenizer::Next() noexcept {
  const std::string_view s = page_;
  while (pos_ < s.size()) {
    const char c = s[pos_];
    if (IsHtmlSpace(c)) {
      std::size_t end = pos_ + 1;
      while (end < s.size() && IsHtmlSpace(s[end])) ++end;
      return Emit(HeadTokenKind::kWhitespace, end);
    }
    if (c == '&') return ReadCharacterReference();
    if (c != '<') {
      const std::size_t lt = FindByte(s, pos_ + 1, '<');
      return Emit(HeadTokenKind::kText, lt == kNone ? s.size() : lt);
    }
    // Tag open state.
    const std::size_t lt = pos_;
    if (OpensServerCode(s, lt)) {
      const ServerCodeEnd block = FindServerCodeEnd(s, lt);
      HeadToken token = Emit(HeadTokenKind::kServerCode, block.end);
      token.unclosed = !block.closed;
      return token;
    }
    if (lt + 1 >= s.size()) return Emit(HeadTokenKind::kText, s.size());
    const char next = s[lt + 1];
    if (IsAsciiLetter(next)) return ReadTag(lt, false);
    if (next == '!') return ReadMarkupDeclaration(lt);
    if (next == '?') {
      const std::size_t gt = FindByte(s, lt + 1, '>');
      return Emit(HeadTokenKind::kComment, gt == kNone ? s.size() : gt + 1);
    }
    if (next != '/') return Emit(HeadTokenKind::kText, lt + 1);  // a '<' that opens nothing
    // End tag open state.
    if (lt + 2 >= s.size()) return Emit(HeadTokenKind::kText, s.size());
    const char first = s[lt + 2];
    if (IsAsciiLetter(first)) return ReadTag(lt, true);
    if (first == '>') {
      pos_ = lt + 3;  // "</>" yields no token at all
      continue;
    }
    const std::size_t gt = FindByte(s, lt + 2, '>');
    return Emit(HeadTokenKind::kComment, gt == kNone ? s.size() : gt + 1);
  }
  return EndOfFile();
}

HeadToken HtmlHeadTokenizer::ReadTag(std::size_t lt, bool end_tag) noexcept {
  const std::string_view s = page_;
  const std::size_t name_begin = lt + (end_tag ? 2 : 1);
  std::size_t name_end = name_begin + 1;
  while (name_end < s.size() && !IsHtmlSpace(s[name_end]) && s[name_end] != '/' &&
         s[name_end] != '>') {
    ++name_end;
  }
  if (name_end >= s.size()) return EndOfFile();
  bool self_closing = false;
  std::size_t end = name_end + 1;
  if (s[name_end] != '>') {
    end = SkipAttributes(s, name_end + 1, StateAfterName(s[name_end]), &self_closing);
    if (end == kNone) return EndOfFile();
  }
  HeadToken token = Emit(end_tag ? HeadTokenKind::kEndTag : HeadTokenKind::kStartTag, end);
  token.name = s.substr(name_begin, name_end - name_begin);
  token.attributes = s.substr(name_end, end - 1 - name_end);
  token.self_closing = self_closing;
  return token;
}

HeadToken HtmlHeadTokenizer::ReadMarkupDeclaration(std::size_t lt) noexcept {
  const std::string_view s = page_;
  const std::size_t open = lt + 2;
  if (s.substr(open, 2) == "--") {
    // The comment states: a comment ends at "-->" or "--!>", or at once with "<!-->", "<!--->".
    std::size_t pos = open + 2;
    if (pos < s.size() && s[pos] == '>') return Emit(HeadTokenKind::kComment, pos + 1);
    if (pos + 1 < s.size() && s[pos] == '-' && s[pos + 1] == '>') {
      return Emit(HeadTokenKind::kComment, pos + 2);
    }
    for (;;) {
      const std::size_t dash = FindByte(s, pos, '-');
      if (dash == kNone) return Emit(HeadTokenKind::kComment, s.size());
      pos = dash + 1;
      if (pos >= s.size() || s[pos] != '-') continue;  // comment end dash, then back to comment
      // Comment end state: more dashes stay in it.
      while (pos + 1 < s.size() && s[pos + 1] == '-') ++pos;
      const std::size_t after = pos + 1;
      if (after >= s.size()) return Emit(HeadTokenKind::kComment, s.size());
      if (s[after] == '>') return Emit(HeadTokenKind::kComment, after + 1);
      if (s[after] == '!') {
        // Comment end bang state.
        if (after + 1 >= s.size()) return Emit(HeadTokenKind::kComment, s.size());
        if (s[after + 1] == '>') return Emit(HeadTokenKind::kComment, after + 2);
        pos = after + 1;  // a '-' here is read again as a comment end dash
        continue;
      }
      pos = after + 1;
    }
  }
  if (StartsWithLowerNameAt(s, open, "doctype")) {
    const std::size_t gt = FindByte(s, open + 7, '>');
    return Emit(HeadTokenKind::kDoctype, gt == kNone ? s.size() : gt + 1);
  }
  if (in_foreign_content_ && s.substr(open, 7) == "[CDATA[") {
    const std::size_t close = s.find("]]>", open + 7);
    return Emit(HeadTokenKind::kText, close == kNone ? s.size() : close + 3);
  }
  const std::size_t gt = FindByte(s, open, '>');
  return Emit(HeadTokenKind::kComment, gt == kNone ? s.size() : gt + 1);
}

HeadToken HtmlHeadTokenizer::ReadCharacterReference() noexcept {
  const std::string_view s = page_;
  const std::size_t amp = pos_;
  if (amp + 1 < s.size() && s[amp + 1] == '#') {
    std::size_t pos = amp + 2;
    const bool hex = pos < s.size() && (s[pos] == 'x' || s[pos] == 'X');
    if (hex) ++pos;
    const std::size_t digits = pos;
    std::uint32_t value = 0;
    for (int digit = 0; pos < s.size() && (digit = DigitValue(s[pos], hex)) >= 0; ++pos) {
      value =
          value > 0x10FFFF ? value : value * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
    }
    if (pos == digits) return Emit(HeadTokenKind::kText, amp + 1);  // no digits: a plain '&'
    if (pos < s.size() && s[pos] == ';') ++pos;
    return Emit(IsWhitespaceCodePoint(value) ? HeadTokenKind::kWhitespace : HeadTokenKind::kText,
                pos);
  }
  // The only named references that yield whitespace.
  if (s.substr(amp + 1, 4) == "Tab;") return Emit(HeadTokenKind::kWhitespace, amp + 5);
  if (s.substr(amp + 1, 8) == "NewLine;") return Emit(HeadTokenKind::kWhitespace, amp + 9);
  return Emit(HeadTokenKind::kText, amp + 1);
}

HeadToken HtmlHeadTokenizer::FinishTextEndTag(std::size_t lt, std::size_t name_end) noexcept {
  const std::string_view s = page_;
  pending_ = lt;  // the text before the end tag was emitted
  bool self_closing = false;
  std::size_t end = name_end + 1;
  if (s[name_end] != '>') {
    end = SkipAttributes(s, name_end + 1, StateAfterName(s[name_end]), &self_closing);
    if (end == kNone) return EndOfFile();
  }
  HeadToken token = Emit(HeadTokenKind::kEndTag, end);
  token.name = s.substr(lt + 2, name_end - lt - 2);
  token.attributes = s.substr(name_end, end - 1 - name_end);
  token.self_closing = self_closing;
  return token;
}

HeadToken HtmlHeadTokenizer::SkipText(TextState state, std::string_view element) noexcept {
  const std::string_view s = page_;
  if (state == TextState::kPlaintext) {
    pending_ = s.size();
    return EndOfFile();
  }
  std::size_t lt = kNone;
  std::size_t name_end = 0;
  if (state == TextState::kScriptData) {
    lt = FindScriptEnd(pos_, &name_end);
  } else {
    // RCDATA and RAWTEXT end only at "</" + the element's name + whitespace, '/' or '>'.
    for (std::size_t from = pos_; (lt = FindByte(s, from, '<')) != kNone; from = lt + 1) {
      name_end = lt + 2 + element.size();
      if (name_end < s.size() && s[lt + 1] == '/' && StartsWithLowerNameAt(s, lt + 2, element) &&
          (IsHtmlSpace(s[name_end]) || s[name_end] == '/' || s[name_end] == '>')) {
        break;
      }
    }
  }
  if (lt == kNone) {
    pending_ = s.size();
    return EndOfFile();
  }
  return FinishTextEndTag(lt, name_end);
}

// Follows the script data states from `from` and returns the position of the "</script" that
// ends the script (setting *name_end past its name), or kNone when the page ends first.
std::size_t HtmlHeadTokenizer::FindScriptEnd(std::size_t from,
                                             std::size_t* name_end) const noexcept {
  enum class State : std::uint8_t {
    kData,
    kEscaped,
    kEscapedDash,
    kEscapedDashDash,
    kDoubleEscaped,
    kDoubleEscapedDash,
    kDoubleEscapedDashDash,
  };
  const std::string_view s = page_;
  const auto is_script_end_tag = [&](std::size_t lt) {
    const std::size_t end = lt + 8;
    return end < s.size() && s[lt + 1] == '/' && StartsWithLowerNameAt(s, lt + 2, "script") &&
           (IsHtmlSpace(s[end]) || s[end] == '/' || s[end] == '>');
  };
  // Reads letters from `pos`; returns the position after them when they spell "script" and are
  // followed by whitespace, '/' or '>', which is consumed too; kNone otherwise.
  const auto script_word = [&](std::size_t pos, std::size_t* stop) {
    std::size_t end = pos;
    while (end < s.size() && IsAsciiLetter(s[end])) ++end;
    *stop = end;
    if (end >= s.size() || end - pos != 6 || !StartsWithLowerNameAt(s, pos, "script")) return kNone;
    return (IsHtmlSpace(s[end]) || s[end] == '/' || s[end] == '>') ? end + 1 : kNone;
  };
  State state = State::kData;
  std::size_t pos = from;
  while (pos < s.size()) {
    const char c = s[pos];
    switch (state) {
      case State::kData: {
        const std::size_t lt = FindByte(s, pos, '<');
        if (lt == kNone || lt + 1 >= s.size()) return kNone;
        if (s[lt + 1] == '/') {
          if (is_script_end_tag(lt)) {
            *name_end = lt + 8;
            return lt;
          }
          pos = lt + 2;
        } else if (s[lt + 1] == '!') {
          // Script data escape start: "<!--" enters the escaped states.
          pos = lt + 2;
          if (s.substr(pos, 2) == "--") {
            pos += 2;
            state = State::kEscapedDashDash;
          }
        } else {
          pos = lt + 1;
        }
        break;
      }
      case State::kEscaped:
      case State::kEscapedDash:
      case State::kEscapedDashDash:
        if (c == '-') {
          state = state == State::kEscaped ? State::kEscapedDash : State::kEscapedDashDash;
          ++pos;
        } else if (c == '>' && state == State::kEscapedDashDash) {
          state = State::kData;
          ++pos;
        } else if (c == '<') {
          state = State::kEscaped;
          if (pos + 1 >= s.size()) return kNone;
          if (s[pos + 1] == '/') {
            if (is_script_end_tag(pos)) {
              *name_end = pos + 8;
              return pos;
            }
            pos += 2;
          } else if (IsAsciiLetter(s[pos + 1])) {
            // Script data double escape start.
            std::size_t stop = 0;
            const std::size_t after = script_word(pos + 1, &stop);
            if (stop >= s.size()) return kNone;
            if (after != kNone) state = State::kDoubleEscaped;
            pos = after != kNone ? after : stop;
          } else {
            ++pos;
          }
        } else {
          state = State::kEscaped;
          ++pos;
        }
        break;
      case State::kDoubleEscaped:
      case State::kDoubleEscapedDash:
      case State::kDoubleEscapedDashDash:
        if (c == '-') {
          state = state == State::kDoubleEscaped ? State::kDoubleEscapedDash
                                                 : State::kDoubleEscapedDashDash;
          ++pos;
        } else if (c == '>' && state == State::kDoubleEscapedDashDash) {
          state = State::kData;
          ++pos;
        } else if (c == '<') {
          state = State::kDoubleEscaped;
          if (pos + 1 < s.size() && s[pos + 1] == '/') {
            // Script data double escape end.
            std::size_t stop = 0;
            const std::size_t after = script_word(pos + 2, &stop);
            if (stop >= s.size()) return kNone;
            if (after != kNone) state = State::kEscaped;
            pos = after != kNone ? after : stop;
          } else {
            ++pos;
          }
        } else {
          state = State::kDoubleEscaped;
          ++pos;
        }
        break;
    }
  }
  return kNone;
}

}  // namespace kestrova
