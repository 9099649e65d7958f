#pragma once
// Data > "Survey design...": the data file, the weight, strata, PSU and fpc
// variables, nest and the single-PSU rule, or replicate weights with their
// type and options. Check shows what the design finds; OK puts it in effect;
// End design returns to design-free estimates.
#include <QDialog>

#include "survey/Request.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace mirto {

class SurveyFlow;

class SurveyDesignDialog : public QDialog {
  Q_OBJECT
 public:
  // Opens on `file` (the survey's, or data mode's), with the design in effect filled in.
  SurveyDesignDialog(SurveyFlow& flow, const QString& file, QWidget* parent = nullptr);

  survey::DesignRequest Request() const;
  std::string File() const;
  // Shows what the design finds (or why it is refused).
  void Check();

 public slots:
  void accept() override;

 private:
  void LoadFile();
  void Fill(const survey::DesignRequest& request);
  void UpdateState();

  SurveyFlow& m_flow;
  QLineEdit* m_file;
  QLabel* m_proposal;
  QComboBox *m_weight, *m_strata, *m_psu, *m_fpc, *m_lonely;
  QCheckBox* m_nest;
  QGroupBox* m_replicates;
  QLineEdit* m_prefix;
  QComboBox *m_type, *m_mse;
  QCheckBox* m_scaleGiven;
  QDoubleSpinBox *m_rho, *m_scale;
  QPlainTextEdit* m_found;
};

}  // namespace mirto
