#include "app/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace mirto {

FindBar::FindBar(CTervoView& view, QWidget* parent)
    : QWidget(parent),
      m_view(view),
      m_field(new QLineEdit(this)),
      m_matchCase(new QCheckBox("Match &case", this)),
      m_status(new QLabel(this)) {
  setObjectName("FindBar");
  m_field->setObjectName("FindText");
  m_field->setPlaceholderText("Find in the journal");
  m_field->setClearButtonEnabled(true);
  m_field->setMinimumWidth(m_field->fontMetrics().averageCharWidth() * 30);
  m_status->setObjectName("FindStatus");
  auto* previous = new QToolButton(this);
  previous->setArrowType(Qt::UpArrow);
  previous->setToolTip("Previous match (Shift+F3)");
  auto* next = new QToolButton(this);
  next->setArrowType(Qt::DownArrow);
  next->setToolTip("Next match (F3)");
  auto* close = new QToolButton(this);
  close->setText(QString::fromUtf8("\u2715"));
  close->setAutoRaise(true);
  close->setToolTip("Close the find bar (Esc)");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->addWidget(new QLabel("Find:", this));
  layout->addWidget(m_field);
  layout->addWidget(previous);
  layout->addWidget(next);
  layout->addWidget(m_matchCase);
  layout->addWidget(m_status, 1);
  layout->addWidget(close);
  connect(m_field, &QLineEdit::textEdited, this, [this] { Search(CTervoView::FindStep::Here); });
  connect(m_matchCase, &QCheckBox::toggled, this, [this] { Search(CTervoView::FindStep::Here); });
  connect(previous, &QToolButton::clicked, this, &FindBar::FindPrevious);
  connect(next, &QToolButton::clicked, this, &FindBar::FindNext);
  connect(close, &QToolButton::clicked, this, &FindBar::Close);
  hide();
}

void FindBar::Open() {
  show();
  m_field->setFocus(Qt::ShortcutFocusReason);
  m_field->selectAll();
  if (!m_field->text().isEmpty()) Search(CTervoView::FindStep::Here);
}

void FindBar::FindNext() {
  if (m_field->text().isEmpty()) return Open();
  show();
  Search(CTervoView::FindStep::Next);
}

void FindBar::FindPrevious() {
  if (m_field->text().isEmpty()) return Open();
  show();
  Search(CTervoView::FindStep::Previous);
}

void FindBar::Close() {
  hide();
  m_view.EndFind();
  m_view.setFocus(Qt::OtherFocusReason);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) return Close();
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
    return event->modifiers() & Qt::ShiftModifier ? FindPrevious() : FindNext();
  QWidget::keyPressEvent(event);
}

void FindBar::Search(CTervoView::FindStep step) {
  const QString text = m_field->text();
  m_status->clear();
  if (text.isEmpty()) return m_view.EndFind();
  // The journal holds one byte a character: other text is not in it.
  const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
  const FindQuery query{latin1 ? text.toLatin1().toStdString() : std::string(), m_matchCase->isChecked()};
  const std::optional<FindMatch> match = m_view.Find(query, step);
  if (!match)
    m_status->setText("not found");
  else if (match->wrapped)
    m_status->setText(step == CTervoView::FindStep::Previous ? "continued from the bottom" : "continued from the top");
}

}  // namespace mirto
