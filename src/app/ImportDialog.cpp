#include "app/ImportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/EntryTableDialog.h"

namespace mirto {
namespace {

QString Text(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

constexpr int kPreviewRows = 20;
constexpr char kSeparators[] = {0, '\t', ',', ';'};

}  // namespace

ImportDialog::ImportDialog(data::EntryTable& table, const QString& path, QWidget* parent)
    : QDialog(parent), m_table(table), m_path(path), m_name(QFileInfo(path).fileName()) {
  setWindowTitle("Import " + m_name);
  setObjectName("importDialog");
  m_separator = new QComboBox(this);
  m_separator->addItems({"Found from the first line", "Tab", "Comma", "Semicolon"});
  m_header = new QCheckBox("The first line is a &header", this);
  m_matrix = new QCheckBox("A &matrix of joint probabilities (the upper triangle is used)", this);
  m_matrix->setVisible(table.Loop().Pairs());
  m_preview = new QTableWidget(this);
  m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_problem = new QLabel(this);
  m_problem->setObjectName("problem");
  m_problem->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow("&Separator:", m_separator);
  form->addRow(m_header);
  form->addRow(m_matrix);
  for (const data::TableColumn& c : table.Columns()) {
    QComboBox* source = nullptr;
    if (c.Editable() || c.number) {
      source = new QComboBox(this);
      form->addRow(Text(c.heading) + (c.number ? " (checked)" : ""), source);
      connect(source, &QComboBox::currentIndexChanged, this, &ImportDialog::UpdateState);
    }
    m_sources.push_back(source);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  m_ok = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &ImportDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(m_preview, 1);
  layout->addWidget(m_problem);
  layout->addWidget(buttons);
  resize(640, 520);

  connect(m_separator, &QComboBox::currentIndexChanged, this, &ImportDialog::Read);
  connect(m_header, &QCheckBox::toggled, this, &ImportDialog::FillPreview);
  connect(m_matrix, &QCheckBox::toggled, this, &ImportDialog::UpdateState);
  Read();
  if (m_read.fileError) {
    m_readable = false;
    QMessageBox::warning(parent, kAppTitle, Text(data::Describe(*m_read.problem, m_name.toStdString())));
  }
}

void ImportDialog::Read() {
  const char separator = kSeparators[std::max(0, m_separator->currentIndex())];
  m_read = data::ReadDelimitedFile(QFile::encodeName(m_path).toStdString(),
                                   {.separator = separator, .maxRows = m_table.Rows() + 1});
  const bool ok = !m_read.problem;
  m_problem->setText(ok ? QString() : Text(data::Describe(*m_read.problem, m_name.toStdString())));
  for (QComboBox* source : m_sources) {
    if (!source) continue;
    const QSignalBlocker block(source);
    source->clear();
    source->addItem("(none)");
    // Each file column with what its first line holds: a header's name or a first figure.
    for (std::size_t f = 0; ok && f < m_read.table.Columns(); ++f)
      source->addItem(QString("Column %1: %2").arg(f + 1).arg(Text(m_read.table.Cell(0, f)).left(24)));
  }
  if (ok) {
    const data::ImportPlan plan = m_table.Suggest(m_read.table);
    ShowPlan(plan);
    // A header with a name twice or a name that is no column: said, and left to the choices below.
    if (plan.headerProblem) m_problem->setText(Text(data::Describe(*plan.headerProblem, m_name.toStdString())));
  }
  FillPreview();
}

void ImportDialog::ShowPlan(const data::ImportPlan& plan) {
  const QSignalBlocker blockHeader(m_header), blockMatrix(m_matrix);
  m_header->setChecked(plan.header);
  m_matrix->setChecked(plan.matrix);
  for (std::size_t c = 0; c < m_sources.size(); ++c)
    if (m_sources[c]) m_sources[c]->setCurrentIndex(plan.source[c] + 1);
}

data::ImportPlan ImportDialog::Plan() const {
  data::ImportPlan plan;
  plan.header = m_header->isChecked();
  plan.matrix = m_matrix->isChecked();
  for (QComboBox* source : m_sources) plan.source.push_back(source ? source->currentIndex() - 1 : -1);
  return plan;
}

void ImportDialog::FillPreview() {
  const data::DelimitedTable& t = m_read.table;
  const bool header = m_header->isChecked() && t.Rows() > 0;
  const int rows = static_cast<int>(std::min<std::size_t>(t.Rows() - header, kPreviewRows));
  m_preview->clear();
  m_preview->setRowCount(m_read.problem ? 0 : rows);
  m_preview->setColumnCount(m_read.problem ? 0 : static_cast<int>(t.Columns()));
  if (m_read.problem) return UpdateState();
  QStringList labels, lines;
  for (std::size_t f = 0; f < t.Columns(); ++f)
    labels << QString("Column %1").arg(f + 1) + (header ? "\n" + Text(t.Cell(0, f)) : QString());
  m_preview->setHorizontalHeaderLabels(labels);
  for (int r = 0; r < rows; ++r) {
    const std::size_t row = static_cast<std::size_t>(r) + header;
    lines << QString("Line %1").arg(t.Line(row));
    for (std::size_t f = 0; f < t.Columns(); ++f)
      m_preview->setItem(r, static_cast<int>(f), new QTableWidgetItem(Text(t.Cell(row, f))));
  }
  m_preview->setVerticalHeaderLabels(lines);
  UpdateState();
}

void ImportDialog::UpdateState() {
  const bool matrix = m_matrix->isChecked();
  for (QComboBox* source : m_sources)
    if (source) source->setEnabled(!matrix && !m_read.problem);
  m_ok->setEnabled(!m_read.problem && (matrix || m_table.Unmapped(Plan()).empty()));
}

void ImportDialog::accept() {
  const data::ImportPlan plan = Plan();
  std::optional<data::DelimitedProblem> problem;
  const std::size_t header = plan.header;
  if (m_read.more && !plan.matrix && m_read.table.Rows() - header >= static_cast<std::size_t>(m_table.Rows()))
    problem = data::DelimitedProblem{m_read.moreLine, 0, "more lines than the table has rows"};
  else
    WithProgress(this, m_table, "Checking the imported rows...", [&] { problem = m_table.Import(m_read.table, plan); });
  if (problem) {
    QMessageBox::warning(this, kAppTitle, Text(data::Describe(*problem, m_name.toStdString())));
    return;  // the file, the plan and the table as they were
  }
  QDialog::accept();
}

}  // namespace mirto
