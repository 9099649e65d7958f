#include "app/QtFormHost.h"

#include <QMessageBox>

#include "app/AppSettings.h"
#include "app/CFormDialog.h"

namespace mirto {

bool QtFormHost::ShowForm(Form& form) {
  CFormDialog dialog(form, m_window);
  return dialog.exec() == QDialog::Accepted;
}

void QtFormHost::Message(std::string_view text) {
  QMessageBox::warning(m_window, kAppTitle, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace mirto
