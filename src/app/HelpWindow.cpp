#include "app/HelpWindow.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/HelpText.h"
#include "app/WindowSize.h"

namespace mirto {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this)) {
  setWindowTitle("Mirto Help");
  setObjectName("HelpWindow");
  setModal(false);
  m_browser->setHtml(HelpTopicsHtml());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_browser);
  layout->addWidget(buttons);
  ResizeWithinScreen(*this, QSize(640, 560));
}

}  // namespace mirto
