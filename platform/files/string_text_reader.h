// Reading the lines of text held in memory, as the file systems hand out a whole text file.
#ifndef KESTROVA_PLATFORM_FILES_STRING_TEXT_READER_H_
#define KESTROVA_PLATFORM_FILES_STRING_TEXT_READER_H_

#include <cstddef>
#include <string>
#include <utility>

#include "platform/files/file_system.h"

namespace kestrova {

// Reads lines from text held in memory; a line ends before its CR LF or LF.
class StringTextReader final : public TextReader {
 public:
  explicit StringTextReader(std::string text) : text_(std::move(text)) {}
  bool AtEndOfStream() const override { return position_ >= text_.size(); }
  std::string ReadLine() override;

 private:
  std::string text_;
  std::size_t position_ = 0;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_FILES_STRING_TEXT_READER_H_
