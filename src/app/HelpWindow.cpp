#include "app/HelpWindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/HelpText.h"
#include "app/WindowSize.h"

namespace mirto {

HelpWindow::HelpWindow(QWidget* parent)
    : QDialog(parent), m_search(new QLineEdit(this)), m_found(new QLabel(this)), m_browser(new QTextBrowser(this)) {
  setWindowTitle("Mirto Help");
  setObjectName("HelpWindow");
  setModal(false);
  m_search->setObjectName("HelpSearch");
  m_search->setPlaceholderText("Search the topics");
  m_search->setClearButtonEnabled(true);
  m_found->setObjectName("HelpFound");
  auto* label = new QLabel("&Search:", this);
  label->setBuddy(m_search);
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(label);
  searchRow->addWidget(m_search, 1);
  searchRow->addWidget(m_found);
  connect(m_search, &QLineEdit::textChanged, this, &HelpWindow::Filter);
  Filter({});
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(searchRow);
  layout->addWidget(m_browser);
  layout->addWidget(buttons);
  ResizeWithinScreen(*this, QSize(640, 560));
}

void HelpWindow::Filter(const QString& query) {
  int found = 0;
  m_browser->setHtml(HelpTopicsHtml(query, &found));
  m_found->setText(query.isEmpty() ? QString() : HelpFoundText(query, found));
}

void HelpWindow::ShowFormTopic(const FormTemplate& form) {
  const QSignalBlocker quiet(m_search);
  m_search->clear();
  m_found->clear();
  m_browser->setHtml(FormTopicHtml(form));
}

}  // namespace mirto
