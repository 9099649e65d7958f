#include "app/SurveyWidgets.h"

#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "data/DataFile.h"
#include "journal/Excerpt.h"

namespace mirto {

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString FromLocal(const std::string& path) { return QFile::decodeName(path.c_str()); }

QStringList VariableNames(const std::string& path, QString* problem) {
  std::optional<data::DataProblem> trouble;
  const std::unique_ptr<data::DataFile> file = data::OpenDataFile(path, trouble);
  QStringList names;
  if (!file) {
    if (!trouble) trouble = data::DataProblem{PathExcerpt(path), 0, {}, "cannot be opened"};
    if (trouble->file.empty()) trouble->file = PathExcerpt(path);
    *problem = QString::fromStdString(trouble->Describe());
    return names;
  }
  for (const data::Variable& v : file->Variables()) names << QString::fromStdString(v.name);
  return names;
}

void AddFileRow(QFormLayout* form, const QString& label, QLineEdit* edit, const QString& filter, bool save) {
  auto* layout = new QHBoxLayout;
  auto* browse = new QPushButton("Browse...", edit->parentWidget());
  browse->setObjectName(edit->objectName() + "Browse");
  edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 36);
  layout->addWidget(edit, 1);
  layout->addWidget(browse);
  auto* name = new QLabel(label, edit->parentWidget());
  name->setBuddy(edit);
  form->addRow(name, layout);
  QObject::connect(browse, &QPushButton::clicked, edit, [edit, filter, save] {
    const QString path = save ? QFileDialog::getSaveFileName(edit->window(), "Choose a file", edit->text(), filter)
                              : QFileDialog::getOpenFileName(edit->window(), "Choose a file", edit->text(), filter);
    if (path.isEmpty()) return;
    edit->setText(path);
    emit edit->editingFinished();
  });
}

QComboBox* NameBox(QWidget* parent, const char* name, bool optional) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setProperty("optional", optional);
  box->setMinimumContentsLength(16);
  return box;
}

void FillNames(QComboBox* box, const QStringList& names) {
  const QString kept = box->currentText();
  box->clear();
  if (box->property("optional").toBool()) box->addItem(QString());
  box->addItems(names);
  box->setCurrentText(kept);
}

std::optional<std::string> Chosen(const QComboBox* box) {
  if (!box->isEnabled() || box->currentText().isEmpty()) return std::nullopt;
  return box->currentText().toStdString();
}

QDoubleSpinBox* NumberBox(QWidget* parent, const char* name, double low, double high, int decimals, double value) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(name);
  box->setLocale(QLocale::c());
  box->setDecimals(decimals);
  box->setRange(low, high);
  box->setValue(value);
  return box;
}

}  // namespace mirto
