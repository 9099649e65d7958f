// The prediction dispatcher: from the specifications form to the preliminary
// form of the chosen model and objective, and on to one calculation.
#include "framework/Form.h"
#include "journal/CTervoDoc.h"
#include "prediction/PredictionForms.h"

namespace mirto {
namespace {

using Routine = int (CTervoDoc::*)();
// Reads a confirmed preliminary form into the calculator state (values are
// stored before they are checked) and returns whether they pass the checks.
using Store = bool (*)(CTervoDoc&, const Form&);

bool AcceptSizes(CTervoDoc& d) {
  if (!(d.m_nPopSize > 0 && d.m_nSampleSize <= d.m_nPopSize && d.m_nSampleSize > 0)) return false;
  d.m_dPopSize = d.m_nPopSize;
  d.m_dSampleSize = d.m_nSampleSize;
  return true;
}

void ReadSizes(CTervoDoc& d, FormReader& r) {
  d.m_nPopSize = r.Integer();
  d.m_nSampleSize = r.Integer();
  d.m_dSumX = r.Real();
}

// The sum of squares is asked for Model C only; otherwise its field is greyed
// and the stored sum stays as it was.
void ReadSumOfSquares(CTervoDoc& d, FormReader& r) {
  const double sumX2 = r.Real();
  if (d.m_nModel == kModelC) d.m_dSumX2 = sumX2;
}

bool StorePoint(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  ReadSizes(d, r);
  return AcceptSizes(d);
}

bool StoreInterval(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  ReadSizes(d, r);
  ReadSumOfSquares(d, r);
  r.Level(d.m_dLevel, d.m_dZ);  // the list refuses OK without a level
  return AcceptSizes(d);
}

bool StoreVariance(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  ReadSizes(d, r);
  ReadSumOfSquares(d, r);
  d.m_dDevVar = r.Real();
  return AcceptSizes(d);
}

// A negative k would size the arrays from a count that makes no sense.
bool StoreModelE(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  d.m_nPopSize = r.Integer();
  d.m_dSampleMean = r.Real();
  d.m_nExplanatory = r.Integer();
  if (d.m_nPopSize <= 0 || d.m_nExplanatory < 0) return false;
  d.m_dPopSize = d.m_nPopSize;
  return true;
}

struct PreliminaryStep {
  bool modelE;
  int objective;
  const FormTemplate* form;
  Store store;
  Routine routine;
};

const PreliminaryStep kSteps[] = {
    {false, kPredictPoint, &kPredictionPointForm, StorePoint, &CTervoDoc::PredictPoint},
    {false, kPredictInterval, &kPredictionIntervalForm, StoreInterval, &CTervoDoc::PredictInterval},
    {false, kPredictErrorVariance, &kPredictionVarianceForm, StoreVariance, &CTervoDoc::PredictErrorVariance},
    {true, kPredictPoint, &kPredictionModelEForm, StoreModelE, &CTervoDoc::PredictModelE},
};

const PreliminaryStep* FindStep(int model, int objective) {
  const bool modelE = !(model >= kModelA && model <= kModelD);
  for (const PreliminaryStep& s : kSteps)
    if (s.modelE == modelE && s.objective == objective) return &s;
  return nullptr;
}

}  // namespace

int CTervoDoc::PredictionDispatch() {
  m_nApproach = 2;
  {
    PredictionSpecForm spec(m_nModel, m_nObjective);
    if (!m_host.ShowForm(spec)) return 0;
    m_nModel = spec.Model();
    m_nObjective = spec.Objective();
  }
  const PreliminaryStep* step = FindStep(m_nModel, m_nObjective);
  if (!step) return SelectionNotCoded();
  bool accepted;
  {
    Form form(*step->form, FormContext{.model = m_nModel});
    if (!m_host.ShowForm(form)) return 0;
    accepted = step->store(*this, form);
  }
  if (!accepted) {
    m_host.Message(kIllegalEntry);
    return 0;
  }
  m_nLastResult = (this->*step->routine)();
  return m_nLastResult;
}

}  // namespace mirto
