#pragma once
// Owns a file descriptor.
#include <fcntl.h>
#include <unistd.h>

namespace mirto {

class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }
  void reset(int fd) {
    Close();
    m_fd = fd;
  }
  int Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }
  int Close() {
    int rc = m_fd >= 0 ? ::close(m_fd) : 0;
    m_fd = -1;
    return rc;
  }

 private:
  int m_fd;
};

// Opened without blocking (so that a pipe with nobody at its other end does
// not hang), used blocking from then on.
inline int ClearNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags < 0 ? -1 : ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

}  // namespace mirto
