#include "app/EntryTableDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/ImportDialog.h"
#include "data/EntryTable.h"

namespace mirto {
namespace {

using data::Mark;

QString Text(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

// Long labels over two or three lines, so that columns stay narrow.
QString Wrapped(const std::string& heading) {
  QString out;
  int line = 0;
  for (const QString& word : Text(heading).split(' ', Qt::SkipEmptyParts)) {
    if (line > 0 && line + word.size() > 22) {
      out += '\n';
      line = 0;
    } else if (line > 0) {
      out += ' ';
      ++line;
    }
    out += word;
    line += static_cast<int>(word.size());
  }
  return out;
}

// Cells are edited as the form's fields are: the same limit and digits-only mark.
class CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(const data::EntryTable& table, QObject* parent) : QStyledItemDelegate(parent), m_table(table) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    auto* edit = qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
    if (!edit) return edit;
    const data::TableColumn& c = m_table.Columns()[static_cast<std::size_t>(index.column())];
    const Control& control = m_table.Template().controls[c.control];
    if (c.maxLength > 0 && control.limitWhileTyping) edit->setMaxLength(c.maxLength);
    if (c.digitsOnly) edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    return edit;
  }

 private:
  const data::EntryTable& m_table;
};

}  // namespace

EntryTableModel::EntryTableModel(data::EntryTable& table, QObject* parent)
    : QAbstractTableModel(parent), m_table(table) {}

int EntryTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_table.Rows());
}

int EntryTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_table.Columns().size());
}

QVariant EntryTableModel::data(const QModelIndex& index, int role) const {
  const long long row = index.row();
  const std::size_t column = static_cast<std::size_t>(index.column());
  const data::TableColumn& c = m_table.Columns()[column];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return Text(m_table.Text(row, column));
    case Qt::ToolTipRole: {
      if (!m_tellEmpty && m_table.MarkAt(row, column) == Mark::Empty) return {};
      const std::string why = m_table.Why(row, column);
      return why.empty() ? QVariant() : QVariant(Text(why));
    }
    case Qt::BackgroundRole:
      if (!c.Editable()) return QApplication::palette().color(QPalette::Disabled, QPalette::Window);
      switch (m_table.MarkAt(row, column)) {
        case Mark::TooLong:
        case Mark::Misread:
        case Mark::Refused: return QColor(255, 205, 205);
        case Mark::Warned:
        case Mark::Advised: return QColor(255, 238, 185);
        case Mark::Empty:
        case Mark::None: return {};
      }
      return {};
    case Qt::ForegroundRole:
      return c.enabled ? QVariant() : QVariant(QApplication::palette().color(QPalette::Disabled, QPalette::Text));
    case Qt::TextAlignmentRole: return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    default: return {};
  }
}

QVariant EntryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const data::TableColumn& c = m_table.Columns()[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return Wrapped(c.heading);
  if (role == Qt::ToolTipRole) return Text(c.heading) + " (" + Text(c.name) + ")";
  return {};
}

Qt::ItemFlags EntryTableModel::flags(const QModelIndex& index) const {
  const data::TableColumn& c = m_table.Columns()[static_cast<std::size_t>(index.column())];
  if (!c.enabled) return Qt::ItemIsSelectable;
  return c.number ? Qt::ItemIsSelectable | Qt::ItemIsEnabled
                  : Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool EntryTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
  // One byte a character, as the form's fields take what is typed.
  m_table.SetText(index.row(), static_cast<std::size_t>(index.column()), value.toString().toLatin1().toStdString());
  emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
  emit marksChanged();
  return true;
}

void EntryTableModel::Refresh() {
  beginResetModel();
  endResetModel();
  emit marksChanged();
}

EntryTableDialog::EntryTableDialog(data::EntryTable& table, QWidget* parent)
    : QDialog(parent), m_table(table), m_model(new EntryTableModel(table, this)), m_view(new QTableView(this)) {
  setWindowTitle(Text(table.Template().title));
  setObjectName("entryTable");
  m_view->setModel(m_model);
  m_view->setItemDelegate(new CellDelegate(table, m_view));
  m_view->verticalHeader()->hide();
  m_view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  m_view->setSelectionMode(QAbstractItemView::ContiguousSelection);
  // Not on moving the current cell: Ctrl+V there pastes a block, not into one cell.
  m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                          QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
  m_view->horizontalHeader()->setMinimumSectionSize(60);
  m_view->resizeColumnsToContents();
  m_view->setCurrentIndex(m_model->index(0, 0));

  m_hint = new QLabel(
      "Type the figures, or copy a block of cells in a spreadsheet and press Ctrl+V here to paste it from the "
      "current cell on. The right button offers Paste, Clear and Import.",
      this);
  m_hint->setObjectName("hint");
  m_hint->setWordWrap(true);
  m_status = new QLabel(this);
  m_status->setObjectName("status");
  m_status->setWordWrap(true);
  auto* import = new QPushButton("&Import...", this);
  m_next = new QPushButton("&Next to put right", this);
  m_perRow = new QCheckBox("One &form per row", this);
  m_perRow->setToolTip("Enter the rows one form at a time, now and in later calculations.");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  m_ok = buttons->button(QDialogButtonBox::Ok);
  m_ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(import, &QPushButton::clicked, this, &EntryTableDialog::Import);
  connect(m_next, &QPushButton::clicked, this, &EntryTableDialog::NextProblem);
  connect(m_perRow, &QCheckBox::toggled, this, &EntryTableDialog::UpdateState);
  connect(m_model, &EntryTableModel::marksChanged, this, &EntryTableDialog::UpdateState);
  connect(m_model, &EntryTableModel::dataChanged, this, &EntryTableDialog::Started);
  // Ctrl+V pastes into the table from anywhere in the dialog; Delete only in the table.
  struct Item {
    const char* text;
    QKeySequence keys;
    Qt::ShortcutContext context;
    void (EntryTableDialog::*slot)();
  };
  for (const Item& item :
       {Item{"&Paste", QKeySequence::Paste, Qt::WindowShortcut, &EntryTableDialog::Paste},
        Item{"C&lear", QKeySequence::Delete, Qt::WidgetWithChildrenShortcut, &EntryTableDialog::Clear},
        Item{"&Import...", QKeySequence(), Qt::WidgetWithChildrenShortcut, &EntryTableDialog::Import}}) {
    auto* action = new QAction(item.text, m_view);
    action->setShortcut(item.keys);
    action->setShortcutContext(item.context);
    connect(action, &QAction::triggered, this, item.slot);
    m_view->addAction(action);
  }
  m_view->setContextMenuPolicy(Qt::ActionsContextMenu);

  auto* tools = new QHBoxLayout;
  tools->addWidget(import);
  tools->addWidget(m_next);
  tools->addStretch(1);
  tools->addWidget(m_perRow);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_hint);
  layout->addWidget(m_view, 1);
  layout->addWidget(m_status);
  layout->addLayout(tools);
  layout->addWidget(buttons);
  resize(760, 460);
  UpdateState();
}

