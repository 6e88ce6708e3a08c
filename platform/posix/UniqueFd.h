// A file descriptor that closes itself.
#pragma once

#include <unistd.h>

#include <utility>

namespace posix {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const { return m_fd; }
  explicit operator bool() const { return m_fd >= 0; }

  // Closes now and returns close's own result, for callers that must see a late write error.
  int Close() { return close(std::exchange(m_fd, -1)); }

  // Hands the descriptor over to a new owner.
  int Release() { return std::exchange(m_fd, -1); }

 private:
  void Reset() {
    if (m_fd >= 0) close(std::exchange(m_fd, -1));
  }
  int m_fd = -1;
};

}  // namespace posix
