#include "app/DataGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/DataText.h"
#include "data/DataSession.h"
#include "framework/Results.h"

namespace mirto {
namespace {

// The row count is an int in the view, and each row costs memory.
constexpr long long kMaxRows = 100'000'000;

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

void Add(GridBatch& batch, const data::Value& value) {
  batch.text.append(value.text);
  batch.ends.push_back(static_cast<std::uint32_t>(batch.text.size()));
  batch.flags.push_back(
      static_cast<std::uint8_t>((value.missing ? GridBatch::kMissing : 0) | (value.numeric ? GridBatch::kNumeric : 0)));
  batch.numbers.push_back(value.numeric ? value.number : 0);
}

}  // namespace

DataGridModel::DataGridModel(std::vector<data::Variable> variables, std::vector<QString> roles, bool valueLabels,
                             QObject* parent)
    : QAbstractTableModel(parent),
      m_variables(std::move(variables)),
      m_roles(std::move(roles)),
      m_valueLabels(valueLabels) {}

int DataGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int DataGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_variables.size());
}

std::pair<const GridBatch*, std::size_t> DataGridModel::Locate(int row, int column) const {
  const auto k =
      static_cast<std::size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), row) - m_starts.begin()) - 1;
  const std::size_t cell =
      static_cast<std::size_t>(row - m_starts[k]) * m_variables.size() + static_cast<std::size_t>(column);
  return {m_batches[k].get(), cell};
}

bool DataGridModel::IsMissing(int row, int column) const {
  const auto [batch, cell] = Locate(row, column);
  return batch->flags[cell] & GridBatch::kMissing;
}

// A labelled value shows its label, or its number with labels hidden.
QString DataGridModel::Cell(int row, int column) const {
  const auto [found, cell] = Locate(row, column);
  const GridBatch& batch = *found;
  if (!m_showLabels && m_valueLabels && (batch.flags[cell] & GridBatch::kNumeric))
    return QString::fromStdString(NumberText(batch.numbers[cell]));
  const std::size_t begin = cell == 0 ? 0 : batch.ends[cell - 1];
  return Text(std::string_view(batch.text).substr(begin, batch.ends[cell] - begin));
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= m_rows) return {};
  switch (role) {
    case Qt::DisplayRole: return Cell(index.row(), index.column());
    case Qt::ToolTipRole: return IsMissing(index.row(), index.column()) ? QVariant("missing") : QVariant();
    case Qt::BackgroundRole:
      return IsMissing(index.row(), index.column()) ? QVariant(QColor(232, 232, 232)) : QVariant();
    case Qt::TextAlignmentRole:
      return m_variables[static_cast<std::size_t>(index.column())].type == data::VariableType::Numeric
                 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                 : QVariant();
    case Qt::ForegroundRole:
      return IsMissing(index.row(), index.column()) ? QVariant(QColor(Qt::darkGray)) : QVariant();
    default: return {};
  }
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
  if (section < 0 || section >= columnCount()) return {};
  const data::Variable& v = m_variables[static_cast<std::size_t>(section)];
  const QString& roles = m_roles[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) {
    // Text files tell their types only once every row is read.
    QStringList about;
    if (m_typed || v.type != data::VariableType::Unknown) about << TypeName(v.type);
    if (!roles.isEmpty()) about << roles;
    return Text(v.name) + "\n" + about.join(", ");
  }
  if (role == Qt::ToolTipRole && !v.label.empty()) return Text(v.label);
  return {};
}

void DataGridModel::ShowLabels(bool on) {
  if (on == m_showLabels) return;
  m_showLabels = on;
  if (m_rows > 0) emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1), {Qt::DisplayRole});
}

void DataGridModel::Append(std::shared_ptr<const GridBatch> batch) {
  const int rows = m_variables.empty() ? 0 : static_cast<int>(batch->flags.size() / m_variables.size());
  if (rows == 0) return;
  beginInsertRows({}, m_rows, m_rows + rows - 1);
  m_batches.push_back(std::move(batch));
  m_starts.push_back(m_rows);
  m_rows += rows;
  endInsertRows();
}

