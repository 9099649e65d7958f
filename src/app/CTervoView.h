#pragma once
// The journal view: draws the visible lines of the document's Journal in a
// fixed-pitch font and keeps the newest line in view after every update.
// It scrolls in whole lines and, for lines wider than the window, in pixels;
// a line is drawn only as far as it is on screen, however long it is.
// Text is selected with the mouse (drag, double click for a word, triple
// click for a line) or Shift with the cursor keys; what it covers and copies
// is worked out by the library (journal/Selection.h). Found text is
// selected, and every other match of the search in view is marked.
#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>
#include <string_view>

#include "app/JournalFind.h"
#include "journal/Selection.h"
#include "journal/ViewLayout.h"

class QAction;
class QPainter;

namespace mirto {

class CTervoDoc;
class Record;

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
  qreal Advance() const { return m_advance; }
  int LineHeight() const { return m_lineHeight; }
  long long ExtentWidth() const { return m_extentWidth; }
  long long ExtentHeight() const { return m_extentHeight; }
  // Pixels between the top of the first line and the top of the window.
  long long TopOffset() const;
  // The lines and columns drawn by the last paint (for checks of the drawing range).
  LineRange LastDrawn() const { return m_lastDrawn; }
  ColumnRange LastColumns() const { return m_lastColumns; }

  // ---- Selection and copy ----------------------------------------------------
  const TextSelection& Selection() const { return m_selection; }
  bool HasSelection() const { return !m_selection.empty(); }
  void SetSelection(const TextSelection& selection);
  void SelectAll();
  void ClearSelection();
  QString SelectedText() const;
  // The line and column under a point of the viewport.
  TextPos PositionAt(QPoint point) const;
  // The report block under the pointer when the context menu last opened.
  LineRange ContextBlock() const;
  // The result record of that block, when the document keeps one.
  const Record* ContextRecord() const;
  void CopySelection() const;
  void CopyBlock() const;
  void CopyBlockTable() const;
  // ---- Find --------------------------------------------------------------------
  // Here: the match at or after the selection (or the top of the window),
  // as the search text grows; Next and Previous: the one after or before it.
  enum class FindStep { Here, Next, Previous };
  // Selects and shows the match of `query` and marks the others in view;
  // nothing when there is none (the selection then shrinks to its start).
  std::optional<FindMatch> Find(const FindQuery& query, FindStep step);
  // Marks no more matches.
  void EndFind();
  const FindQuery& Query() const { return m_query; }

  // The context menu's items (the frame's actions).
  void SetContextActions(QList<QAction*> actions) { m_contextActions = std::move(actions); }

 signals:
  void selectionChanged(bool hasSelection);
  // The cursor (the moving end of the selection) went to another line.
  void caretMoved(std::size_t line);
  // The context menu is about to open on `block` (empty: no block there).
  void contextMenuOpening(LineRange block);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void DrawLines(QPainter& painter, LineRange range, ColumnRange columns, qreal x, int y);
  void DrawSelection(QPainter& painter, const QString& text, std::size_t line, ColumnRange columns, qreal x, int y);
  void DrawMatches(QPainter& painter, const QString& text, std::size_t line, ColumnRange columns, qreal x, int y);
  // Columns first..last of a drawn line (its text, from columns.first on) over `fill`.
  void DrawSpan(QPainter& painter, const QString& text, double first, double last, ColumnRange columns, qreal x, int y,
                const QColor& fill, const QColor& pen);
  void UpdateScrollRanges();
  qreal WidestLineWidth();
  bool ExtendSelection(QKeyEvent* event);
  void MoveCaretTo(TextPos caret);
  void ScrollToCaret();
  void DragScroll();

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

  TextSelection m_selection;
  bool m_dragging = false;
  QPoint m_dragPoint;
  QTimer m_dragTimer;           // scrolls while a drag is held beyond the window
  QElapsedTimer m_doubleClick;  // a third click soon after a double click takes the line
  QPoint m_doubleClickPoint;
  std::size_t m_contextLine = 0;
  FindQuery m_query;
  QList<QAction*> m_contextActions;
};

}  // namespace mirto
