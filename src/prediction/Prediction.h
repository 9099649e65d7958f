#pragma once
// The prediction calculations: the work record their entry loops fill, the
// result of each calculation and the formulas that make one from the other.
// A routine runs its entry loop, computes its result, shows the messages the
// formulas leave (a model without formulas, an undefined s2), writes the
// block from the result and hands the result's record to the document
// (Report, framework/Routine.h). Everything here but the writers is free of
// report text.
#include <span>
#include <vector>

#include "framework/Catalogue.h"
#include "framework/Codes.h"
#include "framework/Form.h"
#include "framework/Record.h"

namespace mirto {
class CTervoDoc;
}

namespace mirto::prediction {

// PredictionInput: what one prediction calculation works with while it runs,
// copied from the calculator state, filled by its entry loop and turned into
// estimates by the formula steps below.
struct PredictionInput {
  explicit PredictionInput(const CalculatorState& d);

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

  // b (and a), then T. False for a model outside A..D: nothing is estimated.
  bool Estimate();
  // hatSdE and V. False when s2 is not defined (a zero X-value under Model B
  // or C): hatSdE is then 0 and no interval exists.
  bool EstimateErrorSd();
  // VarE from sigma^2 and the X-values. False for a model outside A..D.
  bool TheoreticalErrorVariance();

 private:
  std::span<const double> Xs() const { return {x + 1, static_cast<std::size_t>(Elements())}; }
  std::span<const double> Ys() const { return {y + 1, static_cast<std::size_t>(Elements())}; }
  void CloseSums();
  bool ResidualVariance(double& s2);
  double VarianceFactor() const;
};

// ---- Results -------------------------------------------------------------------------

struct XY {
  double x, y;
};

struct Variable {
  double b, mu, barX;  // coefficient, population mean, sample mean
};

// Models A to D.
struct PredictionPoint {
  PredictionModel model;
  double N, n, popSumX;
  std::vector<XY> elements;
  double slope, intercept, mean, total;
  bool estimated;  // false: "Illegal model.", nothing estimated
};

struct PredictionInterval {
  PredictionPoint point;
  double popSumX2, z, level;  // the sum of squared X for Model C only
  double hatSdE, meanLow, meanHigh, totalLow, totalHigh;
  bool s2Defined;  // false: "An X-value is zero... S2 not defined.", hatSdE 0, no interval
  bool warning;
};

struct PredictionErrorVariance {
  PredictionModel model;
  double N, n, popSumX, popSumX2, sigma2;
  std::vector<double> x;
  double varE;
  bool modelKnown;  // false: "Illegal model"
};

struct ModelEPoint {
  double N, barY;
  std::vector<Variable> variables;
  double mean, total;
};

PredictionPoint ComputePoint(const PredictionInput& w);
PredictionInterval ComputeInterval(const PredictionInput& w, double level);
PredictionErrorVariance ComputeErrorVariance(const PredictionInput& w);
ModelEPoint ComputeModelE(const PredictionInput& w);

void Write(CTervoDoc& d, const PredictionPoint& r);
void Write(CTervoDoc& d, const PredictionInterval& r);
void Write(CTervoDoc& d, const PredictionErrorVariance& r);
void Write(CTervoDoc& d, const ModelEPoint& r);

Record ToRecord(const PredictionPoint& r);
Record ToRecord(const PredictionInterval& r);
Record ToRecord(const PredictionErrorVariance& r);
Record ToRecord(const ModelEPoint& r);

// ---- The routines: operations on the document ---------------------------------------------
// PredictionDispatch is the command's: the specifications form, then the route's
// preliminary form and one of the four calculations.
int PredictionDispatch(CTervoDoc& d);
int PredictPoint(CTervoDoc& d);
int PredictInterval(CTervoDoc& d);
int PredictErrorVariance(CTervoDoc& d);
int PredictModelE(CTervoDoc& d);

// ---- The family ---------------------------------------------------------------------------

// "Prediction", an item of "Select approach:" itself; scripts type its id.
inline constexpr int kPredictionCommand = 32772;

// The command and its routes, at the end of PredictionDispatch.cpp.
extern const CommandTable kTable;

inline constexpr const CommandTable* kFamilyTables[] = {&kTable};
// Its section of the help on forms, before its tables' entries.
FormHelpFamily FamilyHelp();
inline constexpr Family kFamily{"prediction", kFamilyTables, {}, &FamilyHelp};

}  // namespace mirto::prediction
