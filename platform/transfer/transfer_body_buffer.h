// The bytes of a response body received but not yet read, up to a fixed bound. The transport
// either asks for no more than Room() bytes at a time, or asks whether a piece Fits before it
// appends it and holds back a piece that does not; either way the reader makes room again.
#ifndef KESTROVA_PLATFORM_TRANSFER_TRANSFER_BODY_BUFFER_H_
#define KESTROVA_PLATFORM_TRANSFER_TRANSFER_BODY_BUFFER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

class TransferBodyBuffer {
 public:
  // capacity: the most bytes held at once (at least 1), except that an empty buffer takes any one
  // piece whole.
  explicit TransferBodyBuffer(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

  // Bytes that may still be appended without passing the capacity.
  std::size_t Room() const noexcept { return size() < capacity_ ? capacity_ - size() : 0; }
  // Whether a piece of size bytes may be appended now.
  bool Fits(std::size_t size) const noexcept { return empty() || size <= Room(); }
  // Whether the reader has drained half the buffer, so that a held-back transport may go on.
  bool HalfDrained() const noexcept { return size() <= capacity_ / 2; }

  // Appends a piece that Fits.
  void Append(std::string_view piece);

  // Removes and returns up to max_size bytes from the front.
  std::string Take(std::size_t max_size);

  // Drops everything held; the peak stays.
  void Clear() noexcept;

  std::size_t size() const noexcept { return bytes_.size() - read_; }
  std::size_t capacity() const noexcept { return capacity_; }
  bool empty() const noexcept { return size() == 0; }
  // The most bytes ever held at once.
  std::size_t peak() const noexcept { return peak_; }

 private:
  std::size_t capacity_;
  std::string bytes_;     // bytes_[read_..] are unread
  std::size_t read_ = 0;  // start of the unread bytes
  std::size_t peak_ = 0;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_TRANSFER_TRANSFER_BODY_BUFFER_H_
