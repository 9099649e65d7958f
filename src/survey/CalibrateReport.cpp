// The block of `calibrate`: the method and its margins, a line per total with
// the sample's weighted value before and after calibration, the g factors'
// minimum, quartiles and maximum, the iterations and what is left of the
// differences; every figure in the record.
#include "data/DataSession.h"
#include "framework/Format.h"
#include "survey/Calibration.h"
#include "survey/Report.h"
#include "survey/TextTable.h"

namespace mirto::survey {
namespace {

std::string EstimatorLine(const Calibration& c) {
  switch (c.request.method) {
    case CalibrationMethod::PostStrata: return "Estimator: Post-stratification";
    case CalibrationMethod::Rake: return "Estimator: Raking (iterative proportional fitting)";
    case CalibrationMethod::Linear: break;
  }
  if (!c.Bounded()) return "Estimator: Linear calibration (GREG)";
  return Format("Estimator: Linear calibration (GREG), g factors within %f and %f", c.low, c.high);
}

void IterationLines(const Calibration& c, std::vector<std::string>& lines) {
  const CalibrationFigures& f = c.figures;
  const std::string left = Format("largest remaining difference from the totals: %f", f.largestDifference);
  switch (c.request.method) {
    case CalibrationMethod::Rake:
      lines.push_back(Format("Iterations: %d (of at most %d); largest change of a cell in the last: %f (epsilon: %f); ",
                             f.iterations, c.request.maxit, f.lastChange, f.tolerance) +
                      left);
      return;
    case CalibrationMethod::Linear:
      if (c.Bounded()) {
        lines.push_back(Format("Iterations: %d (Newton steps within the bounds); ", f.iterations) + left);
        if (f.scale != 1)
          lines.push_back(
              Format("Design weights first scaled by %f (the totals are over 20 times the sample's)", f.scale));
        return;
      }
      break;
    case CalibrationMethod::PostStrata: break;
  }
  lines.push_back("Iterations: none (a direct solution); " + left);
}

}  // namespace

std::vector<std::string> CalibrationNote(const Design& d, const Calibration& c) {
  return Printable({"Data file: " + d.file, "Data variables: " + DesignText(d) + " " + CalibrationText(c),
                    Format("Data units: %lld used", c.figures.units)});
}

std::string GFactorSummary(const Calibration& c) {
  const CalibrationFigures& f = c.figures;
  return Format("g factors (calibrated over design weight): minimum %f; quartiles %f, %f, %f; maximum %f", f.gMin,
                f.gQ1, f.gMedian, f.gQ3, f.gMax);
}

std::vector<std::string> CalibrationLines(const Design& d, const Calibration& c) {
  const CalibrationFigures& f = c.figures;
  std::vector<std::string> lines{"Target: Calibrated weights", MethodLine(d),
                                 "Objective: Weights that reproduce population totals", EstimatorLine(c)};
  lines.push_back("Design: " + DesignText(d));
  lines.push_back("Calibration: " + CalibrationText(c));
  lines.push_back(
      Format("Units: %lld; sum of weights: %f before calibration, %f after", f.units, f.sumBefore, f.sumAfter));
  if (c.replicates > 0) lines.push_back(Format("Replicate weights: %zu, each calibrated the same way", c.replicates));
  lines.push_back("Totals of " + c.totalsFile + " and the sample's weighted values before and after calibration");
  TextTable table({"Variable", "Category", "Total", "Before", "After"}, 2);
  for (const TotalFigure& t : f.totals)
    table.Add({t.variable, t.category, Printed(t.total), Printed(t.before), Printed(t.after)});
  table.Write(lines, " ");
  lines.push_back(GFactorSummary(c));
  IterationLines(c, lines);
  if (!f.unconverged.empty()) {
    std::string names;
    for (std::size_t i = 0; i < f.unconverged.size() && i < 10; ++i)
      names += (i ? ", " : "") + d.replicates->names[f.unconverged[i] - 1];
    if (f.unconverged.size() > 10) names += ", ...";
    lines.push_back(Format("Replicates that the bounds kept from their totals: %zu (", f.unconverged.size()) + names +
                    "); each keeps its last iteration, as R survey does");
  }
  if (f.negative > 0)
    lines.push_back(
        Format("Warning: %lld calibrated weights are negative (linear calibration allows them)", f.negative));
  return Printable(std::move(lines));
}

Record CalibrationRecord(const Design&, const Calibration& c) {
  const CalibrationFigures& f = c.figures;
  Record r;
  r.Input("units", double(f.units)).Input("sum_of_weights", f.sumBefore);
  if (c.replicates > 0) r.Input("replicates", double(c.replicates));
  if (c.request.method == CalibrationMethod::Rake)
    r.Input("epsilon", c.request.epsilon).Input("maxit", c.request.maxit).Input("tolerance", f.tolerance);
  if (c.Bounded()) r.Input("bounds_low", c.low).Input("bounds_high", c.high);
  r.Result("calibrated_sum_of_weights", f.sumAfter);
  Table& table = r.AddTable(Section::Results, "totals", {"variable", "category", "total", "before", "after"}, 2);
  for (const TotalFigure& t : f.totals)
    table.AddRow(std::vector<std::string>{t.variable, t.category}, std::vector<double>{t.total, t.before, t.after});
  r.Result("g_min", f.gMin).Result("g_q1", f.gQ1).Result("g_median", f.gMedian).Result("g_q3", f.gQ3);
  r.Result("g_max", f.gMax).Result("negative_weights", double(f.negative));
  r.Result("iterations", f.iterations).Result("largest_difference", f.largestDifference);
  Table& histogram = r.AddTable(Section::Results, "g_histogram", {"low", "high", "units"});
  const double width = f.gCounts.empty() ? 0 : (f.gMax - f.gMin) / static_cast<double>(f.gCounts.size());
  for (std::size_t k = 0; k < f.gCounts.size(); ++k)
    histogram.AddRow({f.gMin + width * static_cast<double>(k),
                      k + 1 == f.gCounts.size() ? f.gMax : f.gMin + width * static_cast<double>(k + 1),
                      static_cast<double>(f.gCounts[k])});
  if (c.request.method == CalibrationMethod::Rake) r.Result("last_change", f.lastChange);
  if (c.Bounded()) r.Result("weight_scale", f.scale);
  if (c.Bounded() && c.replicates > 0) r.Result("unconverged_replicates", double(f.unconverged.size()));
  return r;
}

void WriteCalibrationBlock(CTervoDoc& doc, const Design& design, const Calibration& calibration) {
  AppendBlock(doc, CalibrateCommand(), CalibrationNote(design, calibration), CalibrationLines(design, calibration),
              CalibrationRecord(design, calibration));
}

}  // namespace mirto::survey
