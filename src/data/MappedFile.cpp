#include "data/MappedFile.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace mirto::data {
namespace {

// The maps in use, for the handler: it may run on any thread at any time, so
// it reads these alone (lock-free atomics) and calls nothing but mmap.
struct Slot {
  std::atomic<std::uintptr_t> begin{0}, end{0};
  std::atomic<bool> faulted{false};
};
constexpr int kSlots = 32;
Slot g_slots[kSlots];
std::uintptr_t g_page = 4096;
struct sigaction g_previous {};

void OnBus(int signal, siginfo_t* info, void* context) {
  const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (Slot& slot : g_slots) {
    const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
    if (begin == 0 || at < begin || at >= slot.end.load(std::memory_order_acquire)) continue;
    // Zeros where the lost page was; the read goes on and the reader is told.
    void* page = reinterpret_cast<void*>(at & ~(g_page - 1));
    if (::mmap(page, g_page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) break;
    slot.faulted.store(true, std::memory_order_release);
    return;
  }
  // Not a page of ours: the fault is what it was before this handler.
  if (g_previous.sa_flags & SA_SIGINFO) {
    if (g_previous.sa_sigaction) return g_previous.sa_sigaction(signal, info, context);
  } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN && g_previous.sa_handler) {
    return g_previous.sa_handler(signal);
  }
  ::sigaction(SIGBUS, &g_previous, nullptr);  // the instruction faults again, as if unhandled
}

bool Install() {
  g_page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  struct sigaction action {};
  action.sa_sigaction = OnBus;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  return ::sigaction(SIGBUS, &action, &g_previous) == 0;
}

}  // namespace

std::unique_ptr<MappedFile> MappedFile::Map(int fd, std::uint64_t size) {
  static const bool installed = Install();
  if (!installed || size == 0) return nullptr;
  int slot = 0;
  for (std::uintptr_t free = 0; slot < kSlots; ++slot, free = 0)
    if (g_slots[slot].begin.compare_exchange_strong(free, 1)) break;  // 1: taken, not yet mapped
  if (slot == kSlots) return nullptr;
  void* bytes = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (bytes == MAP_FAILED) {
    g_slots[slot].begin.store(0);
    return nullptr;
  }
  ::madvise(bytes, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
  Slot& s = g_slots[slot];
  s.faulted.store(false);
  s.end.store(reinterpret_cast<std::uintptr_t>(bytes) + static_cast<std::uintptr_t>(size));
  s.begin.store(reinterpret_cast<std::uintptr_t>(bytes), std::memory_order_release);
  return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const char*>(bytes), size, slot));
}

MappedFile::~MappedFile() {
  Slot& s = g_slots[m_slot];
  s.end.store(0);
  s.begin.store(1);  // still taken until unmapped
  ::munmap(const_cast<char*>(m_bytes), static_cast<std::size_t>(m_size));
  s.begin.store(0, std::memory_order_release);
}

void MappedFile::Release(std::uint64_t offset) {
  // A few megabytes at a time: each release interrupts the other threads' processors.
  constexpr std::uint64_t kAtOnce = std::uint64_t{4} << 20;
  const std::uint64_t end = std::min(offset, m_size) & ~static_cast<std::uint64_t>(g_page - 1);
  if (end < m_released + kAtOnce) return;
  ::madvise(const_cast<char*>(m_bytes) + m_released, static_cast<std::size_t>(end - m_released), MADV_DONTNEED);
  m_released = end;
}

bool MappedFile::Changed() const { return g_slots[m_slot].faulted.load(std::memory_order_acquire); }

}  // namespace mirto::data
