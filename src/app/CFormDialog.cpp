#include "app/CFormDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <optional>

#include "app/AppSettings.h"
#include "app/HelpWindow.h"
#include "framework/Form.h"

namespace mirto {
namespace {

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QLabel* NewLabel(std::string_view text, QWidget* parent, bool wrap = false) {
  auto* label = new QLabel(Text(text), parent);
  label->setWordWrap(wrap);
  return label;
}

// Wide enough for the field's limit, within reason.
int FieldWidth(const QWidget& field, int maxLength) {
  const int chars = std::clamp(maxLength > 0 ? maxLength : 20, 8, 24);
  return field.fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('0'))) + 12;
}

// A confidence list that starts with nothing current, so that nothing looks
// chosen before a level is: the first Down or Home then takes the first
// level, and Space or Enter chooses the level the keys moved to.
class LevelListWidget : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QListWidget::focusInEvent(event);
    if (selectedItems().isEmpty()) selectionModel()->clearCurrentIndex();
  }
  void keyPressEvent(QKeyEvent* event) override {
    const bool choose = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                        event->key() == Qt::Key_Space || event->key() == Qt::Key_Select;
    if (choose && event->modifiers() == Qt::NoModifier && currentItem() && !currentItem()->isSelected()) {
      currentItem()->setSelected(true);
      return;  // Enter chooses here; once chosen, it presses OK
    }
    QListWidget::keyPressEvent(event);
  }
};

// The colours of the entry table's marks: a refusal, and advice.
constexpr const char* kRefusedStyle = "QLineEdit { background: rgb(255, 205, 205); }";
constexpr const char* kAdviceStyle = "QLineEdit { background: rgb(255, 238, 185); }";

QGridLayout* NewGrid() {
  auto* grid = new QGridLayout;
  grid->setColumnStretch(0, 1);
  return grid;
}

}  // namespace

CFormDialog::CFormDialog(Form& form, QWidget* parent, std::vector<std::size_t> fromData)
    : QDialog(parent), m_form(form), m_widgets(form.size()), m_fromData(std::move(fromData)) {
  setWindowTitle(Text(form.Template().title));
  setObjectName(QString("form%1").arg(form.Template().id));
  Build();
  Refresh();
  UpdateMarks();
}

void CFormDialog::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::HelpContents)) return ShowHelp();
  QDialog::keyPressEvent(event);
}

// A window of the dialog's own: the modal form leaves it usable.
void CFormDialog::ShowHelp() {
  if (!m_help) m_help = new HelpWindow(this);
  m_help->ShowFormTopic(m_form.Template());
  m_help->show();
  m_help->raise();
  m_help->activateWindow();
}

bool CFormDialog::FromData(std::size_t i) const {
  return std::find(m_fromData.begin(), m_fromData.end(), i) != m_fromData.end();
}

QString CFormDialog::Mark(std::size_t i) const {
  return m_widgets[i].edit ? m_widgets[i].edit->property("mark").toString() : QString();
}

void CFormDialog::UpdateMarks() {
  Form trial = m_form;
  CollectInto(trial);
  const std::vector<FieldNote> advice = trial.Advice();
  for (std::size_t i = 0; i < m_widgets.size(); ++i) {
    QLineEdit* edit = m_widgets[i].edit;
    if (!edit || edit->isReadOnly() || FromData(i)) continue;
    QString mark, why;
    if (std::optional<std::string> misread = m_triedOk ? trial.Misread(i) : std::nullopt) {
      mark = "refused";
      why = QString::fromStdString(*misread);
    } else {
      for (const FieldNote& note : advice)
        if (note.control == i) mark = "advice", why = QString::fromStdString(note.text);
    }
    if (edit->property("mark").toString() == mark && edit->toolTip() == why) continue;
    edit->setProperty("mark", mark);
    edit->setToolTip(why);
    edit->setStyleSheet(mark == "refused" ? kRefusedStyle : mark == "advice" ? kAdviceStyle : "");
  }
}

void CFormDialog::Build() {
  auto* columns = new QHBoxLayout;
  QGridLayout* column[2] = {NewGrid(), NewGrid()};
  // A group frames the next `groupSize` controls; groups may hold groups.
  struct Open {
    QGridLayout* layout;
    int left;
  };
  std::vector<Open> open;
  for (std::size_t i = 0; i < m_form.size(); ++i) {
    const Control& c = m_form.ControlAt(i);
    QGridLayout* target = open.empty() ? column[c.column == 1 ? 1 : 0] : open.back().layout;
    if (!open.empty() && --open.back().left == 0) open.pop_back();
    if (c.kind == ControlKind::Group) {
      auto* box = new QGroupBox(Text(c.label), this);
      box->setObjectName(QString("control%1").arg(i));
      auto* inner = NewGrid();
      box->setLayout(inner);
      target->addWidget(box, target->rowCount(), 0, 1, 2);
      m_widgets[i].box = box;
      if (c.groupSize > 0) open.push_back({inner, c.groupSize});
      continue;
    }
    AddControl(i, target);
  }
  columns->addLayout(column[0]);
  if (column[1]->count() > 0) {
    columns->addSpacing(12);
    columns->addLayout(column[1]);
  }
  for (QGridLayout* grid : column) grid->setRowStretch(grid->rowCount(), 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  buttons->button(QDialogButtonBox::Help)->setAutoDefault(false);
  connect(buttons, &QDialogButtonBox::accepted, this, &CFormDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CFormDialog::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, &CFormDialog::ShowHelp);

  auto* outer = new QVBoxLayout(this);
  outer->addLayout(columns);
  outer->addWidget(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);
}

void CFormDialog::AddControl(std::size_t i, QGridLayout* layout) {
  const Control& c = m_form.ControlAt(i);
  switch (c.kind) {
    case ControlKind::Static: {
      m_widgets[i].label = NewLabel(c.label, this, true);
      m_widgets[i].label->setObjectName(QString("control%1").arg(i));
      layout->addWidget(m_widgets[i].label, layout->rowCount(), 0, 1, 2);
      break;
    }
    case ControlKind::Text: AddText(i, c, layout); break;
    case ControlKind::List: AddList(i, c, layout); break;
    case ControlKind::Radio: AddRadio(i, c, layout); break;
    case ControlKind::Group: break;  // laid out by Build
  }
}

void CFormDialog::AddText(std::size_t i, const Control& c, QGridLayout* layout) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString("control%1").arg(i));
  const bool fromData = std::find(m_fromData.begin(), m_fromData.end(), i) != m_fromData.end();
  // A field without a typing limit is refused at OK instead.
  if (c.maxLength > 0 && c.limitWhileTyping && !fromData) edit->setMaxLength(c.maxLength);
  if (c.digitsOnly) edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
  edit->setReadOnly(c.readOnly || fromData);
  if (c.readOnly || fromData) edit->setFocusPolicy(Qt::NoFocus);
  if (fromData) edit->setToolTip("From the data file");
  edit->setText(QString::fromLatin1(m_form.Text(i)));
  edit->setMinimumWidth(FieldWidth(*edit, c.maxLength));
  if (!c.readOnly && !fromData) connect(edit, &QLineEdit::textChanged, this, [this] { UpdateMarks(); });
  auto* label = NewLabel(c.label, this);
  label->setBuddy(edit);
  const int row = layout->rowCount();
  layout->addWidget(label, row, 0);
  layout->addWidget(edit, row, 1);
  m_widgets[i].label = label;
  m_widgets[i].edit = edit;
}

