#pragma once
// Owns a file descriptor.
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
  int Close() {
    int rc = m_fd >= 0 ? ::close(m_fd) : 0;
    m_fd = -1;
    return rc;
  }

 private:
  int m_fd;
};

}  // namespace mirto
