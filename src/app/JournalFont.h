#pragma once
#include <QFont>
#include <QString>
#include <string_view>

namespace mirto {

// "Courier" at 8 points, or the system's fixed-pitch face where no fixed-pitch
// Courier is to be had. Screen and printer use the same font.
QFont JournalFont();

// Journal lines are single-byte text; every byte is one character cell.
inline QString JournalText(std::string_view line) {
  return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}

}  // namespace mirto
