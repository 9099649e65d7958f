#include "data/InOrder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace mirto::data {

namespace {

// More threads than this only add blocks held in memory: the rows are taken on one.
constexpr unsigned kMostThreads = 8;

std::atomic<unsigned> g_threads{0};
std::atomic<std::size_t> g_blockBytes{ReadSettings{}.blockBytes};

unsigned FromEnvironment() {
  const char* text = std::getenv("MIRTO_THREADS");
  if (!text) return 0;
  char* end = nullptr;
  const unsigned long n = std::strtoul(text, &end, 10);
  return end != text && *end == '\0' ? static_cast<unsigned>(std::min<unsigned long>(n, kMostThreads)) : 0;
}

struct Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0;    // the first block not begun
  std::size_t taken = 0;   // blocks taken so far
  std::vector<char> done;  // per slot: its block is ready
  bool stop = false;
  std::exception_ptr failure;
};

// Stops the threads when the run ends, however it ends.
struct Stopper {
  Shared& s;
  ~Stopper() {
    const std::lock_guard lock(s.mutex);
    s.stop = true;
    s.changed.notify_all();
  }
};

}  // namespace

void SetReadSettings(const ReadSettings& settings) {
  g_threads = std::min(settings.threads, kMostThreads);
  g_blockBytes = std::max<std::size_t>(settings.blockBytes, 1);
}

ReadSettings CurrentReadSettings() { return {g_threads, g_blockBytes}; }

unsigned ReadThreads() {
  static const unsigned environment = FromEnvironment();
  unsigned threads = g_threads;
  if (threads == 0) threads = environment;
  if (threads == 0) threads = std::min(std::thread::hardware_concurrency(), kMostThreads);
  return std::max(threads, 1u);
}

void WorkInOrder(std::size_t count, unsigned threads, std::size_t window,
                 const std::function<void(std::size_t, std::size_t)>& work,
                 const std::function<bool(std::size_t, std::size_t)>& take) {
  if (threads <= 1 || count <= 1) {
    for (std::size_t k = 0; k < count; ++k) {
      work(k, 0);
      if (!take(k, 0)) return;
    }
    return;
  }
  window = std::max<std::size_t>(window, 2);
  Shared s;
  s.done.assign(window, 0);
  // Under the lock: the next block, when its slot is free.
  const auto claim = [&](std::size_t& block) {
    if (s.stop || s.next >= count || s.next >= s.taken + window) return false;
    block = s.next++;
    return true;
  };
  const auto run = [&](std::unique_lock<std::mutex>& lock, std::size_t block) {
    lock.unlock();
    std::exception_ptr failure;
    try {
      work(block, block % window);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure && !s.failure) s.failure = failure, s.stop = true;
    s.done[block % window] = 1;
    s.changed.notify_all();
  };
  const auto worker = [&] {
    std::unique_lock lock(s.mutex);
    for (std::size_t block = 0;;) {
      s.changed.wait(lock, [&] { return s.stop || s.next >= count || s.next < s.taken + window; });
      if (!claim(block)) return;
      run(lock, block);
    }
  };
  std::vector<std::jthread> pool;
  const Stopper stopper{s};
  try {
    for (unsigned i = 1; i < threads; ++i) pool.emplace_back(worker);
  } catch (const std::system_error&) {
    // Fewer threads than asked: the work is the same.
  }
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t slot = k % window;
    std::unique_lock lock(s.mutex);
    // Until block k is ready, this thread works too: on it, or on a later one.
    for (std::size_t block = 0; !s.done[slot] && !s.failure;)
      if (claim(block))
        run(lock, block);
      else
        s.changed.wait(lock);
    if (s.failure) std::rethrow_exception(s.failure);
    lock.unlock();
    const bool go = take(k, slot);
    lock.lock();
    s.done[slot] = 0;
    s.taken = k + 1;
    s.changed.notify_all();
    if (!go) return;
  }
}

}  // namespace mirto::data
