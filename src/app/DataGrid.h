#pragma once
// Data > "View data...": the loaded data file in a read-only grid. The model
// is virtual: the view asks only for the cells on screen, and the cells are
// kept compactly (their text in large blocks, a flag and the number of each),
// read in a thread of their own in batches that appear as they come, so the
// window opens at once on a file of a million rows. Missing cells are marked,
// value labels can be shown or hidden, and each heading names the variable,
// its type and its role.
#include <QAbstractTableModel>
#include <QDialog>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/DataFile.h"
#include "data/DataHost.h"

class QCheckBox;
class QLabel;
class QTableView;

namespace mirto {

// Rows of cells as the library reads them.
struct GridBatch {
  std::string text;                 // the cells' texts back to back
  std::vector<std::uint32_t> ends;  // per cell, where its text ends in `text`
  std::vector<std::uint8_t> flags;  // per cell: kMissing, kNumeric
  std::vector<double> numbers;      // per cell, when numeric
  static constexpr std::uint8_t kMissing = 1, kNumeric = 2;
};

class DataGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // `roles`: per variable, the roles it has in the calculations ("y", "stratum").
  DataGridModel(std::vector<data::Variable> variables, std::vector<QString> roles, bool valueLabels,
                QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  bool IsMissing(int row, int column) const;
  void ShowLabels(bool on);
  bool HasValueLabels() const { return m_valueLabels; }
  // Appends the rows of `batch`; types from a profile of the whole file.
  void Append(std::shared_ptr<const GridBatch> batch);
  void SetTypes(const std::vector<data::VariableType>& types);

  // Rows a batch holds, unless its text grows past kBatchText first.
  static constexpr std::size_t kBatchRows = 1 << 14;
  static constexpr std::size_t kBatchText = std::size_t{1} << 30;

 private:
  // The batch of row `row` and the cell's place in it.
  std::pair<const GridBatch*, std::size_t> Locate(int row, int column) const;
  QString Cell(int row, int column) const;

  std::vector<data::Variable> m_variables;
  std::vector<QString> m_roles;
  bool m_valueLabels;
  bool m_showLabels = true;
  bool m_typed = false;  // the types of the whole file are known
  std::vector<std::shared_ptr<const GridBatch>> m_batches;
  std::vector<int> m_starts;  // the first row of each batch
  int m_rows = 0;
};

class DataGridDialog : public QDialog {
  Q_OBJECT
 public:
  // Reads `choice.file` again (the roles name the headings' roles).
  explicit DataGridDialog(const data::DataChoice& choice, QWidget* parent = nullptr);
  ~DataGridDialog() override;

  QTableView* View() const { return m_view; }
  DataGridModel* Model() const { return m_model; }
  QCheckBox* Labels() const { return m_labels; }
  QLabel* Status() const { return m_status; }
  bool Done() const { return m_done; }

 private:
  // In the reader's thread: the rows in batches, then the profile.
  void Read(const data::DataFile& file);
  void Finished(QString problem);

  DataGridModel* m_model = nullptr;
  QTableView* m_view;
  QCheckBox* m_labels;
  QLabel* m_status;
  std::atomic<bool> m_stop{false};
  std::thread m_reader;
  bool m_done = false;
};

}  // namespace mirto
