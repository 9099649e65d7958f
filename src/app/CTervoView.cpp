#include "app/CTervoView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <cmath>

#include "app/JournalFont.h"
#include "framework/Results.h"
#include "journal/CTervoDoc.h"

namespace mirto {
namespace {

// Lines longer than this are measured as their length times the advance:
// the font is fixed-pitch, and measuring them would cost what drawing them does.
constexpr std::size_t kMeasuredLength = 1 << 16;

}  // namespace

CTervoView::CTervoView(const CTervoDoc& doc, QWidget* parent) : QAbstractScrollArea(parent), m_doc(doc) {
  setWindowTitle("Window Mirto");
  setObjectName("JournalView");
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setCursor(Qt::IBeamCursor);
  m_dragTimer.setInterval(50);
  connect(&m_dragTimer, &QTimer::timeout, this, &CTervoView::DragScroll);
  SetJournalFont(JournalFont());
}

void CTervoView::SetJournalFont(const QFont& font) {
  m_font = font;
  const QFontMetricsF metrics(m_font, viewport());
  m_advance = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('x')));
  m_charWidth = std::max(1, static_cast<int>(std::lround(m_advance)));
  m_lineHeight = std::max(1, static_cast<int>(std::ceil(metrics.lineSpacing())));
  m_ascent = static_cast<int>(std::round(metrics.ascent()));
  m_measured = {};
  OnUpdate();
}

qreal CTervoView::WidestLineWidth() {
  const Journal& journal = m_doc.GetJournal();
  const std::string_view widest = journal.empty() ? std::string_view() : journal[journal.WidestLineIndex()];
  if (widest.data() != m_measured.data() || widest.size() != m_measured.size()) {
    m_measured = widest;
    m_measuredWidth = widest.size() > kMeasuredLength
                          ? static_cast<qreal>(widest.size()) * m_advance
                          : QFontMetricsF(m_font, viewport()).horizontalAdvance(JournalText(widest));
  }
  return m_measuredWidth;
}

void CTervoView::OnUpdate() {
  // A selection past the end is of a journal that is gone.
  if (m_selection.End().line >= m_doc.GetJournal().size() && (HasSelection() || m_selection.caret.line > 0))
    SetSelection({});
  m_extentWidth = MeasuredExtentWidth(WidestLineWidth(), m_advance);
  m_extentHeight = mirto::ExtentHeight(m_doc.GetJournal().size(), m_lineHeight);
  UpdateScrollRanges();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  viewport()->update();
}

long long CTervoView::TopOffset() const { return m_lines.Offset(verticalScrollBar()->value()) * m_lineHeight; }

void CTervoView::UpdateScrollRanges() {
  const QSize page = viewport()->size();
  const long long pageLines = std::max(1, page.height() / m_lineHeight);
  const long long lines = static_cast<long long>(m_doc.GetJournal().size());
  m_lines = ScaleScroll(lines - pageLines);
  verticalScrollBar()->setRange(0, m_lines.Maximum());
  verticalScrollBar()->setPageStep(static_cast<int>(std::max(1LL, pageLines / m_lines.unit)));
  verticalScrollBar()->setSingleStep(1);
  m_pixels = ScaleScroll(m_extentWidth - page.width());
  horizontalScrollBar()->setRange(0, m_pixels.Maximum());
  horizontalScrollBar()->setPageStep(static_cast<int>(std::max(1LL, page.width() / m_pixels.unit)));
  horizontalScrollBar()->setSingleStep(static_cast<int>(std::max(1LL, m_charWidth / m_pixels.unit)));
}

