#pragma once
// The journal view: draws the visible lines of the document's Journal in a
// fixed-pitch font and keeps the newest line in view after every update.
// It scrolls in whole lines and, for lines wider than the window, in pixels;
// a line is drawn only as far as it is on screen, however long it is.
#include <QAbstractScrollArea>
#include <QFont>
#include <string_view>

#include "journal/ViewLayout.h"

class QPainter;

namespace mirto {

class CTervoDoc;

class CTervoView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit CTervoView(const CTervoDoc& doc, QWidget* parent = nullptr);

  // The document changed: new extent, scroll to the end, redraw. Costs the
  // same whatever the length of the Journal.
  void OnUpdate();

  const QFont& Font() const { return m_font; }
  // Another face or size for the journal (measures and layout follow).
  void SetJournalFont(const QFont& font);
  int CharWidth() const { return m_charWidth; }
  int LineHeight() const { return m_lineHeight; }
  long long ExtentWidth() const { return m_extentWidth; }
  long long ExtentHeight() const { return m_extentHeight; }
  // Pixels between the top of the first line and the top of the window.
  long long TopOffset() const;
  // The lines and columns drawn by the last paint (for checks of the drawing range).
  LineRange LastDrawn() const { return m_lastDrawn; }
  ColumnRange LastColumns() const { return m_lastColumns; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void DrawLines(QPainter& painter, LineRange range, ColumnRange columns, qreal x, int y);
  void UpdateScrollRanges();
  qreal WidestLineWidth();

  const CTervoDoc& m_doc;
  QFont m_font;
  int m_charWidth = 0;  // rounded, for steps
  qreal m_advance = 1;  // exact advance of one character, for measures and drawing
  int m_lineHeight = 0;
  int m_ascent = 0;
  long long m_extentWidth = 0;
  long long m_extentHeight = 0;
  ScrollScale m_lines;   // vertical: the first line shown
  ScrollScale m_pixels;  // horizontal: pixels scrolled
  // The widest line as last measured.
  std::string_view m_measured;
  qreal m_measuredWidth = 0;
  LineRange m_lastDrawn;
  ColumnRange m_lastColumns;
};

}  // namespace mirto