void DataGridModel::SetTypes(const std::vector<data::VariableType>& types) {
  for (std::size_t i = 0; i < types.size() && i < m_variables.size(); ++i) m_variables[i].type = types[i];
  m_typed = true;
  emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

DataGridDialog::DataGridDialog(const data::DataChoice& choice, QWidget* parent)
    : QDialog(parent),
      m_view(new QTableView(this)),
      m_labels(new QCheckBox("Show value &labels", this)),
      m_status(new QLabel(this)) {
  const QString path = QFile::decodeName(choice.file.c_str());
  setWindowTitle("Data: " + QFileInfo(path).fileName());
  setObjectName("dataGrid");
  std::optional<data::DataProblem> problem;
  std::unique_ptr<data::DataFile> file = data::OpenDataFile(choice.file, problem);
  if (file) {
    std::vector<QString> roles(file->Variables().size());
    for (std::size_t r = 0; r < data::kRoles; ++r)
      if (const auto column = choice.variables[r].empty() ? std::nullopt : file->Find(choice.variables[r])) {
        QString& named = roles[*column];
        named += (named.isEmpty() ? "" : ", ") + Text(data::RoleName(static_cast<data::Role>(r)));
      }
    m_model = new DataGridModel(file->Variables(), std::move(roles), file->HasValueLabels(), this);
    m_view->setModel(m_model);
  }
  m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
  m_view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_labels->setChecked(true);
  m_labels->setEnabled(m_model && m_model->HasValueLabels());
  if (m_model) connect(m_labels, &QCheckBox::toggled, m_model, &DataGridModel::ShowLabels);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_status, 1);
  bottom->addWidget(m_labels);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_view, 1);
  layout->addLayout(bottom);
  resize(760, 480);
  if (!file) {
    Finished(problem ? QString::fromStdString(problem->Describe(data::Front::Desktop)) : path + ": cannot be read");
    return;
  }
  m_status->setText("Reading...");
  m_reader = std::thread([this, f = std::move(file)] { Read(*f); });
}

DataGridDialog::~DataGridDialog() {
  m_stop = true;
  if (m_reader.joinable()) m_reader.join();
}

void DataGridDialog::Read(const data::DataFile& file) {
  const std::size_t n = file.Variables().size();
  std::vector<std::size_t> columns(n);
  for (std::size_t i = 0; i < n; ++i) columns[i] = i;
  data::Profiler profiler(file);
  long long rows = 0;
  auto batch = std::make_shared<GridBatch>();
  const auto post = [this](std::shared_ptr<GridBatch> full) {
    QMetaObject::invokeMethod(
        m_model, [model = m_model, rows = std::shared_ptr<const GridBatch>(std::move(full))] { model->Append(rows); },
        Qt::QueuedConnection);
  };
  const auto problem = file.Scan(columns, [&](long long, std::span<const data::Value> values) {
    if (m_stop || rows == kMaxRows) return false;
    ++rows;
    profiler.Add(values);
    for (const data::Value& value : values) Add(*batch, value);
    if (batch->flags.size() >= DataGridModel::kBatchRows * n || batch->text.size() >= DataGridModel::kBatchText) {
      post(std::move(batch));
      batch = std::make_shared<GridBatch>();
    }
    return true;
  });
  if (!batch->flags.empty()) post(std::move(batch));
  if (m_stop) return;
  std::vector<data::VariableType> types;
  for (const data::VariableProfile& v : profiler.Result().variables) types.push_back(v.type);
  const QString message = problem            ? QString::fromStdString(problem->Describe(data::Front::Desktop))
                          : rows == kMaxRows ? QString("the first %1 rows; the grid shows no more").arg(kMaxRows)
                                             : QString();
  QMetaObject::invokeMethod(
      this,
      [this, types, message] {
        m_model->SetTypes(types);
        Finished(message);
      },
      Qt::QueuedConnection);
}

void DataGridDialog::Finished(QString problem) {
  m_done = true;
  if (!problem.isEmpty()) {
    m_status->setText(problem);
    return;
  }
  m_status->setText(QString("%1 rows").arg(m_model->rowCount()));
}

}  // namespace mirto
