#pragma once
// Cluster and two-stage sampling: the work record its six routines share. One
// routine serves both methods; they differ only in the n_i column, the
// within-group variance terms and the small-sample test on n_i.
#include "framework/Form.h"
#include "journal/CTervoDoc.h"

namespace mirto {

extern const FormTemplate kClusterMeanPointForm;
extern const FormTemplate kClusterProportionPointForm;
extern const FormTemplate kClusterMeanIntervalForm;
extern const FormTemplate kClusterProportionIntervalForm;
extern const FormTemplate kClusterMeanSdForm;
extern const FormTemplate kClusterProportionSdForm;

// One command's copy of the calculator state and its per-group columns
// (entries 1..G), released when the routine returns.
struct ClusterWork {
  // Columns a form fills besides N_i and its value column (barY_i, P_i, mu_i or pi_i).
  enum Columns : unsigned { kSampled = 1, kSpread = 2 };

  // `rows` is G: m for point and interval routines, M for theoretical ones.
  ClusterWork(const CTervoDoc& doc, int rows);
  virtual ~ClusterWork() = default;
  ClusterWork(const ClusterWork&) = delete;
  ClusterWork& operator=(const ClusterWork&) = delete;

  bool TwoStage() const { return method != Method::Cluster; }

  // Reserves the columns, then runs the entry loop; false on Cancel or when
  // a column cannot be reserved (nothing appended either way).
  bool Collect(CTervoDoc& doc, const FormTemplate& form, unsigned columns);
  bool EnterClusters(FormHost& host, const FormTemplate& form);

  double SumOfSizes() const;
  void Weigh(double population);  // w_i = N_i / population
  double Estimate() const;        // (M / m) * sum of w_i * value_i
  double SampleVariance() const;  // estimated variance of the interval routines
  // Variance of the theoretical routines; weighs the groups by N' = sum of N_i.
  double TheoreticalVariance();

  // Separator, the four heading lines and the three size lines.
  void Heading(CTervoDoc& doc, const char* target, const char* objective) const;
  // The point routines' table (same columns for both targets).
  void PointTable(CTervoDoc& doc, const char* header) const;

  const int G;
  int row = 0;  // the group being entered
  const Method method;
  const int groups, sampled;  // M and m as typed
  const double N, M, m, z, probability;
  DoubleArray w, Ni, ni, value, spread;

 private:
  bool Reserve(CTervoDoc& doc, unsigned columns);
  double RowVariance(int i) const;  // S_i^2 or sigma_i^2; P_i (1 - P_i) or pi_i (1 - pi_i)
  double BetweenSquares() const;    // sum of (N_i value_i - mean of them)^2
};

}  // namespace mirto
