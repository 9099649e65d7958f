#include "select/Spill.h"

namespace mirto::select {

std::unique_ptr<SpillFile> SpillFile::Make() {
  std::FILE* f = std::tmpfile();
  if (!f) return nullptr;
  auto spill = std::make_unique<SpillFile>();
  spill->m_file.reset(f);
  // The buffer is the spill's own.
  std::setvbuf(f, nullptr, _IONBF, 0);
  return spill;
}

bool SpillFile::Write(const void* bytes, std::size_t size) { return std::fwrite(bytes, 1, size, m_file.get()) == size; }

bool SpillFile::Rewind() { return std::fflush(m_file.get()) == 0 && std::fseek(m_file.get(), 0, SEEK_SET) == 0; }

long SpillFile::Read(void* into, std::size_t size) {
  const std::size_t got = std::fread(into, 1, size, m_file.get());
  return got < size && std::ferror(m_file.get()) ? -1 : static_cast<long>(got);
}

}  // namespace mirto::select
