#include "app/CTervoView.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <limits>

#include "app/JournalFont.h"
#include "journal/CTervoDoc.h"

namespace mirto {
namespace {

int ClampToInt(long long value) {
  return static_cast<int>(std::clamp<long long>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

CTervoView::CTervoView(const CTervoDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_font(JournalFont()) {
  setWindowTitle("Window Mirto");
  setObjectName("JournalView");
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  const QFontMetrics metrics(m_font, viewport());
  m_charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('x')));
  m_lineHeight = std::max(1, metrics.lineSpacing());
}

void CTervoView::OnUpdate() {
  const Journal& journal = m_doc.GetJournal();
  m_extentWidth = mirto::ExtentWidth(journal.WidestLine(), m_charWidth);
  m_extentHeight = mirto::ExtentHeight(journal.size(), m_lineHeight);
  UpdateScrollRanges();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  viewport()->update();
}

void CTervoView::UpdateScrollRanges() {
  const QSize page = viewport()->size();
  horizontalScrollBar()->setRange(0, ClampToInt(m_extentWidth - page.width()));
  horizontalScrollBar()->setPageStep(page.width());
  horizontalScrollBar()->setSingleStep(m_charWidth);
  verticalScrollBar()->setRange(0, ClampToInt(m_extentHeight - page.height()));
  verticalScrollBar()->setPageStep(page.height());
  verticalScrollBar()->setSingleStep(m_lineHeight);
}

void CTervoView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRanges();
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
  const long long top = verticalScrollBar()->value();
  const QRect clip = event->rect();
  m_lastDrawn = VisibleLines(top + clip.top(), top + clip.bottom() + 1, m_lineHeight, m_doc.GetJournal().size());
  if (m_lastDrawn.empty()) return;
  QPainter painter(viewport());
  const int x = LeftMargin(m_charWidth) - horizontalScrollBar()->value();
  const int y = static_cast<int>(m_lastDrawn.first * m_lineHeight - top);
  DrawLines(painter, m_lastDrawn, x, y);
}

void CTervoView::DrawLines(QPainter& painter, LineRange range, int x, int y) {
  const Journal& journal = m_doc.GetJournal();
  painter.save();
  painter.setFont(m_font);
  painter.setPen(palette().color(QPalette::Text));
  const int ascent = QFontMetrics(m_font, viewport()).ascent();
  for (long long i = range.first; i <= range.last && i < static_cast<long long>(journal.size()); ++i) {
    painter.drawText(x, y + ascent, JournalText(journal[static_cast<std::size_t>(i)]));
    y += m_lineHeight;
  }
  painter.restore();
}

}  // namespace mirto
