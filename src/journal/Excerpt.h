#pragma once
// Text from a file or a script quoted in a message: escaped so that no
// control or stray byte reaches a terminal, and cut short when it is long.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace mirto {

// Printable ASCII and well-formed UTF-8 stay as they are, a backslash is
// doubled, every other byte becomes \xNN. Text longer than head + tail + 3
// bytes keeps its first `head` and last `tail` bytes around "...".
std::string Excerpt(std::string_view text, std::size_t head = 40, std::size_t tail = 20);

// A path in a message: cut only when far beyond any real path.
inline std::string PathExcerpt(std::string_view path) { return Excerpt(path, 400, 200); }

// "Cannot open PATH: No such file or directory" and the like.
inline std::string FileError(std::string_view what, std::string_view path, int error) {
  return std::string(what) + " " + PathExcerpt(path) + ": " + std::strerror(error);
}

}  // namespace mirto