void CFormDialog::AddList(std::size_t i, const Control& c, QGridLayout* layout) {
  auto* list = new LevelListWidget(this);
  list->setObjectName(QString("control%1").arg(i));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  for (const ConfidenceLevel& level : kConfidenceTable) list->addItem(Text(level.text));
  const int rows = static_cast<int>(std::size(kConfidenceTable));
  list->setFixedHeight(list->sizeHintForRow(0) * rows + 2 * list->frameWidth());
  list->setMinimumWidth(list->fontMetrics().horizontalAdvance("99%") * 3);
  if (m_form.Selection(i) >= 0 && m_form.Selection(i) < rows) {
    list->setCurrentRow(m_form.Selection(i));
  } else {
    list->clearSelection();
  }
  auto* label = NewLabel(c.label, this);
  label->setBuddy(list);
  const int row = layout->rowCount();
  layout->addWidget(label, row, 0, Qt::AlignTop);
  layout->addWidget(list, row, 1);
  m_widgets[i].label = label;
  m_widgets[i].list = list;
}

void CFormDialog::AddRadio(std::size_t i, const Control& c, QGridLayout* layout) {
  auto* box = new QGroupBox(Text(c.label), this);
  box->setObjectName(QString("control%1").arg(i));
  auto* inner = new QVBoxLayout(box);
  auto* group = new QButtonGroup(box);
  for (std::size_t b = 0; b < c.buttons.size(); ++b) {
    auto* button = new QRadioButton(Text(c.buttons[b]), box);
    button->setObjectName(QString("control%1_%2").arg(i).arg(b + 1));
    group->addButton(button, static_cast<int>(b) + 1);
    inner->addWidget(button);
  }
  connect(group, &QButtonGroup::idClicked, this, [this, i](int id) { OnChoice(i, id); });
  layout->addWidget(box, layout->rowCount(), 0, 1, 2);
  m_widgets[i].box = box;
  m_widgets[i].buttons = group;
}

void CFormDialog::OnChoice(std::size_t i, int button) {
  m_form.Choose(i, button);
  Refresh();
}

void CFormDialog::Refresh() {
  for (std::size_t i = 0; i < m_form.size(); ++i) {
    const Widgets& w = m_widgets[i];
    const bool enabled = m_form.Enabled(i);
    for (QWidget* widget : {static_cast<QWidget*>(w.label), static_cast<QWidget*>(w.edit),
                            static_cast<QWidget*>(w.list), static_cast<QWidget*>(w.box)})
      if (widget) widget->setEnabled(enabled);
    if (!w.buttons) continue;
    // Neither button may be marked, so exclusivity is off while the marks are set.
    w.buttons->setExclusive(false);
    for (QAbstractButton* button : w.buttons->buttons()) {
      const int id = w.buttons->id(button);
      button->setChecked(id == m_form.Selection(i));
      button->setEnabled(enabled && m_form.ButtonEnabled(i, id));
    }
    w.buttons->setExclusive(true);
  }
}

void CFormDialog::CollectInto(Form& form) const {
  for (std::size_t i = 0; i < form.size(); ++i) {
    const Widgets& w = m_widgets[i];
    if (w.edit && !w.edit->isReadOnly())
      form.SetText(i, w.edit->text().toLatin1().toStdString());  // one byte a character, as typed
    if (w.list) {
      const auto selected = w.list->selectedItems();
      form.SetSelection(i, selected.isEmpty() ? -1 : w.list->row(selected.first()));
    }
  }
}

void CFormDialog::accept() {
  Form trial = m_form;
  CollectInto(trial);
  if (auto refusal = trial.Refusal(m_fromData)) {  // the data's fields are the program's, not typed
    m_triedOk = true;
    UpdateMarks();
    QMessageBox::warning(this, kAppTitle, QString::fromStdString(refusal->text));
    if (QWidget* field = m_widgets[refusal->control].edit) field->setFocus();
    return;  // the form stays open with what was typed
  }
  m_form = trial;
  QDialog::accept();
}

}  // namespace mirto
