#include "platform/posix/body_buffer.h"

#include <algorithm>

namespace kestrova {

void BodyBuffer::Append(std::string_view piece) {
  // Move the unread bytes to the front before growing, so the storage stays near the capacity.
  if (read_ > 0 && bytes_.size() + piece.size() > bytes_.capacity()) {
    bytes_.erase(0, read_);
    read_ = 0;
  }
  bytes_.append(piece);
  size_ += piece.size();
}

std::string BodyBuffer::Take(std::size_t max_size) {
  const std::size_t count = std::min(max_size, size_);
  std::string piece = bytes_.substr(read_, count);
  read_ += count;
  size_ -= count;
  if (size_ == 0) {
    bytes_.clear();
    read_ = 0;
  }
  return piece;
}

void BodyBuffer::Clear() noexcept {
  bytes_.clear();
  read_ = 0;
  size_ = 0;
}

}  // namespace kestrova
