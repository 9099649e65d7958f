#pragma once
// Numbers of every frame unit, written once in file order and read back
// once, in a temporary file: a draw that needs them twice reads the frame
// once, and its memory does not grow with the frame. The file is unnamed
// and goes when the spill does.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mirto::select {

class SpillFile {
 public:
  // Empty when no temporary file can be made; the draw then reads the frame again.
  static std::unique_ptr<SpillFile> Make();
  bool Write(const void* bytes, std::size_t size);
  bool Rewind();
  // The bytes read (short at the end), or -1 on an error.
  long Read(void* into, std::size_t size);

 private:
  struct Close {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Close> m_file;
};

// Values of a trivially copyable T through a buffer of their own.
template <typename T>
class Spill {
 public:
  explicit Spill(std::unique_ptr<SpillFile> file) : m_file(std::move(file)) { m_buffer.reserve(kBuffer); }
  bool Ok() const { return m_file && m_ok; }
  void Add(const T& value) {
    m_buffer.push_back(value);
    if (m_buffer.size() == kBuffer) Flush();
  }
  // Read from the start after the last Add.
  bool Rewind() {
    Flush();
    m_buffer.clear();
    m_at = 0;
    m_ok = m_ok && m_file->Rewind();
    return m_ok;
  }
  // The next value; false at the end or on an error (Ok tells which).
  bool Next(T& value) {
    if (m_at == m_buffer.size() && !Refill()) return false;
    value = m_buffer[m_at++];
    return true;
  }
  // The values read and not yet taken (empty at the end); Skip takes them.
  std::span<const T> Chunk() {
    if (m_at == m_buffer.size()) Refill();
    return std::span<const T>(m_buffer).subspan(m_at);
  }
  void Skip(std::size_t count) { m_at += count; }

 private:
  static constexpr std::size_t kBuffer = (1 << 16) / sizeof(T);
  bool Refill() {
    m_buffer.resize(kBuffer);
    const long got = m_file->Read(m_buffer.data(), kBuffer * sizeof(T));
    m_ok = m_ok && got >= 0 && static_cast<std::size_t>(got) % sizeof(T) == 0;
    m_buffer.resize(m_ok ? static_cast<std::size_t>(got) / sizeof(T) : 0);
    m_at = 0;
    return !m_buffer.empty();
  }
  void Flush() {
    if (!m_buffer.empty()) m_ok = m_ok && m_file->Write(m_buffer.data(), m_buffer.size() * sizeof(T));
    m_buffer.clear();
  }
  std::unique_ptr<SpillFile> m_file;
  std::vector<T> m_buffer;
  std::size_t m_at = 0;
  bool m_ok = true;
};

}  // namespace mirto::select
