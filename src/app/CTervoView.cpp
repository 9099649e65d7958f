#include "app/CTervoView.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "app/JournalFont.h"
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
  if (event->key() == Qt::Key_Home) {
    verticalScrollBar()->setValue(0);
  } else if (event->key() == Qt::Key_End) {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
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
    if (line.size() > first)
      painter.drawText(QPointF(x, y + m_ascent),
                       JournalText(line.substr(first, static_cast<std::size_t>(columns.count))));
    y += m_lineHeight;
  }
  painter.restore();
}

}  // namespace mirto
