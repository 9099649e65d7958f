#pragma once
// Population totals typed in a table (variable, category, total; the
// category empty for a numeric variable's total). OK writes them to a totals
// file of the user's choosing, which the calibration and the session's
// script then read.
#include <QDialog>
#include <QString>

class QTableWidget;

namespace mirto {

class TotalsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TotalsDialog(QWidget* parent = nullptr);
  QTableWidget* Table() const { return m_table; }
  // After OK: the file written.
  const QString& File() const { return m_file; }

 public slots:
  void accept() override;

 private:
  QTableWidget* m_table;
  QString m_file;
};

}  // namespace mirto
