#include "app/EstimateDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "app/SurveyFlow.h"
#include "app/SurveyWidgets.h"

namespace mirto {
namespace {

using survey::Statistic;
constexpr Statistic kStatistics[] = {Statistic::Mean, Statistic::Total, Statistic::Proportion, Statistic::Ratio};

}  // namespace

EstimateDialog::EstimateDialog(SurveyFlow& flow, const QStringList& variables, QWidget* parent)
    : QDialog(parent),
      m_flow(flow),
      m_statistic(new QComboBox(this)),
      m_variable(NameBox(this, "variable", false)),
      m_denominator(NameBox(this, "denominator", false)),
      m_by(NameBox(this, "by", true)),
      m_by2(NameBox(this, "by2", true)),
      m_level(NumberBox(this, "level", survey::kMinLevel, survey::kMaxLevel, 1, 95)) {
  setWindowTitle("Estimate");
  setObjectName("estimateDialog");
  m_statistic->setObjectName("statistic");
  for (Statistic s : kStatistics) {
    const std::string_view name = survey::StatisticName(s);
    m_statistic->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  }
  for (QComboBox* box : {m_variable, m_denominator, m_by, m_by2}) FillNames(box, variables);
  m_level->setSuffix(" %");
  const auto ratio = [this] {
    m_denominator->setEnabled(kStatistics[m_statistic->currentIndex()] == Statistic::Ratio);
  };
  connect(m_statistic, &QComboBox::currentIndexChanged, this, ratio);
  ratio();

  auto* form = new QFormLayout;
  form->addRow("&Statistic:", m_statistic);
  form->addRow("&Variable (numerator of a ratio):", m_variable);
  form->addRow("&Denominator of a ratio:", m_denominator);
  form->addRow("Domains &by:", m_by);
  form->addRow("crossed &with:", m_by2);
  form->addRow("Confidence &level:", m_level);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &EstimateDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

survey::EstimateRequest EstimateDialog::Request() const {
  survey::EstimateRequest q;
  q.statistic = kStatistics[m_statistic->currentIndex()];
  q.variable = m_variable->currentText().toStdString();
  if (q.statistic == Statistic::Ratio) q.denominator = m_denominator->currentText().toStdString();
  for (const QComboBox* box : {m_by, m_by2})
    if (auto name = Chosen(box)) q.by.push_back(*name);
  q.level = m_level->value();
  return q;
}

void EstimateDialog::accept() {
  if (m_flow.Estimate(Request())) QDialog::accept();
}

}  // namespace mirto
