#pragma once
// The table dialog of an entry loop: a row per form the loop would show, a
// column per number and field, typed, pasted (Ctrl+V) or imported from a
// file. It renders the library's table of rows; every check and every text
// about a cell comes from there. OK stays disabled while a cell is marked.
// A table nothing was typed, pasted or imported into yet says what to do
// rather than counting its empty cells as cells to put right.
#include <QAbstractTableModel>
#include <QDialog>
#include <functional>

class QCheckBox;
class QMenu;
class QLabel;
class QPushButton;
class QTableView;

namespace mirto {

namespace data {
class EntryTable;
}

class EntryTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit EntryTableModel(data::EntryTable& table, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  // After the table changed as a whole (paste, import).
  void Refresh();
  // Whether empty cells are told as such (off until something is entered).
  void SetTellEmpty(bool on) { m_tellEmpty = on; }

 signals:
  void marksChanged();

 private:
  data::EntryTable& m_table;
  bool m_tellEmpty = false;
};

class EntryTableDialog : public QDialog {
  Q_OBJECT
 public:
  EntryTableDialog(data::EntryTable& table, QWidget* parent = nullptr);

  // Its actions are the context menu: Paste, Clear, Import.
  QTableView* View() const { return m_view; }
  QPushButton* OkButton() const { return m_ok; }
  QCheckBox* OneFormPerRow() const { return m_perRow; }
  QLabel* Status() const { return m_status; }
  QLabel* Hint() const { return m_hint; }
  // Pastes text at the current cell; false, after a message, when it does not fit.
  bool PasteText(const QByteArray& text);
  // Reads `path` through the import dialog.
  void ImportFile(const QString& path);

 private:
  void Paste();
  // Empties the selected cells.
  void Clear();
  void Import();
  // Something was typed, pasted or imported: empty cells count from now on.
  void Started();
  void NextProblem();
  void UpdateState();

  data::EntryTable& m_table;
  EntryTableModel* m_model;
  QTableView* m_view;
  QLabel* m_hint;
  QLabel* m_status;
  QPushButton* m_ok;
  QPushButton* m_next;
  QCheckBox* m_perRow;
  bool m_started = false;
};

// Runs `work` on a long table with a progress dialog that follows its checks.
void WithProgress(QWidget* parent, data::EntryTable& table, const QString& label, const std::function<void()>& work);

// A checkable "One form per row" item at the end of `menu`, kept in step with the settings.
void AddOneFormPerRowAction(QMenu* menu);

}  // namespace mirto