// A window that showed the end shows it still, also when a scroll bar that
// appeared or a smaller window took room from it.
void CTervoView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const bool atEnd = verticalScrollBar()->value() == verticalScrollBar()->maximum();
  UpdateScrollRanges();
  if (atEnd) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void CTervoView::keyPressEvent(QKeyEvent* event) {
  if (ExtendSelection(event)) return;
  if (event->key() == Qt::Key_Escape && HasSelection()) {
    ClearSelection();
  } else if (event->key() == Qt::Key_Home) {
    verticalScrollBar()->setValue(0);
  } else if (event->key() == Qt::Key_End) {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

// Shift with a cursor key moves the caret end of the selection; without a
// selection it starts where the last click was, or at the top of the window.
bool CTervoView::ExtendSelection(QKeyEvent* event) {
  if (!(event->modifiers() & Qt::ShiftModifier)) return false;
  const bool control = event->modifiers() & Qt::ControlModifier;
  CaretMove move;
  switch (event->key()) {
    case Qt::Key_Left: move = CaretMove::Left; break;
    case Qt::Key_Right: move = CaretMove::Right; break;
    case Qt::Key_Up: move = CaretMove::Up; break;
    case Qt::Key_Down: move = CaretMove::Down; break;
    case Qt::Key_PageUp: move = CaretMove::PageUp; break;
    case Qt::Key_PageDown: move = CaretMove::PageDown; break;
    case Qt::Key_Home: move = control ? CaretMove::JournalStart : CaretMove::LineStart; break;
    case Qt::Key_End: move = control ? CaretMove::JournalEnd : CaretMove::LineEnd; break;
    default: return false;
  }
  const Journal& journal = m_doc.GetJournal();
  if (journal.empty()) return true;
  TextSelection selection = m_selection;
  const auto top = static_cast<std::size_t>(m_lines.Offset(verticalScrollBar()->value()));
  const std::size_t pageLines = static_cast<std::size_t>(std::max(1, viewport()->height() / m_lineHeight));
  if (selection.empty() && (selection.caret.line < top || selection.caret.line >= top + pageLines))
    selection.anchor = selection.caret = Clamp(journal, {top, 0});
  selection.caret = MoveCaret(journal, selection.caret, move, pageLines);
  SetSelection(selection);
  ScrollToCaret();
  return true;
}

void CTervoView::ScrollToCaret() {
  const long long line = static_cast<long long>(m_selection.caret.line);
  const long long top = m_lines.Offset(verticalScrollBar()->value());
  const long long pageLines = std::max(1, viewport()->height() / m_lineHeight);
  const auto toValue = [this](long long offset) {
    return static_cast<int>((offset + m_lines.unit - 1) / m_lines.unit);
  };
  if (line < top) verticalScrollBar()->setValue(static_cast<int>(line / m_lines.unit));
  if (line >= top + pageLines) verticalScrollBar()->setValue(toValue(line - pageLines + 1));
  const std::size_t column = std::min(m_selection.caret.column, m_doc.GetJournal()[m_selection.caret.line].size());
  const double x = 2 * m_advance + static_cast<double>(column) * m_advance;
  const double left = static_cast<double>(m_pixels.Offset(horizontalScrollBar()->value()));
  if (x < left || x > left + viewport()->width() - m_advance)
    horizontalScrollBar()->setValue(static_cast<int>(std::max(0.0, x - viewport()->width() / 2.0) / m_pixels.unit));
}

void CTervoView::SetSelection(const TextSelection& selection) {
  const bool had = HasSelection();
  const std::size_t line = m_selection.caret.line;
  m_selection = selection;
  viewport()->update();
  if (had != HasSelection()) emit selectionChanged(HasSelection());
  if (line != m_selection.caret.line) emit caretMoved(m_selection.caret.line);
}

void CTervoView::SelectAll() { SetSelection(WholeJournal(m_doc.GetJournal())); }

void CTervoView::ClearSelection() { SetSelection({m_selection.caret, m_selection.caret}); }

QString CTervoView::SelectedText() const {
  return QString::fromStdString(mirto::SelectedText(m_doc.GetJournal(), m_selection));
}

// Journal text is one byte a character; the clipboard takes it as such.
void CTervoView::CopySelection() const {
  if (HasSelection())
    QApplication::clipboard()->setText(JournalText(mirto::SelectedText(m_doc.GetJournal(), m_selection)));
}

LineRange CTervoView::ContextBlock() const { return BlockAt(m_doc.GetJournal(), m_contextLine); }

const Record* CTervoView::ContextRecord() const {
  const CompletedBlock* block = FindBlock(m_doc.Blocks(), m_contextLine);
  return block ? &block->record : nullptr;
}

void CTervoView::CopyBlockTable() const {
  if (const CompletedBlock* block = FindBlock(m_doc.Blocks(), m_contextLine))
    QApplication::clipboard()->setText(QString::fromStdString(ResultRows(NamedRecord(*block))));
}

void CTervoView::CopyBlock() const {
  const LineRange block = ContextBlock();
  if (!block.empty()) QApplication::clipboard()->setText(JournalText(LinesText(m_doc.GetJournal(), block)));
}

TextPos CTervoView::PositionAt(QPoint point) const {
  const std::size_t count = m_doc.GetJournal().size();
  const long long y = TopOffset() + point.y();
  const long long line = y < 0 ? 0 : y / m_lineHeight;
  const double x = static_cast<double>(m_pixels.Offset(horizontalScrollBar()->value())) + point.x() - 2 * m_advance;
  const long long column = x <= 0 ? 0 : std::llround(x / m_advance);
  return {count == 0 ? 0 : std::min(static_cast<std::size_t>(line), count - 1), static_cast<std::size_t>(column)};
}

void CTervoView::MoveCaretTo(TextPos caret) { SetSelection({m_selection.anchor, caret}); }

void CTervoView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  const TextPos at = PositionAt(event->position().toPoint());
  const bool triple = m_doubleClick.isValid() &&
                      m_doubleClick.elapsed() < QApplication::styleHints()->mouseDoubleClickInterval() &&
                      (event->position().toPoint() - m_doubleClickPoint).manhattanLength() <
                          QApplication::styleHints()->startDragDistance();
  m_doubleClick.invalidate();
  if (triple) {
    SetSelection(LineAt(m_doc.GetJournal(), at.line));
  } else if (event->modifiers() & Qt::ShiftModifier) {
    MoveCaretTo(at);
  } else {
    SetSelection({at, at});
  }
  m_dragging = !triple;
}

void CTervoView::mouseMoveEvent(QMouseEvent* event) {
  if (!m_dragging) return QAbstractScrollArea::mouseMoveEvent(event);
  m_dragPoint = event->position().toPoint();
  MoveCaretTo(PositionAt(m_dragPoint));
  if (viewport()->rect().contains(m_dragPoint))
    m_dragTimer.stop();
  else if (!m_dragTimer.isActive())
    m_dragTimer.start();
}

void CTervoView::mouseReleaseEvent(QMouseEvent* event) {
  m_dragging = false;
  m_dragTimer.stop();
  QAbstractScrollArea::mouseReleaseEvent(event);
}

void CTervoView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
  SetSelection(WordAt(m_doc.GetJournal(), PositionAt(event->position().toPoint())));
  m_dragging = false;
  m_doubleClick.start();
  m_doubleClickPoint = event->position().toPoint();
}

