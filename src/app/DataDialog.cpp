#include "app/DataDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/DataText.h"
#include "app/WaitCursor.h"
#include "data/DataFile.h"
#include "journal/Excerpt.h"

namespace mirto {
namespace {

using data::Role;

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string Path(const QString& path) { return QFile::encodeName(path).toStdString(); }
// As a script's statements name it, so that the notes agree.
std::string Shown(const QString& path) { return PathExcerpt(Path(path)); }

constexpr const char* kDataFilter =
    "Data files (*.csv *.tsv *.txt *.sav *.zsav *.dta *.sas7bdat);;Delimited text (*.csv *.tsv *.txt);;SPSS "
    "(*.sav *.zsav);;Stata (*.dta);;SAS (*.sas7bdat);;All files (*)";
constexpr const char* kTextFilter = "Delimited text (*.csv *.tsv *.txt);;All files (*)";

struct RoleRow {
  Role role;
  const char* label;
};
constexpr RoleRow kRoleRows[] = {
    {Role::Y, "&y (0 or 1 for a proportion):"},
    {Role::X, "&x, the auxiliary variable:"},
    {Role::Y1, "y&1, numerator of a ratio:"},
    {Role::Y2, "y&2, denominator of a ratio:"},
    {Role::Stratum, "&stratum:"},
    {Role::Group, "&group (cluster):"},
    {Role::Size, "si&ze, N_i of each group:"},
    {Role::Prob, "&prob, selection or inclusion probability:"},
};

}  // namespace

DataDialog::DataDialog(const data::DataChoice& choice, QWidget* parent)
    : QDialog(parent),
      m_file(new QLineEdit(this)),
      m_rows(new QLabel(this)),
      m_variables(new QTableWidget(0, 3, this)),
      m_population(new QLineEdit(this)),
      m_pairs(new QLineEdit(this)) {
  setWindowTitle("From data");
  setObjectName("dataDialog");
  m_file->setObjectName("dataFile");
  m_file->setPlaceholderText("Type a path and press Return, or browse");
  m_file->installEventFilter(this);
  connect(m_file, &QLineEdit::editingFinished, this, [this] { OpenTyped(false); });
  auto* browse = new QPushButton("&Browse...", this);
  connect(browse, &QPushButton::clicked, this, &DataDialog::Browse);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel("Data file:", this));
  fileRow->addWidget(m_file, 1);
  fileRow->addWidget(browse);

  m_variables->setObjectName("variables");
  m_variables->setHorizontalHeaderLabels({"Variable", "Type", "Missing"});
  m_variables->verticalHeader()->hide();
  m_variables->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_variables->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_variables->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);

  auto* roles = new QGroupBox("Variables of the calculation (leave empty what it does not need)", this);
  auto* form = new QFormLayout(roles);
  for (const RoleRow& row : kRoleRows) {
    auto* box = new QComboBox(this);
    box->setObjectName(QString("role_") + Text(data::RoleName(row.role)));
    box->setMinimumContentsLength(16);
    connect(box, &QComboBox::currentIndexChanged, this, &DataDialog::UpdateState);
    form->addRow(row.label, box);
    m_roles[static_cast<std::size_t>(row.role)] = box;
  }
  auto* files = new QFormLayout;
  files->addRow("P&opulation file (sizes):", FileRow(m_population, kTextFilter));
  files->addRow("P&airs file (i, j, p_ij):", FileRow(m_pairs, kTextFilter));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  m_ok = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &DataDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &DataDialog::reject);

  auto* left = new QVBoxLayout;
  left->addLayout(fileRow);
  left->addWidget(m_variables, 1);
  left->addWidget(m_rows);
  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 1);
  columns->addWidget(roles);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  layout->addLayout(files);
  layout->addWidget(buttons);
  resize(820, 440);

  m_population->setText(QString::fromStdString(choice.population));
  m_pairs->setText(QString::fromStdString(choice.pairs));
  if (!choice.file.empty() && OpenFile(QFile::decodeName(choice.file.c_str())))
    for (std::size_t r = 0; r < data::kRoles; ++r)
      m_roles[r]->setCurrentIndex(std::max(0, m_roles[r]->findText(QString::fromStdString(choice.variables[r]))));
  UpdateState();
}

QWidget* DataDialog::FileRow(QLineEdit* edit, const QString& filter) {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* browse = new QPushButton("Browse...", row);
  connect(browse, &QPushButton::clicked, this, [this, edit, filter] {
    const QString path = QFileDialog::getOpenFileName(this, "Open", edit->text(), filter);
    if (!path.isEmpty()) edit->setText(path);
  });
  edit->setClearButtonEnabled(true);
  layout->addWidget(edit, 1);
  layout->addWidget(browse);
  return row;
}

