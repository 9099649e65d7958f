#include "journal/Excerpt.h"

namespace mirto {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 character at the start of `s` that is not
// a control character, or 0.
std::size_t Utf8Length(std::string_view s) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    if (lead == 0xC2) low = 0xA0;  // U+0080..U+009F are controls
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 0 || s.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!IsContinuation(byte(i))) return 0;
  return length;
}

void AppendEscaped(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  while (!s.empty()) {
    const unsigned char c = static_cast<unsigned char>(s.front());
    std::size_t length = 1;
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else if ((length = Utf8Length(s)) > 0) {
      out.append(s.substr(0, length));
    } else {
      length = 1;
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
    s.remove_prefix(length);
  }
}

}  // namespace

std::string Excerpt(std::string_view text, std::size_t head, std::size_t tail) {
  std::string out;
  if (text.size() <= head + tail + 3) {
    AppendEscaped(out, text);
    return out;
  }
  // Cut between characters, not inside one.
  std::size_t end = head, start = text.size() - tail;
  for (int i = 0; i < 3 && end > 0 && IsContinuation(static_cast<unsigned char>(text[end])); ++i) --end;
  for (int i = 0; i < 3 && start < text.size() && IsContinuation(static_cast<unsigned char>(text[start])); ++i) ++start;
  AppendEscaped(out, text.substr(0, end));
  out += "...";
  AppendEscaped(out, text.substr(start));
  return out;
}

}  // namespace mirto
