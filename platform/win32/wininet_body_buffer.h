// The bytes of a response body received but not yet read, up to a fixed bound: the transfer control
// asks WinINet for no more than Room() bytes, so the buffer never holds more than its capacity.
#ifndef KESTROVA_PLATFORM_WIN32_WININET_BODY_BUFFER_H_
#define KESTROVA_PLATFORM_WIN32_WININET_BODY_BUFFER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova::win32 {

class WinInetBodyBuffer {
 public:
  // capacity: the most bytes held at once; at least 1.
  explicit WinInetBodyBuffer(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

  // Bytes that may still be appended.
  std::size_t Room() const noexcept { return capacity_ - size(); }

  // Appends a piece of at most Room() bytes.
  void Append(std::string_view piece);

  // Removes and returns up to max_size bytes from the front.
  std::string Take(std::size_t max_size);

  // Drops everything held.
  void Clear() noexcept;

  std::size_t size() const noexcept { return bytes_.size() - read_; }
  std::size_t capacity() const noexcept { return capacity_; }
  bool empty() const noexcept { return size() == 0; }

 private:
  std::size_t capacity_;
  std::string bytes_;     // bytes_[read_..] are unread
  std::size_t read_ = 0;  // start of the unread bytes
};

}  // namespace kestrova::win32

#endif  // KESTROVA_PLATFORM_WIN32_WININET_BODY_BUFFER_H_
