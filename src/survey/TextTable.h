#pragma once
// What the survey blocks share in writing their lines: figures as a table
// prints them, a table of aligned columns, names from a file made printable.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "framework/Format.h"

namespace mirto::survey {

// Names from the file are written as they are, but a control character (a
// line end inside a quoted cell) would break the journal's lines.
inline std::vector<std::string> Printable(std::vector<std::string> lines) {
  for (std::string& line : lines)
    for (char& c : line)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return lines;
}

// A figure as a table prints it; "-" where it is not defined.
inline std::string Printed(double value) { return std::isfinite(value) ? Format("%f", value) : "-"; }
inline std::string Count(long long value) { return Format("%lld", value); }

// A table of right-aligned columns (the first `left` of them aligned left),
// each as wide as its widest cell.
class TextTable {
 public:
  TextTable(std::vector<std::string> headers, std::size_t left) : m_headers(std::move(headers)), m_left(left) {}
  void Add(std::vector<std::string> cells) { m_rows.push_back(std::move(cells)); }
  void Write(std::vector<std::string>& lines, const std::string& prefix) const {
    std::vector<std::size_t> width(m_headers.size());
    for (std::size_t c = 0; c < width.size(); ++c) {
      width[c] = m_headers[c].size();
      for (const auto& row : m_rows) width[c] = std::max(width[c], row[c].size());
    }
    auto line = [&](const std::vector<std::string>& cells) {
      std::string text = prefix;
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const std::string pad(width[c] - cells[c].size(), ' ');
        text += (c ? "  " : "") + (c < m_left ? cells[c] + pad : pad + cells[c]);
      }
      while (!text.empty() && text.back() == ' ') text.pop_back();
      lines.push_back(text);
    };
    line(m_headers);
    for (const auto& row : m_rows) line(row);
  }

 private:
  std::vector<std::string> m_headers;
  std::size_t m_left;
  std::vector<std::vector<std::string>> m_rows;
};

}  // namespace mirto::survey
