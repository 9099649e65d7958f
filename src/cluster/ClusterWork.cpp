#include "cluster/ClusterWork.h"

namespace mirto {

ClusterWork::ClusterWork(const CTervoDoc& doc, int rows)
    : G(rows),
      method(doc.m_nMethod),
      groups(doc.m_nGroups),
      sampled(doc.m_nSampledGroups),
      N(doc.m_dPopSize),
      M(doc.m_dGroups),
      m(doc.m_dSampledGroups),
      z(doc.m_dZ),
      probability(doc.m_dLevel) {}

bool ClusterWork::Reserve(CTervoDoc& doc, unsigned columns) {
  // Stops at the first failure: the message is shown once.
  for (DoubleArray* column : {&w, &Ni, &value}) {
    if (!(*column = doc.AllocArray(G))) return false;
  }
  if ((columns & kSampled) && !(ni = doc.AllocArray(G))) return false;
  if ((columns & kSpread) && !(spread = doc.AllocArray(G))) return false;
  return true;
}

bool ClusterWork::Collect(CTervoDoc& doc, const FormTemplate& form, unsigned columns) {
  return Reserve(doc, columns) && EnterClusters(doc.Host(), form);
}

bool ClusterWork::EnterClusters(FormHost& host, const FormTemplate& form) {
  return RunEntryLoop(host, form, FormContext{.method = method}, G, [&](const Form& f, long long i) {
    row = static_cast<int>(i);
    FormReader r(f);
    Ni[row] = r.Real();
    if (ni) {
      const double typed = r.Real();  // the disabled field under cluster sampling
      ni[row] = TwoStage() ? typed : Ni[row];
    }
    value[row] = r.Real();
    if (spread) spread[row] = r.Real();
    return true;
  });
}

double ClusterWork::SumOfSizes() const {
  double sum = 0.0;
  for (int i = 1; i <= G; ++i) sum += Ni[i];
  return sum;
}

void ClusterWork::Weigh(double population) {
  for (int i = 1; i <= G; ++i) w[i] = Ni[i] / population;
}

double ClusterWork::Estimate() const {
  double sum = 0.0;
  for (int i = 1; i <= G; ++i) sum += w[i] * value[i];
  return M / m * sum;
}

double ClusterWork::RowVariance(int i) const { return spread ? spread[i] * spread[i] : value[i] * (1.0 - value[i]); }

double ClusterWork::BetweenSquares() const {
  double total = 0.0;
  for (int i = 1; i <= G; ++i) total += Ni[i] * value[i];
  const double B = total / G;
  double C = 0.0;
  for (int i = 1; i <= G; ++i) {
    const double d = Ni[i] * value[i] - B;
    C += d * d;
  }
  return C;
}

double ClusterWork::SampleVariance() const {
  double W = 0.0;  // nothing within groups when whole groups are observed
  if (TwoStage()) {
    for (int i = 1; i <= G; ++i) W += w[i] * w[i] * RowVariance(i) * (Ni[i] - ni[i]) / (Ni[i] * (ni[i] - 1.0));
  }
  return M * (M - m) * BetweenSquares() / (m * (m - 1.0) * N * N) + M / m * W;
}

double ClusterWork::TheoreticalVariance() {
  const double population = SumOfSizes();
  Weigh(population);
  double X = 0.0;
  if (TwoStage()) {
    for (int i = 1; i <= G; ++i) X += w[i] * w[i] * RowVariance(i) * (Ni[i] - ni[i]) / (ni[i] * (Ni[i] - 1.0));
  }
  return M * (M - m) * BetweenSquares() / ((M - 1.0) * m * population * population) + M / m * X;
}

void ClusterWork::Heading(CTervoDoc& doc, const char* target, const char* objective) const {
  doc.AppendSeparator();
  doc.AppendLine("%s", target);
  doc.AppendLine("%s", TwoStage() ? "Method: Two-stage random sampling" : "Method: Cluster random sampling");
  doc.AppendLine("%s", objective);
  doc.AppendLine("Estimator: Two-stage");
  doc.AppendLine("Population size, N= %.0f", N);
  doc.AppendLine("Number of groups, M= %d", groups);
  doc.AppendLine("Number of selected groups, m= %d", sampled);
}

void ClusterWork::PointTable(CTervoDoc& doc, const char* header) const {
  doc.AppendLine("%s", header);
  for (int i = 1; i <= G; ++i) doc.AppendLine("%10d %10.0f %10.4f %10f", i, Ni[i], w[i], value[i]);
}

}  // namespace mirto
