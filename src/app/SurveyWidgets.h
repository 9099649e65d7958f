#pragma once
// What the survey and draw dialogs share: a file row with its Browse button,
// boxes of a file's variable names, and spin boxes that read numbers alike in
// every locale.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

namespace mirto {

inline constexpr const char* kDataFilter =
    "Data files (*.csv *.tsv *.txt *.sav *.zsav *.dta *.sas7bdat);;Delimited text (*.csv *.tsv *.txt);;All files (*)";

std::string LocalPath(const QString& path);
QString FromLocal(const std::string& path);

// The names of the variables of `path`; empty, with `problem` set, when it cannot be read.
QStringList VariableNames(const std::string& path, QString* problem);

// A row of `form`: the label, the edit and a Browse button (a save dialog when `save`).
void AddFileRow(QFormLayout* form, const QString& label, QLineEdit* edit, const QString& filter, bool save);

// An editable box of names; an optional one starts with an empty item (none).
QComboBox* NameBox(QWidget* parent, const char* name, bool optional);
void FillNames(QComboBox* box, const QStringList& names);
std::optional<std::string> Chosen(const QComboBox* box);

QDoubleSpinBox* NumberBox(QWidget* parent, const char* name, double low, double high, int decimals, double value);

}  // namespace mirto
