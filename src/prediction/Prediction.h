#pragma once
// PredictionWork: what one prediction calculation works with while it runs,
// copied from the calculator state, filled by its entry loop and turned into
// estimates by the formula steps below.
#include "framework/Codes.h"
#include "framework/Form.h"

namespace mirto {

class CTervoDoc;

struct PredictionWork {
  explicit PredictionWork(const CTervoDoc& d);
  virtual ~PredictionWork() = default;

  int k = 0;               // Model E: explanatory variables
  double* barX = nullptr;  // the routine's arrays, entries 1..k (Model E) or 1..n
  double* mu = nullptr;
  double* b = nullptr;
  double z = 0;
  PredictionModel model{};  // A..D; anything else has no formulas
  double* x = nullptr;
  double* y = nullptr;
  double N = 0, n = 0;
  double popSumX = 0, popSumX2 = 0, sigma2 = 0;
  double T = 0;  // predicted total (Model E: the running sum first)
  double barY = 0;
  double hatSdE = 0, V = 0;
  double slope = 0, intercept = 0;
  double sumResid = 0;    // weighted squared residuals
  double Xr = 0, Qr = 0;  // sum of X, and of X squared, outside the sample
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, syOverX = 0;
  double varE = 0;

  // How many elements (n, truncated) and variables (k) the loops ask for.
  long long Elements() const;
  long long Variables() const { return k > 0 ? k : 0; }

  // Entry loops; false when the person cancelled ("Illegal entry" shown).
  bool EnterPairs(FormHost& host);
  bool EnterXValues(FormHost& host);
  bool EnterVariables(FormHost& host);

  // b (and a), then T. False, after "Illegal model.", for a model outside A..D.
  bool Estimate(FormHost& host);
  // hatSdE and V. False when s2 is not defined (a zero X-value under Model B
  // or C): hatSdE is then 0 and no interval exists.
  bool EstimateErrorSd(FormHost& host);
  // VarE from sigma^2 and the X-values. False, after "Illegal model", for a
  // model outside A..D.
  bool TheoreticalErrorVariance(FormHost& host);

 private:
  void CheckX(FormHost& host, double value) const;
  void CloseSums();
  bool ResidualVariance(FormHost& host, double& s2);
  double VarianceFactor() const;
};

}  // namespace mirto
