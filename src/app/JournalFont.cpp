#include "app/JournalFont.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace mirto {

QFont JournalFont() {
  QFont font("Courier");
  font.setPointSize(8);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  if (QFontInfo(font).fixedPitch()) return font;
  QFont fallback = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fallback.setPointSize(8);
  return fallback;
}

}  // namespace mirto
