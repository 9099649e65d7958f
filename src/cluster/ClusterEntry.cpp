// The entry loop, and the lines and record every cluster block shares.
#include "cluster/Cluster.h"

namespace mirto::cluster {

ClusterEntry::ClusterEntry(const CalculatorState& doc, int rows)
    : G(rows),
      method(doc.m_nMethod),
      groups(doc.m_nGroups),
      sampled(doc.m_nSampledGroups),
      N(doc.m_dPopSize),
      M(doc.m_dGroups),
      m(doc.m_dSampledGroups),
      z(doc.m_dZ),
      probability(doc.m_dLevel) {}

bool ClusterEntry::Reserve(CTervoDoc& doc, const GroupForm& form) {
  // Stops at the first failure: the message is shown once.
  for (DoubleArray* column : {&Ni, &value}) {
    if (!(*column = doc.AllocArray(G))) return false;
  }
  if (form.Sampled() && !(ni = doc.AllocArray(G))) return false;
  if (form.Spread() && !(spread = doc.AllocArray(G))) return false;
  return true;
}

bool ClusterEntry::Collect(CTervoDoc& doc, const GroupForm& form) {
  return Reserve(doc, form) && EnterClusters(doc.Host(), form);
}

bool ClusterEntry::EnterClusters(FormHost& host, const GroupForm& form) {
  return RunEntryLoop(host, form.entry.tmpl, FormContext{.method = method}, G, [&](const Form& f, long long i) {
    row = static_cast<int>(i);
    Group entry;
    ReadItems<Group>(f, entry, form.entry.items);  // a disabled n_i stores nothing
    Ni[row] = entry.N;
    if (ni) ni[row] = TwoStage() ? entry.n : entry.N;
    value[row] = entry.value;
    if (spread) spread[row] = entry.spread;
    return true;
  });
}

ClusterInput ClusterEntry::Input(const GroupForm& form) const {
  ClusterInput in{&form, method, groups, sampled, N, M, m, z, probability, {}};
  in.rows.resize(static_cast<std::size_t>(G > 0 ? G : 0));
  for (std::size_t i = 0; i < in.rows.size(); ++i) {
    Group& g = in.rows[i];
    g.N = Ni[i + 1];
    g.n = ni ? ni[i + 1] : g.N;
    g.value = value[i + 1];
    if (spread) g.spread = spread[i + 1];
  }
  return in;
}

void WriteHeading(CTervoDoc& d, const ClusterInput& in, const char* target, const char* objective) {
  d.AppendSeparator();
  d.AppendLine("%s", target);
  d.AppendLine("%s", in.TwoStage() ? "Method: Two-stage random sampling" : "Method: Cluster random sampling");
  d.AppendLine("%s", objective);
  d.AppendLine("Estimator: Two-stage");
  d.AppendLine("Population size, N= %.0f", in.N);
  d.AppendLine("Number of groups, M= %d", in.groups);
  d.AppendLine("Number of selected groups, m= %d", in.sampled);
}

Record RecordClusters(const ClusterInput& in, const std::vector<double>* w) {
  Record rec;
  rec.Input("population_size", in.N).Input("groups", in.groups).Input("selected_groups", in.sampled);
  // n_i is a figure of its own only under two-stage sampling.
  const bool sampled = in.form->Sampled() && in.TwoStage(), mean = in.Mean(), spread = in.form->Spread();
  const bool guessed = in.form->objective == Objective::ThStdDev;
  std::vector<std::string_view> columns{"N_i"};
  if (sampled) columns.push_back("n_i");
  columns.push_back(guessed ? (mean ? "mu_i" : "pi_i") : (mean ? "barY_i" : "P_i"));
  if (spread) columns.push_back(guessed ? "sigma_i" : "S_i");
  Table& entered = rec.AddTable(Section::Inputs, "clusters", columns);
  std::vector<double> values;
  for (const Group& g : in.rows) {
    values = {g.N};
    if (sampled) values.push_back(g.n);
    values.push_back(g.value);
    if (spread) values.push_back(g.spread);
    entered.AddRow(values);
  }
  if (w) {
    Table& weights = rec.AddTable(Section::Results, "clusters", {"w_i"});
    for (double wi : *w) weights.AddRow({wi});
  }
  return rec;
}

}  // namespace mirto::cluster
