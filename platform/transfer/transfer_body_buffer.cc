#include "platform/transfer/transfer_body_buffer.h"

#include <algorithm>

namespace kestrova {

void TransferBodyBuffer::Append(std::string_view piece) {
  // The unread bytes move to the front before the storage would grow, so it stays near capacity.
  if (read_ > 0 && bytes_.size() + piece.size() > bytes_.capacity()) {
    bytes_.erase(0, read_);
    read_ = 0;
  }
  bytes_.append(piece);
  peak_ = std::max(peak_, size());
}

std::string TransferBodyBuffer::Take(std::size_t max_size) {
  const std::size_t count = std::min(max_size, size());
  std::string piece = bytes_.substr(read_, count);
  read_ += count;
  if (read_ == bytes_.size()) {
    bytes_.clear();
    read_ = 0;
  }
  return piece;
}

void TransferBodyBuffer::Clear() noexcept {
  bytes_.clear();
  read_ = 0;
}

}  // namespace kestrova
