#pragma once
// A file's bytes mapped for reading, so that a scan reads them where the
// kernel keeps them instead of copying them first. A mapped file that
// shrinks under the reader would fault (SIGBUS) on the pages it lost: those
// pages are replaced by zeros instead, and Changed() tells the reader, which
// then refuses the file as changed rather than trusting what it read.
#include <cstdint>
#include <memory>

namespace mirto::data {

class MappedFile {
 public:
  // The first `size` bytes of the open file `fd`; null when they cannot be
  // mapped (too many maps at once, an empty file, no memory), and the
  // reader reads them as before.
  static std::unique_ptr<MappedFile> Map(int fd, std::uint64_t size);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const char* Bytes() const { return m_bytes; }
  std::uint64_t Size() const { return m_size; }
  // A page was gone when it was read: the file shrank while it was mapped.
  bool Changed() const;
  // The pages wholly before `offset` are done with: they leave the process's
  // memory (they stay in the system's cache and come back if read again),
  // some megabytes at a time.
  void Release(std::uint64_t offset);

 private:
  MappedFile(const char* bytes, std::uint64_t size, int slot) : m_bytes(bytes), m_size(size), m_slot(slot) {}
  const char* m_bytes;
  std::uint64_t m_size;
  int m_slot;
  std::uint64_t m_released = 0;
};

}  // namespace mirto::data
