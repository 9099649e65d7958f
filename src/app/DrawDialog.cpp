#include "app/DrawDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/SurveyFlow.h"
#include "app/SurveyWidgets.h"
#include "select/Generator.h"

namespace mirto {
namespace {

using select::Allocation;
using select::Design;
using select::PpsMethod;

constexpr Design kDesigns[] = {Design::Srs, Design::Systematic, Design::Pps, Design::Cluster, Design::TwoStage};
constexpr PpsMethod kMethods[] = {PpsMethod::None, PpsMethod::WithReplacement, PpsMethod::Systematic,
                                  PpsMethod::Sampford, PpsMethod::Brewer};
// The first two: no strata, and n_h given in a file.
constexpr Allocation kAllocations[] = {Allocation::None, Allocation::None, Allocation::Proportional, Allocation::Neyman,
                                       Allocation::Optimal};
constexpr const char* kAllocationTexts[] = {"none", "n_h given in a file", "proportional", "neyman", "optimal"};

QString Name(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QSpinBox* CountBox(QWidget* parent, const char* name, int low, int value) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setLocale(QLocale::c());
  box->setRange(low, 1'000'000'000);
  box->setValue(value);
  return box;
}

QLineEdit* Edit(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

}  // namespace

DrawDialog::DrawDialog(SurveyFlow& flow, const QString& frame, QWidget* parent)
    : QDialog(parent),
      m_flow(flow),
      m_frame(Edit(this, "frame")),
      m_design(new QComboBox(this)),
      m_method(new QComboBox(this)),
      m_allocation(new QComboBox(this)),
      m_replace(new QCheckBox("with &replacement", this)),
      m_size(NameBox(this, "size", true)),
      m_sort(NameBox(this, "sort", true)),
      m_group(NameBox(this, "group", true)),
      m_stratum(NameBox(this, "stratum", true)),
      m_sd(NameBox(this, "sd", true)),
      m_n(CountBox(this, "n", 0, 10)),
      m_m(CountBox(this, "m", 0, 0)),
      m_min(CountBox(this, "min", 0, 1)),
      m_sizes(Edit(this, "sizes")),
      m_cost(Edit(this, "cost")),
      m_seed(Edit(this, "seed")),
      m_out(Edit(this, "out")),
      m_population(Edit(this, "population")),
      m_pairs(Edit(this, "pairs")) {
  setWindowTitle("Draw sample");
  setObjectName("drawDialog");
  m_design->setObjectName("design");
  m_method->setObjectName("method");
  m_allocation->setObjectName("allocation");
  m_replace->setObjectName("replace");
  for (Design d : kDesigns) m_design->addItem(Name(select::DesignName(d)));
  m_method->addItem("");
  for (std::size_t i = 1; i < std::size(kMethods); ++i) m_method->addItem(Name(select::MethodName(kMethods[i])));
  for (const char* text : kAllocationTexts) m_allocation->addItem(text);
  m_sd->setToolTip("A frame variable, or a file of stratum, S_h");
  m_seed->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,16}"), m_seed));
  auto* newSeed = new QPushButton("Ne&w seed", this);
  newSeed->setObjectName("newSeed");
  connect(newSeed, &QPushButton::clicked, this, &DrawDialog::NewSeed);
  auto* seedRow = new QHBoxLayout;
  seedRow->addWidget(m_seed, 1);
  seedRow->addWidget(newSeed);

  auto* what = new QFormLayout;
  AddFileRow(what, "&Frame:", m_frame, kDataFilter, false);
  what->addRow("&Design:", m_design);
  what->addRow("", m_replace);
  what->addRow("&Size variable:", m_size);
  what->addRow("By size, &method:", m_method);
  what->addRow("S&ort variable (systematic):", m_sort);
  what->addRow("&Group variable:", m_group);
  what->addRow("&n (units, groups, or the total):", m_n);
  what->addRow("m (&units in each group):", m_m);
  auto* strata = new QGroupBox("Strata", this);
  auto* strataForm = new QFormLayout(strata);
  strataForm->addRow("S&tratum variable:", m_stratum);
  strataForm->addRow("&Allocation:", m_allocation);
  AddFileRow(strataForm, "n_h file:", m_sizes, kDataFilter, false);
  strataForm->addRow("Deviations (sd):", m_sd);
  AddFileRow(strataForm, "Costs file:", m_cost, kDataFilter, false);
  strataForm->addRow("Least n_h:", m_min);
  auto* outputs = new QGroupBox("Seed and outputs", this);
  auto* outForm = new QFormLayout(outputs);
  auto* seedLabel = new QLabel("S&eed:", outputs);
  seedLabel->setBuddy(m_seed);
  outForm->addRow(seedLabel, seedRow);
  AddFileRow(outForm, "Sample fi&le:", m_out, kDataFilter, true);
  AddFileRow(outForm, "&Population file:", m_population, kDataFilter, true);
  AddFileRow(outForm, "Pa&irs file:", m_pairs, kDataFilter, true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &DrawDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_frame, &QLineEdit::editingFinished, this, &DrawDialog::LoadFrame);
  for (QComboBox* box : {m_design, m_method, m_allocation})
    connect(box, &QComboBox::currentIndexChanged, this, &DrawDialog::UpdateState);
  connect(m_stratum, &QComboBox::currentTextChanged, this, &DrawDialog::UpdateState);

  auto* columns = new QHBoxLayout;
  columns->addLayout(what);
  auto* right = new QVBoxLayout;
  right->addWidget(strata);
  right->addWidget(outputs);
  columns->addLayout(right);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addWidget(buttons);
  m_frame->setText(frame);
  if (!frame.isEmpty()) LoadFrame();
  NewSeed();
  UpdateState();
}

void DrawDialog::LoadFrame() {
  QString problem;
  const QStringList names = VariableNames(LocalPath(m_frame->text()), &problem);
  for (QComboBox* box : {m_size, m_sort, m_group, m_stratum, m_sd}) FillNames(box, names);
  if (!problem.isEmpty()) QMessageBox::warning(this, windowTitle(), problem);
}

void DrawDialog::NewSeed() { m_seed->setText(QString::number(select::ClockSeed())); }

void DrawDialog::UpdateState() {
  const Design design = kDesigns[m_design->currentIndex()];
  const bool groups = design == Design::Cluster || design == Design::TwoStage;
  m_replace->setEnabled(design == Design::Srs);
  m_method->setEnabled(design == Design::Pps);
  m_size->setEnabled(design == Design::Pps || groups);
  m_sort->setEnabled(design == Design::Systematic ||
                     (design == Design::Pps && kMethods[m_method->currentIndex()] == PpsMethod::Systematic));
  m_group->setEnabled(groups);
  m_m->setEnabled(design == Design::TwoStage);
  m_pairs->setEnabled(design == Design::Pps);
  const int allocation = m_allocation->currentIndex();
  m_sizes->setEnabled(allocation == 1);
  m_sd->setEnabled(allocation >= 3);
  m_cost->setEnabled(allocation == 4);
  m_min->setEnabled(allocation >= 2);
}

select::DrawRequest DrawDialog::Request() {
  if (m_seed->text().isEmpty()) NewSeed();
  select::DrawRequest r;
  r.frame = LocalPath(m_frame->text());
  r.design = kDesigns[m_design->currentIndex()];
  r.n = m_n->value();
  if (m_m->isEnabled()) r.m = m_m->value();
  r.seed = m_seed->text().toULongLong();
  r.replace = m_replace->isEnabled() && m_replace->isChecked();
  if (m_method->isEnabled()) r.method = kMethods[m_method->currentIndex()];
  const std::pair<QComboBox*, std::string*> names[] = {
      {m_size, &r.size}, {m_sort, &r.sort}, {m_group, &r.group}, {m_stratum, &r.stratum}, {m_sd, &r.sd}};
  for (const auto& [box, name] : names) *name = Chosen(box).value_or("");
  r.allocation = kAllocations[m_allocation->currentIndex()];
  if (m_min->isEnabled()) r.minimum = m_min->value();
  const std::pair<QLineEdit*, std::string*> files[] = {
      {m_sizes, &r.sizes}, {m_cost, &r.costFile}, {m_out, &r.out}, {m_population, &r.population}, {m_pairs, &r.pairs}};
  for (const auto& [edit, path] : files)
    if (edit->isEnabled()) *path = LocalPath(edit->text());
  // Given sizes: n is their total, and the statement takes none.
  if (!r.sizes.empty()) r.n = 0;
  return r;
}

void DrawDialog::accept() {
  if (m_flow.Draw(Request())) QDialog::accept();
}

}  // namespace mirto
