#pragma once
// Data > "Draw sample...": the frame, the design and its variables, n or the
// allocation among strata, the seed (with a button for a new one) and the
// output files. OK draws, writes the files and appends the block.
#include <QDialog>

#include "select/Request.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace mirto {

class SurveyFlow;

class DrawDialog : public QDialog {
  Q_OBJECT
 public:
  DrawDialog(SurveyFlow& flow, const QString& frame, QWidget* parent = nullptr);
  // The request as the dialog holds it; a seed is always given, so that the
  // session's statement draws the same sample again.
  select::DrawRequest Request();
  void NewSeed();

 public slots:
  void accept() override;

 private:
  void LoadFrame();
  void UpdateState();

  SurveyFlow& m_flow;
  QLineEdit* m_frame;
  QComboBox *m_design, *m_method, *m_allocation;
  QCheckBox* m_replace;
  QComboBox *m_size, *m_sort, *m_group, *m_stratum, *m_sd;
  QSpinBox *m_n, *m_m, *m_min;
  QLineEdit *m_sizes, *m_cost, *m_seed, *m_out, *m_population, *m_pairs;
};

}  // namespace mirto