void DataDialog::Browse() {
  const QString path = QFileDialog::getOpenFileName(this, "Open data file", m_path, kDataFilter);
  if (!path.isEmpty()) OpenFile(path);
}

bool DataDialog::Report(const std::optional<data::DataProblem>& problem) {
  if (!problem) return true;
  QMessageBox::warning(this, kAppTitle, QString::fromStdString(problem->Describe()));
  return false;
}

bool DataDialog::OpenFile(const QString& path) {
  std::optional<data::DataProblem> problem;
  data::DataProfile profile;
  std::unique_ptr<data::DataFile> file;
  {
    const WaitCursor wait;
    file = data::OpenDataFile(Path(path), problem);
    if (file) problem = data::Profile(*file, profile);
  }
  if (problem) problem->file = Shown(path);
  if (!Report(problem)) return false;
  m_path = path;
  m_file->setText(path);
  const auto& variables = file->Variables();
  m_variables->setRowCount(static_cast<int>(variables.size()));
  QStringList names{QString()};
  for (std::size_t i = 0; i < variables.size(); ++i) {
    const int row = static_cast<int>(i);
    auto* name = new QTableWidgetItem(Text(variables[i].name));
    if (!variables[i].label.empty()) name->setToolTip(Text(variables[i].label));
    m_variables->setItem(row, 0, name);
    m_variables->setItem(row, 1, new QTableWidgetItem(TypeName(profile.variables[i].type)));
    auto* missing = new QTableWidgetItem(QString::number(profile.variables[i].missing));
    missing->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_variables->setItem(row, 2, missing);
    names << Text(variables[i].name);
  }
  m_variables->resizeColumnToContents(1);
  m_rows->setText(QString("%1 rows").arg(profile.rows));
  // Roles whose variable the new file has too stay as they were.
  for (QComboBox* box : m_roles) {
    const QSignalBlocker block(box);
    const QString kept = box->currentText();
    box->clear();
    box->addItems(names);
    box->setCurrentIndex(std::max(0, box->findText(kept)));
  }
  UpdateState();
  return true;
}

bool DataDialog::OpenTyped(bool again) {
  const QString path = m_file->text().trimmed();
  if (path.isEmpty()) m_file->setText(m_path);
  if (path.isEmpty() || path == m_path || m_opening || (!again && path == m_failed)) return false;
  // The message about a file that fails takes the focus, which ends the editing again.
  const QScopedValueRollback opening(m_opening, true);
  if (OpenFile(path)) return true;
  m_failed = path;
  m_file->setText(path);  // kept to be put right
  return false;
}

// Return in the file field opens the file typed rather than pressing OK.
bool DataDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_file && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_file->text().trimmed() != m_path) {
      OpenTyped(true);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void DataDialog::UpdateState() {
  const bool any = std::any_of(m_roles.begin(), m_roles.end(), [](QComboBox* b) { return b->currentIndex() > 0; });
  m_ok->setEnabled(!m_path.isEmpty() && any);
}

void DataDialog::accept() {
  // A file typed and not yet opened: its variables are shown first, and OK
  // again takes them.
  if (m_file->text().trimmed().isEmpty()) m_file->setText(m_path);
  if (m_file->text().trimmed() != m_path) {
    OpenTyped(true);
    return;
  }
  data::DataSession session;
  data::DataChoice choice;
  choice.file = Path(m_path);
  if (!Report(session.Open(choice.file, Shown(m_path)))) return;
  std::vector<std::pair<Role, std::string>> roles;
  for (std::size_t r = 0; r < data::kRoles; ++r) {
    choice.variables[r] = m_roles[r]->currentText().toStdString();
    if (!choice.variables[r].empty()) roles.emplace_back(static_cast<Role>(r), choice.variables[r]);
  }
  if (!Report(session.Use(roles))) return;
  choice.population = Path(m_population->text().trimmed());
  choice.pairs = Path(m_pairs->text().trimmed());
  if (!choice.population.empty() &&
      !Report(session.LoadPopulation(choice.population, Shown(m_population->text().trimmed()))))
    return;
  if (!choice.pairs.empty() && !Report(session.LoadPairs(choice.pairs, Shown(m_pairs->text().trimmed())))) return;
  m_session = std::move(session);
  m_choice = std::move(choice);
  QDialog::accept();
}

}  // namespace mirto
