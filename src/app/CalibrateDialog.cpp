#include "app/CalibrateDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/ChartView.h"
#include "app/SurveyFlow.h"
#include "app/SurveyWidgets.h"
#include "app/TotalsDialog.h"
#include "survey/Calibration.h"
#include "survey/Report.h"

namespace mirto {
namespace {

using survey::CalibrationMethod;
constexpr CalibrationMethod kMethods[] = {CalibrationMethod::PostStrata, CalibrationMethod::Rake,
                                          CalibrationMethod::Linear};
constexpr const char* kMethodTexts[] = {"Post-stratification (crossed cells)", "Raking on margins",
                                        "Linear calibration (GREG)"};

}  // namespace

CalibrateDialog::CalibrateDialog(SurveyFlow& flow, const QStringList& variables, QWidget* parent)
    : QDialog(parent),
      m_flow(flow),
      m_method(new QComboBox(this)),
      m_variables(new QListWidget(this)),
      m_totals(new QLineEdit(this)),
      m_epsilonGiven(new QCheckBox("&epsilon:", this)),
      m_maxitGiven(new QCheckBox("ma&xit:", this)),
      m_bounded(new QCheckBox("&bounds on g:", this)),
      m_epsilon(NumberBox(this, "epsilon", 1e-12, 1e6, 12, 1e-7)),
      m_low(NumberBox(this, "low", -1e6, 1e6, 6, 0.5)),
      m_high(NumberBox(this, "high", -1e6, 1e6, 6, 2)),
      m_maxit(new QSpinBox(this)),
      m_order(new QLabel(this)),
      m_summary(new QLabel(this)),
      m_histogram(new ChartView(this)) {
  setWindowTitle("Calibrate");
  setObjectName("calibrateDialog");
  m_method->setObjectName("method");
  m_variables->setObjectName("variables");
  m_totals->setObjectName("totals");
  m_bounded->setObjectName("bounded");
  m_maxit->setObjectName("maxit");
  m_summary->setObjectName("summary");
  m_summary->setWordWrap(true);
  for (const char* text : kMethodTexts) m_method->addItem(text);
  for (const QString& name : variables) {
    auto* item = new QListWidgetItem(name, m_variables);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  connect(m_variables, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    m_checked.removeAll(item->text());
    if (item->checkState() == Qt::Checked) m_checked << item->text();
    m_order->setText(m_checked.join(", "));
  });
  m_maxit->setRange(1, survey::kMaxIterations);
  m_maxit->setValue(50);

  auto* form = new QFormLayout;
  form->addRow("&Method:", m_method);
  form->addRow("&Variables, in order:", m_variables);
  form->addRow("In the order checked:", m_order);
  AddFileRow(form, "&Totals file:", m_totals, kDataFilter, false);
  auto* typed = new QPushButton("T&ype the totals...", this);
  typed->setObjectName("typeTotals");
  connect(typed, &QPushButton::clicked, this, [this] {
    TotalsDialog totals(this);
    if (totals.exec() == QDialog::Accepted) m_totals->setText(totals.File());
  });
  form->addRow("", typed);
  form->addRow(m_epsilonGiven, m_epsilon);
  form->addRow(m_maxitGiven, m_maxit);
  auto* bounds = new QHBoxLayout;
  bounds->addWidget(m_low);
  bounds->addWidget(m_high);
  form->addRow(m_bounded, bounds);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* run = buttons->addButton("&Calibrate", QDialogButtonBox::AcceptRole);
  run->setObjectName("calibrate");
  run->setDefault(true);
  QPushButton* weights = buttons->addButton("&Write weights...", QDialogButtonBox::ActionRole);
  weights->setObjectName("writeWeights");
  weights->setEnabled(flow.Calibrated() != nullptr);
  connect(weights, &QPushButton::clicked, this, &CalibrateDialog::WriteWeights);
  m_weights = weights;
  connect(run, &QPushButton::clicked, this, &CalibrateDialog::Calibrate);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  for (QCheckBox* box : {m_epsilonGiven, m_maxitGiven, m_bounded})
    connect(box, &QCheckBox::toggled, this, &CalibrateDialog::UpdateState);
  connect(m_method, &QComboBox::currentIndexChanged, this, &CalibrateDialog::UpdateState);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(m_summary);
  layout->addWidget(m_histogram, 1);
  m_histogram->setObjectName("histogram");
  m_histogram->setVisible(false);
  layout->addWidget(buttons);
  UpdateState();
}

void CalibrateDialog::UpdateState() {
  const CalibrationMethod method = kMethods[m_method->currentIndex()];
  const bool rake = method == CalibrationMethod::Rake, linear = method == CalibrationMethod::Linear;
  m_epsilonGiven->setEnabled(rake);
  m_maxitGiven->setEnabled(rake);
  m_epsilon->setEnabled(rake && m_epsilonGiven->isChecked());
  m_maxit->setEnabled(rake && m_maxitGiven->isChecked());
  m_bounded->setEnabled(linear);
  m_low->setEnabled(linear && m_bounded->isChecked());
  m_high->setEnabled(linear && m_bounded->isChecked());
}

survey::CalibrateRequest CalibrateDialog::Request() const {
  survey::CalibrateRequest q;
  q.method = kMethods[m_method->currentIndex()];
  for (const QString& name : m_checked) q.variables.push_back(name.toStdString());
  q.totals = LocalPath(m_totals->text());
  q.epsilonGiven = m_epsilon->isEnabled();
  if (q.epsilonGiven) q.epsilon = m_epsilon->value();
  q.maxitGiven = m_maxit->isEnabled();
  if (q.maxitGiven) q.maxit = m_maxit->value();
  if (m_low->isEnabled()) q.bounds = std::pair(m_low->value(), m_high->value());
  return q;
}

void CalibrateDialog::WriteWeights() {
  const QString path = QFileDialog::getSaveFileName(this, "Write the calibrated weights", QString(), kDataFilter);
  if (!path.isEmpty()) m_flow.WriteWeights(LocalPath(path));
}

bool CalibrateDialog::Calibrate() {
  const bool ok = m_flow.Calibrate(Request());
  m_weights->setEnabled(m_flow.Calibrated() != nullptr);
  if (!ok) return false;
  const survey::Calibration& calibration = *m_flow.Calibrated();
  m_summary->setText(QString::fromStdString(survey::GFactorSummary(calibration)));
  if (const survey::Design* design = m_flow.InEffect())
    m_histogram->SetChart(
        extras::ChartFor(survey::CalibrateCommand(), survey::CalibrationRecord(*design, calibration)));
  m_histogram->setVisible(m_histogram->Chart().has_value());
  return true;
}

}  // namespace mirto
