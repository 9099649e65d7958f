#include "survey/Report.h"

#include <algorithm>
#include <cmath>

#include "data/DataSession.h"
#include "extras/Additional.h"
#include "framework/Catalogue.h"
#include "framework/Format.h"
#include "journal/CTervoDoc.h"
#include "survey/Calibration.h"
#include "survey/Parse.h"
#include "survey/TextTable.h"

namespace mirto::survey {

namespace {

constexpr std::size_t kNamesListed = 10;

const char* TargetLine(Statistic statistic) {
  switch (statistic) {
    case Statistic::Mean: return "Target: Mean of variable";
    case Statistic::Total: return "Target: Total of variable";
    case Statistic::Proportion: return "Target: Proportions in the categories of a variable";
    case Statistic::Ratio: return "Target: Ratio of two totals";
  }
  return "";
}

std::string EstimatorLine(const Design& d, const Calibration* c) {
  if (d.Taylor())
    return c ? "Estimator: Calibrated weights, Taylor linearization of the calibration residuals"
             : "Estimator: Weighted, Taylor linearization";
  const Replicates& r = *d.replicates;
  std::string type(TypeName(r.type));
  if (r.type == ReplicateType::Fay) type += Format(", rho = %g", r.rho);
  if (c) return "Estimator: Calibrated weights, replicate variance (" + type + "), each replicate calibrated";
  return "Estimator: Weighted, replicate variance (" + type + ")";
}

// The names of `items` strata, the first few of them.
std::string StrataNames(const Design& d, const std::vector<std::size_t>& strata) {
  std::string names;
  for (std::size_t i = 0; i < strata.size() && i < kNamesListed; ++i)
    names += (i ? ", " : "") + (d.strata ? d.strataCodes.Name(strata[i]) : std::string("the sample"));
  if (strata.size() > kNamesListed) names += Format(", ... (%zu in all)", strata.size());
  return names;
}

void DesignLines(const Design& d, const Calibration* c, std::vector<std::string>& lines) {
  lines.push_back("Design: " + DesignText(d));
  if (c)
    lines.push_back("Calibration: " + CalibrationText(*c) +
                    Format("; sum of calibrated weights: %f", c->figures.sumAfter));
  if (d.Taylor()) {
    lines.push_back(Format("Strata: %zu; PSUs: %zu%s; units: %lld; sum of weights: %f", d.StratumCount(), d.psus,
                           d.psu ? "" : " (the units)", d.units, Rounded(d.sumWeights)));
    if (d.fpc)
      lines.push_back(std::string("Finite population correction: fpc as ") +
                      (d.fractions ? "sampling fractions" : "numbers of PSUs in the population"));
    if (const std::vector<std::size_t> lonely = d.LonelyStrata(); !lonely.empty())
      lines.push_back("Strata with a single PSU, lonely=" + std::string(LonelyName(d.request.lonely)) + ": " +
                      StrataNames(d, lonely));
    lines.push_back(Format("Degrees of freedom: %g (PSUs less strata)", d.df));
    return;
  }
  const Replicates& r = *d.replicates;
  const bool jkn = r.type == ReplicateType::JKn;
  lines.push_back(Format("Replicates: %zu; scale: %f%s; replicate scales: %s; centred on %s", r.columns.size(), r.scale,
                         r.scaleGiven ? " (given)" : "", jkn ? "(n_h - 1)/n_h of the replicate's stratum" : "1",
                         r.mse ? "the full-sample estimate (mse)" : "the replicates' mean"));
  lines.push_back(Format("Units: %lld; sum of weights: %f", d.units, Rounded(d.sumWeights)));
  lines.push_back(Format("Degrees of freedom: %g (rank of the replicate weights less 1)", d.df));
}

// "the mean of api00 by stype and sex"
std::string Subject(const Estimates& e) {
  const std::vector<std::string>& v = e.variables;
  std::string what;
  switch (e.request.statistic) {
    case Statistic::Mean: what = "the mean of " + v[0]; break;
    case Statistic::Total: what = "the total of " + v[0]; break;
    case Statistic::Proportion: what = "the proportion of each category of " + v[0]; break;
    case Statistic::Ratio: what = "the ratio of the totals of " + v[0] + " and " + v[1]; break;
  }
  const std::size_t first = e.request.statistic == Statistic::Ratio ? 2 : 1;
  for (std::size_t i = first; i < v.size(); ++i) what += (i == first ? " by " : " and ") + v[i];
  return what;
}

std::size_t ByCount(const Estimates& e) { return e.request.by.size(); }
bool IsProportion(const Estimates& e) { return e.request.statistic == Statistic::Proportion; }

// The text columns' headers: the by variables, and the proportion's variable.
std::vector<std::string> TextHeaders(const Estimates& e) {
  std::vector<std::string> headers;
  const std::size_t first = e.variables.size() - ByCount(e);
  for (std::size_t i = first; i < e.variables.size(); ++i) headers.push_back(e.variables[i]);
  if (IsProportion(e)) headers.push_back(e.variables[0]);
  return headers;
}

std::vector<std::string> TextCells(const Estimates& e, const EstimateRow& row) {
  std::vector<std::string> cells = row.domain;
  if (IsProportion(e)) cells.push_back(row.category);
  return cells;
}

std::string Labels(const Estimates& e, const EstimateRow& row) {
  std::string text;
  for (const std::string& cell : TextCells(e, row)) text += (text.empty() ? "" : " / ") + cell;
  return text.empty() ? "the sample" : text;
}

// Why figures of the table print as "-".
void Undefined(const Design& d, const Estimates& e, std::vector<std::string>& lines) {
  std::vector<std::string> why;
  auto any = [&](auto test) { return std::any_of(e.rows.begin(), e.rows.end(), test); };
  if (any([](const EstimateRow& r) { return !std::isfinite(r.estimate); }))
    why.push_back(e.request.statistic == Statistic::Ratio ? "the ratio where the denominator's total is 0"
                                                          : "the estimate where the sum of weights is 0");
  if (any([](const EstimateRow& r) { return std::isfinite(r.estimate) && !std::isfinite(r.se); }))
    why.push_back(d.Taylor() ? "the standard error where no stratum with two PSUs has units (lonely=average)"
                             : "the standard error where no replicate has weight");
  if (any([](const EstimateRow& r) { return std::isfinite(r.se) && !std::isfinite(r.cv); }))
    why.push_back("the CV of an estimate of 0");
  if (any([](const EstimateRow& r) { return std::isfinite(r.se) && !std::isfinite(r.deff); }))
    why.push_back("the deff with fewer than 2 units, a sum of weights not above the units, or no variance");
  if (!why.empty()) {
    std::string text = "Not defined (-): ";
    for (std::size_t i = 0; i < why.size(); ++i) text += (i ? "; " : "") + why[i];
    lines.push_back(text);
  }
  std::string dropped;
  for (const EstimateRow& r : e.rows)
    if (r.droppedReplicates > 0)
      dropped += (dropped.empty() ? "" : ", ") + Labels(e, r) + Format(" %lld", r.droppedReplicates);
  if (!dropped.empty()) lines.push_back("Replicates left out, without weight in the domain: " + dropped);
}

void EstimateLines(const Design& d, const Estimates& e, std::vector<std::string>& lines) {
  const std::string subject = Subject(e);
  lines.push_back(
      Format("Estimates of %s; approx. %g confidence intervals with z = %f", subject.c_str(), e.confidence, e.z));
  if (e.missing > 0) {
    const std::string of =
        e.request.statistic == Statistic::Ratio ? e.variables[0] + " or " + e.variables[1] : e.variables[0];
    lines.push_back(Format("Units without a value of %s: %lld, left out (they contribute 0)", of.c_str(), e.missing));
  }
  if (e.noDomain > 0)
    lines.push_back(Format("Units in no domain (a value of the by variables missing): %lld", e.noDomain));
  std::vector<std::string> headers = TextHeaders(e);
  const std::size_t left = headers.size();
  for (const char* h : {"Units", "Missing", "Estimate", "Std. error", "Low", "High", "CV %", "Deff"})
    headers.emplace_back(h);
  TextTable table(std::move(headers), left);
  for (const EstimateRow& r : e.rows) {
    std::vector<std::string> cells = TextCells(e, r);
    for (std::string cell : {Count(r.units), Count(r.missing), Printed(r.estimate), Printed(r.se), Printed(r.low),
                             Printed(r.high), Printed(r.cv), Printed(r.deff)})
      cells.push_back(std::move(cell));
    table.Add(std::move(cells));
  }
  table.Write(lines, " ");
  Undefined(d, e, lines);
}

void ExtraLines(const Design& d, const Estimates& e, std::vector<std::string>& lines) {
  const std::string mark(extras::kMark);
  lines.emplace_back(extras::kHeading);
  if (std::isfinite(e.t))
    lines.push_back(mark + Format("t-based %g intervals with %g degrees of freedom (t = %f)", e.confidence, d.df, e.t));
  else
    lines.push_back(mark + Format("t-based intervals: not defined (%g degrees of freedom)", d.df));
  std::vector<std::string> headers = TextHeaders(e);
  const std::size_t left = headers.size();
  for (const char* h : {"t low", "t high"}) headers.emplace_back(h);
  if (IsProportion(e)) {
    lines.push_back(mark + "Logit interval with t (R's svyciprop); Wilson and Clopper-Pearson with n_eff = P(1-P)/v");
    for (const char* h : {"n_eff", "Logit low", "Logit high", "Wilson low", "Wilson high", "C-P low", "C-P high"})
      headers.emplace_back(h);
  }
  TextTable table(std::move(headers), left);
  for (const EstimateRow& r : e.rows) {
    std::vector<std::string> cells = TextCells(e, r);
    cells.push_back(Printed(r.tLow));
    cells.push_back(Printed(r.tHigh));
    if (IsProportion(e))
      for (double x : {r.nEff, r.logitLow, r.logitHigh, r.wilsonLow, r.wilsonHigh, r.exactLow, r.exactHigh})
        cells.push_back(Printed(x));
    table.Add(std::move(cells));
  }
  table.Write(lines, mark + " ");
}

std::vector<std::string> TextKeys(const Estimates& e) {
  std::vector<std::string> keys;
  const std::size_t first = e.variables.size() - ByCount(e);
  for (std::size_t i = first; i < e.variables.size(); ++i) keys.push_back("by_" + e.variables[i]);
  if (IsProportion(e)) keys.emplace_back("category");
  return keys;
}

}  // namespace

std::string DesignText(const Design& d) { return DesignText(d.request); }

std::string DesignText(const DesignRequest& vars) {
  auto name = [](const std::string& n) { return QuotedName(n); };
  std::string text = "weight=" + name(vars.weight);
  if (vars.strata) text += " strata=" + name(*vars.strata);
  if (vars.psu) text += " psu=" + name(*vars.psu);
  if (vars.fpc) text += " fpc=" + name(*vars.fpc);
  if (vars.nest) text += " nest";
  if (!vars.replicates)
    return vars.lonely == Lonely::Fail ? text : text + " lonely=" + std::string(LonelyName(vars.lonely));
  const ReplicateRequest& q = *vars.replicates;
  const ReplicateColumns& c = q.columns;
  text += " replicates=";
  if (c.form == ReplicateColumns::Form::Prefix) text += name(c.prefix) + "*";
  if (c.form == ReplicateColumns::Form::Range) text += name(c.first) + "-" + name(c.last);
  for (std::size_t i = 0; c.form == ReplicateColumns::Form::List && i < c.names.size(); ++i)
    text += (i ? "," : "") + name(c.names[i]);
  text += " type=" + std::string(TypeName(q.type));
  if (q.rho) text += Format(" rho=%g", *q.rho);
  if (q.scale) text += " scale=" + data::ShortestText(*q.scale);
  if (q.mse) text += *q.mse ? " mse=on" : " mse=off";
  return text;
}

std::string EstimateText(const EstimateRequest& e) {
  std::string text = std::string(StatisticName(e.statistic)) + " " + QuotedName(e.variable);
  if (e.statistic == Statistic::Ratio) text += "/" + QuotedName(e.denominator);
  for (std::size_t i = 0; i < e.by.size(); ++i) text += (i ? "*" : " by=") + QuotedName(e.by[i]);
  if (e.level != 95) text += " level=" + data::ShortestText(e.level);
  return text;
}

std::vector<std::string> DesignSummary(const Design& d) {
  std::vector<std::string> lines;
  DesignLines(d, nullptr, lines);
  return lines;
}

std::vector<std::string> NoteLines(const Design& d, const Estimates& e) {
  std::string variables = "Data variables: " + DesignText(d) + " y=" + QuotedName(e.variables[0]);
  if (e.request.statistic == Statistic::Ratio) variables += " x=" + QuotedName(e.variables[1]);
  for (std::size_t i = 0; i < e.request.by.size(); ++i)
    variables += (i ? "*" : " by=") + QuotedName(e.variables[e.variables.size() - ByCount(e) + i]);
  return Printable({"Data file: " + d.file, variables,
                    Format("Data units: %lld used, %lld skipped as missing", e.used, e.missing + e.noDomain)});
}

std::string MethodLine(const Design& d) {
  if (!d.Taylor()) return "Method: Survey design (replicate weights)";
  return std::string("Method: Survey design (weights") + (d.strata ? ", strata" : "") + (d.psu ? ", clusters" : "") +
         ")";
}

std::vector<std::string> BlockLines(const Design& d, const Estimates& e, bool extras, const Calibration* c) {
  std::vector<std::string> lines{TargetLine(e.request.statistic), MethodLine(d), "Objective: Confidence intervals",
                                 EstimatorLine(d, c)};
  DesignLines(d, c, lines);
  EstimateLines(d, e, lines);
  if (extras) ExtraLines(d, e, lines);
  return Printable(std::move(lines));
}

Record ToRecord(const Design& d, const Estimates& e, bool extras, const Calibration* calibration) {
  Record r;
  r.Input("confidence", e.confidence).Input("z", e.z).Input("degrees_of_freedom", d.df).Input("units", double(d.units));
  r.Input("sum_of_weights", Rounded(d.sumWeights));
  if (calibration) r.Input("calibrated_sum_of_weights", calibration->figures.sumAfter);
  if (d.Taylor()) {
    r.Input("strata", double(d.StratumCount())).Input("psus", double(d.psus));
    r.Input("single_psu_strata", double(d.LonelyStrata().size()));
  } else {
    const Replicates& rep = *d.replicates;
    r.Input("replicates", double(rep.columns.size())).Input("scale", rep.scale).Input("mse", rep.mse ? 1 : 0);
    if (rep.type == ReplicateType::Fay) r.Input("rho", rep.rho);
  }
  r.Result("used", double(e.used)).Result("missing", double(e.missing)).Result("no_domain", double(e.noDomain));
  const std::vector<std::string> texts = TextKeys(e);
  std::vector<std::string> columns = texts;
  for (const char* c : {"estimate", "se", "low", "high", "cv", "deff", "units", "missing"}) columns.emplace_back(c);
  if (!d.Taylor()) columns.emplace_back("dropped_replicates");
  Table& table = r.AddTable(Section::Results, "estimates", columns, texts.size());
  for (const EstimateRow& row : e.rows) {
    std::vector<double> values{row.estimate, row.se,   row.low,           row.high,
                               row.cv,       row.deff, double(row.units), double(row.missing)};
    if (!d.Taylor()) values.push_back(double(row.droppedReplicates));
    table.AddRow(TextCells(e, row), values);
  }
  if (!extras) return r;
  r.Extra("t_df", d.df).Extra("t_quantile", e.t);
  columns = texts;
  for (const char* c : {"t_low", "t_high"}) columns.emplace_back(c);
  if (IsProportion(e))
    for (const char* c : {"n_eff", "logit_low", "logit_high", "wilson_low", "wilson_high", "clopper_pearson_low",
                          "clopper_pearson_high"})
      columns.emplace_back(c);
  Table& more = r.AddTable(Section::Extras, "estimates", columns, texts.size());
  for (const EstimateRow& row : e.rows) {
    std::vector<double> values{row.tLow, row.tHigh};
    if (IsProportion(e))
      values.insert(values.end(), {row.nEff, row.logitLow, row.logitHigh, row.wilsonLow, row.wilsonHigh, row.exactLow,
                                   row.exactHigh});
    more.AddRow(TextCells(e, row), values);
  }
  return r;
}

void AppendBlock(CTervoDoc& doc, const Command& command, const std::vector<std::string>& note,
                 const std::vector<std::string>& lines, const Record& record) {
  doc.RunRoutine(command, [&](CTervoDoc& d) {
    d.SetNote(note);
    d.AppendSeparator();
    for (const std::string& line : lines) {
      if (line == extras::kHeading) d.AppendNote();
      d.AppendLine("%s", line.c_str());
    }
    d.EndBlock(record);
    return 1;
  });
}

void WriteBlock(CTervoDoc& doc, const Design& design, const Estimates& estimates, const Calibration* calibration) {
  const bool extras = doc.AdditionalFigures();
  AppendBlock(doc, EstimateCommand(), NoteLines(design, estimates), BlockLines(design, estimates, extras, calibration),
              ToRecord(design, estimates, extras, calibration));
}

// ---- The commands -----------------------------------------------------------------------

namespace {

constexpr HelpTopic kEstimateTopic = {
    "Survey estimates",
    "The block of an estimate statement: the data note, the design in effect and a row of estimates per "
    "domain."};

constexpr HelpTopic kCalibrateTopic = {
    "Calibrated weights",
    "The block of a calibrate statement: the method and the margins, each population total beside the "
    "sample's weighted values before and after calibration, the g factors and the iterations."};

// Written by the `estimate` and `calibrate` statements of a script on the design in effect: no menu
// item, no routine.
constexpr Command kCommands[] = {{.key = "estimate",
                                  .id = 32961,
                                  .path = "Data > Estimate",
                                  .method = Method::Simple,
                                  .target = Target::MeanTotal,
                                  .objective = Objective::Interval,
                                  .estimator = Estimator::Special,
                                  .prompt = "Estimates from the survey design in effect",
                                  .help = {.approach = &kEstimateTopic}},
                                 {.key = "calibrate",
                                  .id = 32962,
                                  .path = "Data > Calibrate",
                                  .method = Method::Simple,
                                  .target = Target::MeanTotal,
                                  .objective = Objective::Interval,
                                  .estimator = Estimator::Special,
                                  .prompt = "Weights of the survey design calibrated to population totals",
                                  .help = {.approach = &kCalibrateTopic}}};

}  // namespace

const CommandTable kTable{kCommands};

const Command& EstimateCommand() { return kTable.commands[0]; }
const Command& CalibrateCommand() { return kTable.commands[1]; }

}  // namespace mirto::survey