// A drag held above or below the window scrolls a line at a time.
void CTervoView::DragScroll() {
  QScrollBar* bar = verticalScrollBar();
  if (m_dragPoint.y() < 0) bar->setValue(bar->value() - 1);
  if (m_dragPoint.y() >= viewport()->height()) bar->setValue(bar->value() + 1);
  QScrollBar* across = horizontalScrollBar();
  if (m_dragPoint.x() < 0) across->setValue(across->value() - across->singleStep());
  if (m_dragPoint.x() >= viewport()->width()) across->setValue(across->value() + across->singleStep());
  MoveCaretTo(PositionAt(m_dragPoint));
}

std::optional<FindMatch> CTervoView::Find(const FindQuery& query, FindStep step) {
  m_query = query;
  viewport()->update();
  const Journal& journal = m_doc.GetJournal();
  const bool fromSelection = HasSelection() || m_selection.caret != TextPos{};
  const TextPos top{static_cast<std::size_t>(m_lines.Offset(verticalScrollBar()->value())), 0};
  TextPos from = fromSelection ? (step == FindStep::Next ? m_selection.End() : m_selection.Start()) : top;
  const std::optional<FindMatch> match = FindInJournal(journal, query, from, step != FindStep::Previous);
  if (!match) {
    SetSelection({m_selection.Start(), m_selection.Start()});
    return match;
  }
  SetSelection({match->at, {match->at.line, match->at.column + query.text.size()}});
  ScrollToCaret();
  return match;
}

void CTervoView::EndFind() {
  m_query = {};
  viewport()->update();
}

