#include "app/SurveyDesignDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/SurveyFlow.h"
#include "app/SurveyWidgets.h"
#include "data/DataFile.h"
#include "survey/Design.h"

namespace mirto {
namespace {

using survey::Lonely;
using survey::ReplicateType;

constexpr Lonely kLonely[] = {Lonely::Fail, Lonely::Remove, Lonely::Certainty, Lonely::Adjust, Lonely::Average};
constexpr ReplicateType kTypes[] = {ReplicateType::JK1, ReplicateType::JKn,       ReplicateType::BRR,
                                    ReplicateType::Fay, ReplicateType::Bootstrap, ReplicateType::SDR};

QString Name(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

SurveyDesignDialog::SurveyDesignDialog(SurveyFlow& flow, const QString& file, QWidget* parent)
    : QDialog(parent),
      m_flow(flow),
      m_file(new QLineEdit(file, this)),
      m_proposal(new QLabel(this)),
      m_weight(NameBox(this, "weight", false)),
      m_strata(NameBox(this, "strata", true)),
      m_psu(NameBox(this, "psu", true)),
      m_fpc(NameBox(this, "fpc", true)),
      m_lonely(new QComboBox(this)),
      m_nest(new QCheckBox("&nest: PSU codes are taken within their stratum", this)),
      m_replicates(new QGroupBox("&Replicate weights instead of strata and PSUs", this)),
      m_prefix(new QLineEdit(this)),
      m_type(new QComboBox(this)),
      m_mse(new QComboBox(this)),
      m_scaleGiven(new QCheckBox("scale:", this)),
      m_rho(NumberBox(this, "rho", 0, 0.99, 4, 0.5)),
      m_scale(NumberBox(this, "scale", 1e-6, 1e6, 6, 1)),
      m_found(new QPlainTextEdit(this)) {
  setWindowTitle("Survey design");
  setObjectName("surveyDesignDialog");
  m_file->setObjectName("file");
  m_lonely->setObjectName("lonely");
  m_nest->setObjectName("nest");
  m_replicates->setObjectName("replicates");
  m_prefix->setObjectName("prefix");
  m_type->setObjectName("type");
  m_mse->setObjectName("mse");
  m_found->setObjectName("found");
  m_found->setReadOnly(true);
  m_found->setMinimumHeight(90);
  for (Lonely l : kLonely) m_lonely->addItem(Name(survey::LonelyName(l)));
  for (ReplicateType t : kTypes) m_type->addItem(Name(survey::TypeName(t)));
  m_mse->addItems({"as the type has it", "on", "off"});
  m_replicates->setCheckable(true);
  m_replicates->setChecked(false);
  m_prefix->setPlaceholderText("PREFIX of the columns PREFIX1 .. PREFIXR");

  auto* form = new QFormLayout;
  AddFileRow(form, "&Data file:", m_file, kDataFilter, false);
  form->addRow(m_proposal);
  m_proposal->setVisible(false);
  form->addRow("&Weight:", m_weight);
  form->addRow("&Strata:", m_strata);
  form->addRow("&PSU:", m_psu);
  form->addRow("&fpc:", m_fpc);
  form->addRow("", m_nest);
  form->addRow("Strata with a single PSU (&lonely):", m_lonely);
  auto* replicate = new QFormLayout(m_replicates);
  replicate->addRow("Columns prefi&x:", m_prefix);
  replicate->addRow("&Type:", m_type);
  replicate->addRow("rh&o (Fay):", m_rho);
  replicate->addRow(m_scaleGiven, m_scale);
  replicate->addRow("&mse:", m_mse);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* check = buttons->addButton("&Check", QDialogButtonBox::ActionRole);
  check->setObjectName("check");
  connect(check, &QPushButton::clicked, this, &SurveyDesignDialog::Check);
  QPushButton* end = buttons->addButton("&End design", QDialogButtonBox::ActionRole);
  end->setObjectName("endDesign");
  end->setEnabled(flow.InEffect() != nullptr);
  connect(end, &QPushButton::clicked, this, [this] {
    if (m_flow.EndDesign()) QDialog::accept();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &SurveyDesignDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_file, &QLineEdit::editingFinished, this, &SurveyDesignDialog::LoadFile);
  connect(m_replicates, &QGroupBox::toggled, this, &SurveyDesignDialog::UpdateState);
  connect(m_type, &QComboBox::currentIndexChanged, this, &SurveyDesignDialog::UpdateState);
  connect(m_scaleGiven, &QCheckBox::toggled, this, &SurveyDesignDialog::UpdateState);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(m_replicates);
  layout->addWidget(new QLabel("What the design finds:", this));
  layout->addWidget(m_found);
  layout->addWidget(buttons);
  if (!file.isEmpty()) LoadFile();
  if (const survey::Design* d = flow.InEffect(); d && FromLocal(flow.DataFile()) == file) Fill(d->request);
  UpdateState();
}

void SurveyDesignDialog::LoadFile() {
  QString problem;
  const QStringList names = VariableNames(File(), &problem);
  for (QComboBox* box : {m_weight, m_strata, m_psu, m_fpc}) FillNames(box, names);
  m_proposal->clear();
  m_proposal->setVisible(false);
  if (!problem.isEmpty()) return m_found->setPlainText(problem);
  std::vector<data::Variable> variables;
  for (const QString& n : names) variables.push_back({n.toStdString(), data::VariableType::Unknown, {}});
  // The usual replicate columns are proposed, never chosen for the user.
  if (const auto found = survey::ProposeReplicates(variables)) {
    m_proposal->setText(QString("Replicate weights %1%2 .. %1%3 found; type %4 proposed")
                            .arg(QString::fromStdString(found->prefix))
                            .arg(1)
                            .arg(found->count)
                            .arg(Name(survey::TypeName(found->type))));
    m_proposal->setVisible(true);
    if (m_prefix->text().isEmpty()) {
      m_prefix->setText(QString::fromStdString(found->prefix));
      m_type->setCurrentIndex(static_cast<int>(found->type));
    }
  }
}

void SurveyDesignDialog::Fill(const survey::DesignRequest& q) {
  m_weight->setCurrentText(QString::fromStdString(q.weight));
  m_strata->setCurrentText(QString::fromStdString(q.strata.value_or("")));
  m_psu->setCurrentText(QString::fromStdString(q.psu.value_or("")));
  m_fpc->setCurrentText(QString::fromStdString(q.fpc.value_or("")));
  m_nest->setChecked(q.nest);
  m_lonely->setCurrentIndex(static_cast<int>(q.lonely));
  m_replicates->setChecked(q.replicates.has_value());
  if (!q.replicates || q.replicates->columns.form != survey::ReplicateColumns::Form::Prefix) return;
  const survey::ReplicateRequest& r = *q.replicates;
  m_prefix->setText(QString::fromStdString(r.columns.prefix));
  m_type->setCurrentIndex(static_cast<int>(r.type));
  if (r.rho) m_rho->setValue(*r.rho);
  m_scaleGiven->setChecked(r.scale.has_value());
  if (r.scale) m_scale->setValue(*r.scale);
  m_mse->setCurrentIndex(!r.mse ? 0 : *r.mse ? 1 : 2);
}

void SurveyDesignDialog::UpdateState() {
  const bool replicates = m_replicates->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{m_psu, m_fpc, m_nest, m_lonely}) w->setEnabled(!replicates);
  m_rho->setEnabled(kTypes[m_type->currentIndex()] == ReplicateType::Fay);
  m_scale->setEnabled(m_scaleGiven->isChecked());
}

std::string SurveyDesignDialog::File() const { return LocalPath(m_file->text()); }

survey::DesignRequest SurveyDesignDialog::Request() const {
  survey::DesignRequest q;
  q.weight = m_weight->currentText().toStdString();
  q.strata = Chosen(m_strata);
  if (!m_replicates->isChecked()) {
    q.psu = Chosen(m_psu);
    q.fpc = Chosen(m_fpc);
    q.nest = m_nest->isChecked();
    q.lonely = kLonely[m_lonely->currentIndex()];
    return q;
  }
  survey::ReplicateRequest& r = q.replicates.emplace();
  r.columns.form = survey::ReplicateColumns::Form::Prefix;
  r.columns.prefix = m_prefix->text().toStdString();
  r.type = kTypes[m_type->currentIndex()];
  if (r.type == ReplicateType::Fay) r.rho = m_rho->value();
  if (m_scaleGiven->isChecked()) r.scale = m_scale->value();
  if (m_mse->currentIndex() > 0) r.mse = m_mse->currentIndex() == 1;
  return q;
}

void SurveyDesignDialog::Check() {
  QStringList lines;
  for (const std::string& line : m_flow.Preview(File(), Request())) lines << QString::fromStdString(line);
  m_found->setPlainText(lines.join('\n'));
}

void SurveyDesignDialog::accept() {
  if (m_flow.UseDesign(File(), Request())) QDialog::accept();
}

}  // namespace mirto
