#pragma once
// Data > "Calibrate...": the method, the variables (crossed post-strata,
// raking margins or linear terms, in the order checked), the totals file and
// the method's options. Calibrate appends the block and shows the g factors
// (their summary and histogram); the dialog stays for another try until
// Close. Write weights writes the calibrated weights to a data file.
#include <QDialog>
#include <QStringList>

#include "survey/Request.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace mirto {

class ChartView;
class SurveyFlow;

class CalibrateDialog : public QDialog {
  Q_OBJECT
 public:
  CalibrateDialog(SurveyFlow& flow, const QStringList& variables, QWidget* parent = nullptr);
  survey::CalibrateRequest Request() const;
  QListWidget* Variables() const { return m_variables; }
  // Runs the calibration; true when it appended its block.
  bool Calibrate();
  // Asks for a file and writes the calibrated weights beside the data's columns.
  void WriteWeights();

 private:
  void UpdateState();

  SurveyFlow& m_flow;
  QComboBox* m_method;
  QListWidget* m_variables;
  QStringList m_checked;  // in the order they were checked
  QLineEdit* m_totals;
  QCheckBox *m_epsilonGiven, *m_maxitGiven, *m_bounded;
  QDoubleSpinBox *m_epsilon, *m_low, *m_high;
  QSpinBox* m_maxit;
  QLabel* m_order;  // the variables as the statement lists them
  QLabel* m_summary;
  ChartView* m_histogram;  // of g, once calibrated
  QWidget* m_weights;
};

}  // namespace mirto
