#include "app/AboutBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace mirto {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About Tervo");
  setObjectName("AboutBox");
  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(":/icons/mirto.svg").pixmap(32, 32));
  auto* text = new QLabel("Mirto Version 2.0", this);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addSpacing(12);
  row->addWidget(text, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace mirto
