// Sole owner of a POSIX file descriptor: closes it when destroyed or replaced.
#ifndef KESTROVA_PLATFORM_POSIX_UNIQUE_FD_H_
#define KESTROVA_PLATFORM_POSIX_UNIQUE_FD_H_

namespace kestrova {

class UniqueFd {
 public:
  UniqueFd() = default;
  // Takes ownership of fd (-1 for none).
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  ~UniqueFd();

  UniqueFd(UniqueFd&& other) noexcept;
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  // The descriptor, still owned; -1 when empty.
  int get() const noexcept { return fd_; }
  bool valid() const noexcept { return fd_ >= 0; }

  // Closes the owned descriptor, if any, and takes fd instead.
  void Reset(int fd = -1) noexcept;

  // Gives up ownership: returns the descriptor (-1 when empty), which the caller now closes.
  int Release() noexcept;

 private:
  int fd_ = -1;
};

}  // namespace kestrova

#endif  // KESTROVA_PLATFORM_POSIX_UNIQUE_FD_H_
