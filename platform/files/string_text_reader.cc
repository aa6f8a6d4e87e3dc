#include "platform/files/string_text_reader.h"

#include "base/failure.h"

namespace kestrova {

std::string StringTextReader::ReadLine() {
  if (AtEndOfStream()) RaiseProgramError(kErrInputPastEnd);
  std::size_t end = text_.find('\n', position_);
  if (end == std::string::npos) end = text_.size();
  std::size_t line_end = end;
  if (line_end > position_ && text_[line_end - 1] == '\r') --line_end;
  std::string line = text_.substr(position_, line_end - position_);
  position_ = end + 1;
  return line;
}

}  // namespace kestrova
