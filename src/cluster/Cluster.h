#pragma once
// Cluster and two-stage sampling: the work record its six routines share
// (ClusterInput, which the entry loop, ClusterEntry, fills), the result of
// each calculation and the formulas that make one from the other.
// One routine serves both methods; they differ only in the n_i column, the
// within-group variance terms and the small-sample test on n_i.
#include <vector>

#include "framework/Catalogue.h"
#include "framework/Codes.h"
#include "framework/Entry.h"
#include "framework/Record.h"
#include "framework/Routine.h"
#include "journal/CTervoDoc.h"

namespace mirto::cluster {

// One group's figures as entered: N_i, n_i (N_i itself under cluster
// sampling), the value (barY_i, P_i, mu_i or pi_i) and, for the mean's
// interval and deviation, the spread (S_i or sigma_i).
struct Group {
  double N = 0, n = 0, value = 0, spread = 0;
};

// A per-group form and the figures it fills, in its tab order.
struct GroupForm {
  EntryForm<Group> entry;
  Target target;
  Objective objective;
  // n_i is asked for (under two-stage sampling) but for point estimates.
  bool Sampled() const { return objective != Objective::Point; }
  // S_i or sigma_i is asked for: the mean's interval and deviation.
  bool Spread() const { return target == Target::MeanTotal && objective != Objective::Point; }
};

extern const GroupForm kMeanPointForm, kProportionPointForm, kMeanIntervalForm, kProportionIntervalForm, kMeanSdForm,
    kProportionSdForm;

// ---- The work record: what a calculation starts from -------------------------------

struct ClusterInput {
  const GroupForm* form = nullptr;
  Method method = Method::Cluster;
  int groups = 0, sampled = 0;  // M and m as typed
  double N = 0, M = 0, m = 0, z = 0, probability = 0;
  std::vector<Group> rows;  // in entry order: the m selected groups, or all M
  bool TwoStage() const { return method != Method::Cluster; }
  bool Mean() const { return form->target == Target::MeanTotal; }
};

// The entry loop of one command: its copy of the calculator state and its
// per-group arrays (entries 1..G), released when the routine returns.
struct ClusterEntry {
  // `rows` is G: m for point and interval routines, M for theoretical ones.
  ClusterEntry(const CalculatorState& doc, int rows);
  ClusterEntry(const ClusterEntry&) = delete;
  ClusterEntry& operator=(const ClusterEntry&) = delete;

  bool TwoStage() const { return method != Method::Cluster; }

  // Reserves the arrays, then runs the entry loop; false on Cancel or when
  // an array cannot be reserved (nothing appended either way).
  bool Collect(CTervoDoc& doc, const GroupForm& form);
  bool EnterClusters(FormHost& host, const GroupForm& form);
  // The figures entered, for the formulas.
  ClusterInput Input(const GroupForm& form) const;

  const int G;
  int row = 0;  // the group being entered
  const Method method;
  const int groups, sampled;  // M and m as typed
  const double N, M, m, z, probability;
  DoubleArray Ni, ni, value, spread;

 private:
  bool Reserve(CTervoDoc& doc, const GroupForm& form);
};

// ---- Results ------------------------------------------------------------------------

struct ClusterPoint {
  ClusterInput in;
  std::vector<double> w;  // N_i / N
  double estimate, total;
};

struct ClusterInterval {
  ClusterInput in;
  std::vector<double> w;  // N_i / N
  double estimate, total, sd, low, high, totalLow, totalHigh;
  bool warning;
};

struct ClusterSd {
  ClusterInput in;
  double sd, totalSd;
};

// Separator, the four heading lines and the three size lines.
void WriteHeading(CTervoDoc& d, const ClusterInput& in, const char* target, const char* objective);
// The sizes and the groups as entered (with their weights where given), in every cluster record.
Record RecordClusters(const ClusterInput& in, const std::vector<double>* w);

ClusterPoint ComputePoint(const ClusterInput& in);
ClusterInterval ComputeInterval(const ClusterInput& in);
ClusterSd ComputeSd(const ClusterInput& in);

void Write(CTervoDoc& d, const ClusterPoint& r);
void Write(CTervoDoc& d, const ClusterInterval& r);
void Write(CTervoDoc& d, const ClusterSd& r);

Record ToRecord(const ClusterPoint& r);
Record ToRecord(const ClusterInterval& r);
Record ToRecord(const ClusterSd& r);

// Entry loop over `rows` groups, formulas, block: the whole of a cluster routine.
template <auto compute>
int Run(CTervoDoc& doc, int rows, const GroupForm& form) {
  ClusterEntry work(doc, rows);
  if (!work.Collect(doc, form)) return 0;
  return Report(doc, compute(work.Input(form)));
}

// ---- The routines: operations on the document (collect, compute, write) ------------------
// Each serves cluster and two-stage sampling alike.
int ClusterMeanPoint(CTervoDoc& d);
int ClusterProportionPoint(CTervoDoc& d);
int ClusterMeanInterval(CTervoDoc& d);
int ClusterProportionInterval(CTervoDoc& d);
int ClusterMeanSd(CTervoDoc& d);
int ClusterProportionSd(CTervoDoc& d);

// ---- The family ---------------------------------------------------------------------------

// The commands of both methods, at the end of ClusterForms.cpp beside their forms.
extern const CommandTable kTable;

inline constexpr const CommandTable* kFamilyTables[] = {&kTable};
inline constexpr LabelItem kFamilyLabels[] = {
    TargetLabel(32858, "Cluster"),
    TargetLabel(32870, "Two-stage"),
    ObjectiveLabel(32862, "Cluster > Mean/total of variable"),
    ObjectiveLabel(32866, "Cluster > Proportion/number in category"),
    ObjectiveLabel(32872, "Two-stage > Mean/total of variable"),
    ObjectiveLabel(32876, "Two-stage > Proportion/number in category"),
};
// Its section of the help on forms, before its tables' entries.
FormHelpFamily FamilyHelp();
inline constexpr Family kFamily{"cluster", kFamilyTables, kFamilyLabels, &FamilyHelp};

}  // namespace mirto::cluster
