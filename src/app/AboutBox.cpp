#include "app/AboutBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace mirto {
namespace {

constexpr const char* kLicence =
    "Copyright 2026 The Mirto developers.<br>Mirto is free software: you can redistribute it and/or modify it "
    "under the terms of the <a href=\"https://www.gnu.org/licenses/gpl-3.0.html\">GNU General Public License</a>, "
    "version 3 or (at your option) any later version. It comes with ABSOLUTELY NO WARRANTY.";

}  // namespace

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
  auto* licence = new QLabel(kLicence, this);
  licence->setObjectName("licence");
  licence->setWordWrap(true);
  licence->setMinimumWidth(licence->fontMetrics().averageCharWidth() * 60);
  licence->setOpenExternalLinks(true);
  licence->setTextInteractionFlags(Qt::TextBrowserInteraction);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(licence);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace mirto
