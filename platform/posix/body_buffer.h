// The bytes of a response body received but not yet read, up to a fixed bound. The writer asks
// whether a piece fits before appending it; a piece that does not fit is held back by pausing the
// transfer until the reader has made room.
#ifndef KESTROVA_PLATFORM_POSIX_BODY_BUFFER_H_
#define KESTROVA_PLATFORM_POSIX_BODY_BUFFER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

class BodyBuffer {
 public:
  // capacity: the most bytes held at once, except that an empty buffer takes any one piece.
  explicit BodyBuffer(std::size_t capacity) : capacity_(capacity) {}

  // Whether a piece of size bytes may be appended now.
  bool Fits(std::size_t size) const noexcept { return size_ == 0 || size_ + size <= capacity_; }

  // Appends a piece; the caller has checked Fits.
  void Append(std::string_view piece);

  // Removes and returns up to max_size bytes from the front.
  std::string Take(std::size_t max_size);

  // Drops everything held.
  void Clear() noexcept;

  std::size_t size() const noexcept { return size_; }
  std::size_t capacity() const noexcept { return capacity_; }
  bool empty() const noexcept { return size_ == 0; }

 private:
  std::size_t capacity_;
  std::string bytes_;     // bytes_[read_..] are unread
  std::size_t read_ = 0;  // start of the unread bytes
  std::size_t size_ = 0;  // bytes_.size() - read_
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_BODY_BUFFER_H_