void EntryTableDialog::Started() {
  if (m_started) return;
  m_started = true;
  m_model->SetTellEmpty(true);
  UpdateState();
}

void EntryTableDialog::UpdateState() {
  const long long rows = m_table.Rows();
  m_status->setText(m_started   ? Text(m_table.Summary())
                    : rows == 1 ? QString("1 row to enter.")
                                : QString("%1 rows to enter.").arg(rows));
  m_next->setEnabled(m_started && m_table.Blocking() > 0);
  // The forms ask for every row again, so a table that is not ready does not hold them up.
  m_ok->setEnabled(m_table.Blocking() == 0 || m_perRow->isChecked());
}

void WithProgress(QWidget* parent, data::EntryTable& table, const QString& label, const std::function<void()>& work) {
  if (table.Rows() < 20'000) {
    work();
    return;
  }
  QProgressDialog progress(label, QString(), 0, static_cast<int>(table.Rows()), parent);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(300);
  table.SetProgress([&progress](long long done, long long) { progress.setValue(static_cast<int>(done)); });
  work();
  table.SetProgress(nullptr);
}

bool EntryTableDialog::PasteText(const QByteArray& text) {
  const QModelIndex at = m_view->currentIndex();
  std::optional<data::DelimitedProblem> problem;
  WithProgress(this, m_table, "Checking the pasted rows...", [&] {
    problem = m_table.Paste(std::max(0, at.row()), static_cast<std::size_t>(std::max(0, at.column())),
                            std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
  });
  if (problem) {
    QMessageBox::warning(this, kAppTitle, Text(data::Describe(*problem, "The pasted text")));
    return false;
  }
  Started();
  m_model->Refresh();
  m_view->setCurrentIndex(at);
  return true;
}

void EntryTableDialog::Paste() { PasteText(QApplication::clipboard()->text().toLatin1()); }

void EntryTableDialog::Clear() {
  const auto& columns = m_table.Columns();
  for (const QItemSelectionRange& range : m_view->selectionModel()->selection())
    for (int row = range.top(); row <= range.bottom(); ++row)
      for (int column = range.left(); column <= range.right(); ++column) {
        const auto c = static_cast<std::size_t>(column);
        if (columns[c].Editable() && !m_table.Text(row, c).empty()) m_table.SetText(row, c, {});
      }
  const QModelIndex at = m_view->currentIndex();
  m_model->Refresh();
  m_view->setCurrentIndex(at);
}

void EntryTableDialog::Import() {
  const QString path =
      QFileDialog::getOpenFileName(this, "Import", QString(), "Delimited text (*.csv *.tsv *.txt);;All files (*)");
  if (!path.isEmpty()) ImportFile(path);
}

void EntryTableDialog::ImportFile(const QString& path) {
  ImportDialog dialog(m_table, path, this);
  if (!dialog.Readable()) return;
  if (dialog.exec() != QDialog::Accepted) return;
  Started();
  m_model->Refresh();
}

void EntryTableDialog::NextProblem() {
  const QModelIndex at = m_view->currentIndex();
  const auto next =
      m_table.NextBlocking({at.row() < 0 ? 0 : at.row(), static_cast<std::size_t>(std::max(0, at.column()) + 1)});
  if (!next) return;
  const QModelIndex cell = m_model->index(static_cast<int>(next->row), static_cast<int>(next->column));
  m_view->setCurrentIndex(cell);
  m_view->scrollTo(cell);
}

void AddOneFormPerRowAction(QMenu* menu) {
  QAction* action = menu->addAction("One &form per row");
  action->setObjectName("oneFormPerRow");
  action->setCheckable(true);
  action->setStatusTip("Enter the rows of groups, elements and pairs one form at a time rather than in a table");
  QObject::connect(menu, &QMenu::aboutToShow, action, [action] {
    const QSignalBlocker block(action);
    action->setChecked(AppSettings().LoadOneFormPerRow());
  });
  QObject::connect(action, &QAction::toggled, action, [](bool on) { AppSettings().SaveOneFormPerRow(on); });
}

}  // namespace mirto
