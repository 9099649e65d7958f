#include "select/Report.h"

#include "framework/Catalogue.h"
#include "framework/Format.h"
#include "framework/Routine.h"
#include "journal/CTervoDoc.h"
#include "journal/Excerpt.h"

namespace mirto::select {

namespace {

bool Sized(const DrawRequest& q) { return !q.size.empty(); }

const char* MethodLine(const DrawRequest& q) {
  if (q.Stratified()) return "Method: Stratified random sampling";
  switch (q.design) {
    case Design::Srs:
      return q.replace ? "Method: Simple random sampling, with replacement" : "Method: Simple random sampling";
    case Design::Systematic: return "Method: Systematic sampling";
    case Design::Pps:
      return q.WithReplacement() ? "Method: Unequal probabilities, with replacement"
                                 : "Method: Unequal probabilities, without replacement";
    case Design::Cluster: return "Method: Cluster random sampling";
    case Design::TwoStage: return "Method: Two-stage random sampling";
  }
  return "";
}

const char* EstimatorLine(const DrawRequest& q) {
  if (q.Stratified()) return "Estimator: Stratified";
  if (q.Groups()) return "Estimator: Two-stage";
  if (q.WithReplacement()) return "Estimator: HHE";
  return q.design == Design::Pps ? "Estimator: HTE" : "Estimator: Simple";
}

std::string BySize(PpsMethod m) {
  switch (m) {
    case PpsMethod::WithReplacement: return "with replacement, probability proportional to size";
    case PpsMethod::Systematic: return "systematic, probability proportional to size";
    case PpsMethod::Sampford: return "Sampford's method, probability proportional to size";
    case PpsMethod::Brewer: return "Brewer's method, probability proportional to size";
    case PpsMethod::None: break;
  }
  return "";
}

std::string Selection(const DrawResult& r) {
  const DrawRequest& q = r.request;
  const std::string each = q.Stratified() ? " in each stratum" : "";
  switch (q.design) {
    case Design::Srs:
      return "Selection: simple random" + each +
             (q.replace ? ", with replacement" : ", without replacement, in one pass");
    case Design::Systematic: return "Selection: systematic" + each + ", random start, interval N/n";
    case Design::Pps: return "Selection: " + BySize(q.method) + each;
    case Design::Cluster:
    case Design::TwoStage: break;
  }
  std::string s = "Selection of groups" + each + ": " + (Sized(q) ? BySize(q.method) : "simple random");
  return q.design == Design::TwoStage ? s + "; then units, simple random in each group" : s;
}

const char* Allocated(Allocation a) {
  switch (a) {
    case Allocation::Proportional: return "proportional to N_i";
    case Allocation::Neyman: return "Neyman, proportional to N_i sigma_i";
    case Allocation::Optimal: return "optimal, proportional to N_i sigma_i / sqrt(c_i)";
    case Allocation::None: break;
  }
  return "";
}

long long Total(const DrawResult& r) {
  long long n = 0;
  for (const StratumResult& s : r.strata) n += s.n;
  return n;
}

void WriteStrata(CTervoDoc& d, const DrawResult& r) {
  const DrawRequest& q = r.request;
  const bool sd = q.allocation == Allocation::Neyman || q.allocation == Allocation::Optimal;
  const bool cost = q.allocation == Allocation::Optimal, certain = Sized(q) && !q.WithReplacement();
  d.AppendLine(" Group no.        N_i        n_i%s%s%s%s  Stratum", q.Groups() ? "    Units_i" : "",
               sd ? "    sigma_i" : "", cost ? "        c_i" : "", certain ? "  Certain_i" : "");
  for (std::size_t h = 0; h < r.strata.size(); ++h) {
    const StratumResult& s = r.strata[h];
    std::string line = Format("%10zu %10lld %10lld", h + 1, s.N, s.n);
    if (q.Groups()) line += Format(" %10lld", s.units);
    if (sd) line += Format(" %10f", s.sd);
    if (cost) line += Format(" %10f", s.cost);
    if (certain) line += Format(" %10lld", s.certainty);
    d.AppendLine("%s  %s", line.c_str(), s.name.c_str());
  }
}

void WriteCertain(CTervoDoc& d, const DrawResult& r) {
  d.AppendLine("Certainty units (pi = 1): %zu", r.certain.size());
  if (r.certain.empty()) return;
  const bool strata = r.request.Stratified();
  d.AppendLine("       Row       Size%s", strata ? "  Group no." : "");
  for (const CertainUnit& c : r.certain) {
    if (strata)
      d.AppendLine("%10lld %10f %10zu", c.row, c.size, c.stratum + 1);
    else
      d.AppendLine("%10lld %10f", c.row, c.size);
  }
}

void WriteFiles(CTervoDoc& d, const DrawResult& r) {
  const DrawRequest& q = r.request;
  d.AppendLine("Units in the sample file: %lld", r.rows);
  d.AppendLine("Sample file: %s", PathExcerpt(q.out).c_str());
  if (!q.population.empty()) d.AppendLine("Population file: %s", PathExcerpt(q.population).c_str());
  if (!q.pairs.empty())
    d.AppendLine("Pairs file: %s, %lld pairs, %s", PathExcerpt(q.pairs).c_str(), r.pairs,
                 q.method == PpsMethod::Brewer
                     ? "Brewer's approximation p_ij = pi_i pi_j (c_i + c_j)/2, c_i = (n-1)/(n-pi_i)"
                     : "exact joint probabilities");
  for (const auto& [from, to] : r.renamed) d.AppendLine("Frame column %s is written as %s", from.c_str(), to.c_str());
}

}  // namespace

void Write(CTervoDoc& d, const DrawResult& r) {
  const DrawRequest& q = r.request;
  d.AppendSeparator();
  d.AppendLine(q.Groups() ? "Target: Sample of groups from a frame" : "Target: Sample of units from a frame");
  d.AppendLine("%s", MethodLine(q));
  d.AppendLine("Objective: Sample selection");
  d.AppendLine("%s", EstimatorLine(q));
  d.AppendLine("Frame: %s", r.frame.c_str());
  d.AppendLine("Frame units, N= %lld", r.N);
  if (q.Groups()) d.AppendLine("Groups in the frame, M= %lld", r.groups);
  d.AppendLine("%s", Selection(r).c_str());
  if (std::isfinite(r.interval)) d.AppendLine("Interval, N/n= %f", r.interval);
  for (const auto& [label, name] : {std::pair("Stratum variable", &q.stratum), std::pair("Group variable", &q.group),
                                    std::pair("Size variable", &q.size), std::pair("Sort variable", &q.sort)})
    if (!name->empty()) d.AppendLine("%s: %s", label, name->c_str());
  d.AppendLine(r.clockSeed ? "Seed: %llu (from the clock)" : "Seed: %llu", static_cast<unsigned long long>(r.seed));
  d.AppendLine(q.Groups() ? "Groups drawn, n= %lld" : "Sample size, n= %lld", Total(r));
  if (q.design == Design::TwoStage) d.AppendLine("Units drawn in each group, m= %lld", q.m);
  if (q.allocation != Allocation::None)
    d.AppendLine("Allocation: %s, at least %lld in each stratum", Allocated(q.allocation), q.minimum);
  if (q.Stratified()) WriteStrata(d, r);
  if (r.sdMissing) d.AppendLine("Units without a value of %s, left out of sigma_i: %lld", q.sd.c_str(), r.sdMissing);
  if (Sized(q) && !q.WithReplacement()) WriteCertain(d, r);
  d.AppendLine(q.WithReplacement() ? "Sum of n*q over the frame's %s: %f" : "Sum of pi over the frame's %s: %f",
               q.Groups() ? "groups" : "units", r.piSum);
  WriteFiles(d, r);
  if (r.zeroPairs)
    d.AppendLine(
        "Warning: some pairs of frame units are never drawn together (p_ij = 0): no unbiased variance "
        "estimator exists.");
}

Record ToRecord(const DrawResult& r) {
  const DrawRequest& q = r.request;
  Record rec;
  rec.Input("sample_size", static_cast<double>(Total(r))).Input("seed", static_cast<double>(r.seed));
  if (q.allocation != Allocation::None) rec.Input("minimum_size", static_cast<double>(q.minimum));
  if (q.design == Design::TwoStage) rec.Input("second_stage_size", static_cast<double>(q.m));
  rec.Result("population_size", static_cast<double>(r.N));
  if (q.Groups()) rec.Result("groups", static_cast<double>(r.groups));
  if (std::isfinite(r.interval)) rec.Result("interval", r.interval);
  if (q.Stratified()) {
    Table& t = rec.AddTable(Section::Results, "strata", {"N_i", "n_i", "units_i", "sigma_i", "c_i", "certain_i"});
    for (const StratumResult& s : r.strata)
      t.AddRow({static_cast<double>(s.N), static_cast<double>(s.n), static_cast<double>(s.units), s.sd, s.cost,
                static_cast<double>(s.certainty)});
  }
  if (Sized(q) && !q.WithReplacement()) {
    rec.Result("certainty_units", static_cast<double>(r.certain.size()));
    Table& t = rec.AddTable(Section::Results, "certainty", {"row", "size", "stratum"});
    for (const CertainUnit& c : r.certain)
      t.AddRow({static_cast<double>(c.row), c.size, static_cast<double>(c.stratum + 1)});
  }
  if (r.sdMissing) rec.Result("sd_missing", static_cast<double>(r.sdMissing));
  rec.Result("pi_sum", r.piSum).Result("sample_rows", static_cast<double>(r.rows));
  if (!q.pairs.empty()) rec.Result("pairs", static_cast<double>(r.pairs));
  if (q.design == Design::Pps && q.method == PpsMethod::Systematic) rec.Result("zero_pairs", r.zeroPairs ? 1 : 0);
  return rec;
}

void AppendDrawBlock(CTervoDoc& doc, const DrawResult& r) {
  doc.RunRoutine(kTable.commands[0], [&](CTervoDoc& d) { return Report(d, r); });
}

// ---- The command ------------------------------------------------------------------------

namespace {

constexpr HelpTopic kDrawTopic = {
    "Sample selection",
    "The block of a draw statement: the frame, the design and its figures, and the files the sample was written "
    "to."};

// Written by the `draw` statement of a script: no menu item, no routine.
constexpr Command kCommands[] = {{.key = "draw",
                                  .id = 32960,
                                  .path = "Sample selection",
                                  .method = Method::Simple,
                                  .target = Target::MeanTotal,
                                  .objective = Objective::Point,
                                  .estimator = Estimator::Simple,
                                  .prompt = "Draw a sample from a frame",
                                  .help = {.approach = &kDrawTopic}}};

}  // namespace

const CommandTable kTable{kCommands};

}  // namespace mirto::select
