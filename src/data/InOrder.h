#pragma once
// Blocks of work done on several threads and taken in order on the calling
// thread, and how many threads reading a file may use.
#include <cstddef>
#include <functional>

namespace mirto::data {

// How delimited data files are read: on how many threads (the caller's
// among them; 0: one per processor, or the MIRTO_THREADS environment
// variable), in blocks of how many bytes. The blocks are the same whatever
// the threads, and are taken in file order, so neither rows nor figures
// depend on the threads.
struct ReadSettings {
  unsigned threads = 0;
  std::size_t blockBytes = std::size_t{1} << 17;
};
void SetReadSettings(const ReadSettings& settings);
ReadSettings CurrentReadSettings();
// The threads the settings come to (at least 1).
unsigned ReadThreads();

// Blocks 0 .. count-1: `work(block, slot)` fills one of `window` slots, on
// any of `threads` threads, at most `window` blocks ahead of the one taken;
// `take(block, slot)` takes them one by one in block order on this thread,
// and returning false ends the run. An exception thrown by either ends the
// run and is thrown again here, once the threads have stopped.
void WorkInOrder(std::size_t count, unsigned threads, std::size_t window,
                 const std::function<void(std::size_t block, std::size_t slot)>& work,
                 const std::function<bool(std::size_t block, std::size_t slot)>& take);

}  // namespace mirto::data