void CTervoView::contextMenuEvent(QContextMenuEvent* event) {
  const bool mouse = event->reason() == QContextMenuEvent::Mouse;
  // The viewport receives the pointer's events, in its own coordinates.
  m_contextLine = mouse ? PositionAt(event->pos()).line : m_selection.caret.line;
  emit contextMenuOpening(ContextBlock());
  QMenu menu(this);
  menu.addActions(m_contextActions);
  menu.exec(event->globalPos());
}

void CTervoView::paintEvent(QPaintEvent* event) {
  const long long top = TopOffset();
  const QRect clip = event->rect();
  m_lastDrawn = VisibleLines(top + clip.top(), top + clip.bottom() + 1, m_lineHeight, m_doc.GetJournal().size());
  if (m_lastDrawn.empty()) return;
  const qreal margin = 2 * m_advance;
  const qreal left = static_cast<qreal>(m_pixels.Offset(horizontalScrollBar()->value()));
  m_lastColumns = VisibleColumns(left + clip.left() - margin, clip.width(), m_advance);
  QPainter painter(viewport());
  const qreal x = margin - left + static_cast<qreal>(m_lastColumns.first) * m_advance;
  const int y = static_cast<int>(m_lastDrawn.first * m_lineHeight - top);
  DrawLines(painter, m_lastDrawn, m_lastColumns, x, y);
}

// Draws columns `columns` of lines `range`, the first column at x.
void CTervoView::DrawLines(QPainter& painter, LineRange range, ColumnRange columns, qreal x, int y) {
  const Journal& journal = m_doc.GetJournal();
  painter.save();
  painter.setFont(m_font);
  painter.setPen(palette().color(QPalette::Text));
  const auto first = static_cast<std::size_t>(columns.first);
  for (long long i = range.first; i <= range.last && i < static_cast<long long>(journal.size()); ++i) {
    const std::string_view line = journal[static_cast<std::size_t>(i)];
    const QString text =
        line.size() > first ? JournalText(line.substr(first, static_cast<std::size_t>(columns.count))) : QString();
    if (!text.isEmpty()) painter.drawText(QPointF(x, y + m_ascent), text);
    DrawMatches(painter, text, static_cast<std::size_t>(i), columns, x, y);
    DrawSelection(painter, text, static_cast<std::size_t>(i), columns, x, y);
    y += m_lineHeight;
  }
  painter.restore();
}

// The selected part of a drawn line, over the highlight; a selected line end
// shows as one more highlighted cell.
void CTervoView::DrawSelection(QPainter& painter, const QString& text, std::size_t line, ColumnRange columns, qreal x,
                               int y) {
  const SelectedSpan span = SelectedColumns(m_selection, line, m_doc.GetJournal()[line].size());
  if (span.empty()) return;
  DrawSpan(painter, text, static_cast<double>(span.first), static_cast<double>(span.last) + (span.lineEnd ? 1 : 0),
           columns, x, y, palette().color(QPalette::Highlight), palette().color(QPalette::HighlightedText));
}

// The matches of the search on a drawn line, dark on a light marker in any theme.
void CTervoView::DrawMatches(QPainter& painter, const QString& text, std::size_t line, ColumnRange columns, qreal x,
                             int y) {
  if (m_query.empty()) return;
  const auto count = static_cast<double>(m_query.text.size());
  for (std::size_t start : MatchesOnLine(m_doc.GetJournal()[line], m_query, static_cast<std::size_t>(columns.first),
                                         static_cast<std::size_t>(columns.count)))
    DrawSpan(painter, text, static_cast<double>(start), static_cast<double>(start) + count, columns, x, y,
             QColor(255, 221, 87), Qt::black);
}

void CTervoView::DrawSpan(QPainter& painter, const QString& text, double first, double last, ColumnRange columns,
                          qreal x, int y, const QColor& fill, const QColor& pen) {
  first -= static_cast<double>(columns.first);
  last -= static_cast<double>(columns.first);
  const double visible = static_cast<double>(columns.count);
  if (last <= 0 || first >= visible) return;
  const QRectF box(x + std::max(0.0, first) * m_advance, y,
                   (std::min(last, visible) - std::max(0.0, first)) * m_advance, m_lineHeight);
  painter.save();
  painter.fillRect(box, fill);
  painter.setClipRect(box);
  painter.setPen(pen);
  if (!text.isEmpty()) painter.drawText(QPointF(x, y + m_ascent), text);
  painter.restore();
}

}  // namespace mirto
