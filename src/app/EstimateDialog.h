#pragma once
// Data > "Estimate...": the statistic, its variable (two for a ratio), up to
// two crossed domain variables and the confidence level, on the design in
// effect. OK appends the block.
#include <QDialog>

#include "survey/Request.h"

class QComboBox;
class QDoubleSpinBox;

namespace mirto {

class SurveyFlow;

class EstimateDialog : public QDialog {
  Q_OBJECT
 public:
  EstimateDialog(SurveyFlow& flow, const QStringList& variables, QWidget* parent = nullptr);
  survey::EstimateRequest Request() const;

 public slots:
  void accept() override;

 private:
  SurveyFlow& m_flow;
  QComboBox *m_statistic, *m_variable, *m_denominator, *m_by, *m_by2;
  QDoubleSpinBox* m_level;
};

}  // namespace mirto
