#pragma once
// Caps the data memory of this process (heap and private writable mappings)
// at what it uses now plus `room`, so that allocations fail as on a machine
// without memory to spare. Sanitizer builds cannot run under it: their
// allocator reserves far more than it uses.
#include <malloc.h>
#include <sys/resource.h>

#include <fstream>
#include <string>

namespace mirto::test {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryLimitWorks = false;
#else
constexpr bool kMemoryLimitWorks = true;
#endif

class MemoryLimit {
 public:
  explicit MemoryLimit(long long room) {
    // Large blocks mapped and unmapped each time, and free memory given back,
    // so that what the process holds is what it uses.
    ::mallopt(M_MMAP_THRESHOLD, 128 << 10);
    ::malloc_trim(0);
    ::getrlimit(RLIMIT_DATA, &m_old);
    long long kilobytes = 0;
    std::ifstream status("/proc/self/status");
    for (std::string word; status >> word;)
      if (word == "VmData:") status >> kilobytes;
    const rlimit limit{static_cast<rlim_t>(kilobytes * 1024 + room), m_old.rlim_max};
    ::setrlimit(RLIMIT_DATA, &limit);
  }
  ~MemoryLimit() { ::setrlimit(RLIMIT_DATA, &m_old); }
  MemoryLimit(const MemoryLimit&) = delete;
  MemoryLimit& operator=(const MemoryLimit&) = delete;

 private:
  rlimit m_old{};
};

}  // namespace mirto::test
