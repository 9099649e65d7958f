#pragma once
// Import... of the table dialog: a delimited file shown in a preview, with
// the separator, whether the first line is a header, and which file column
// fills which field. The file is read, planned and applied by the library.
#include <QDialog>
#include <vector>

#include "data/Delimited.h"
#include "data/EntryTable.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace mirto {

class ImportDialog : public QDialog {
  Q_OBJECT
 public:
  ImportDialog(data::EntryTable& table, const QString& path, QWidget* parent = nullptr);
  // False, after a message, when the file cannot be read at all.
  bool Readable() const { return m_readable; }

  QComboBox* Separator() const { return m_separator; }
  QCheckBox* Header() const { return m_header; }
  QCheckBox* Matrix() const { return m_matrix; }
  // The file column chosen for table column `column` (null for columns no file fills).
  QComboBox* Source(std::size_t column) const { return m_sources[column]; }
  QTableWidget* Preview() const { return m_preview; }
  QLabel* Problem() const { return m_problem; }

 public slots:
  void accept() override;

 private:
  void Read();
  void ShowPlan(const data::ImportPlan& plan);
  data::ImportPlan Plan() const;
  void FillPreview();
  void UpdateState();

  data::EntryTable& m_table;
  QString m_path;
  QString m_name;
  data::DelimitedRead m_read;
  bool m_readable = true;
  QComboBox* m_separator;
  QCheckBox* m_header;
  QCheckBox* m_matrix;
  std::vector<QComboBox*> m_sources;
  QTableWidget* m_preview;
  QLabel* m_problem;
  QPushButton* m_ok = nullptr;
};

}  // namespace mirto
