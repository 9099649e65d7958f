#include "survey/Statements.h"

#include <unistd.h>

#include <utility>
#include <variant>

#include "journal/CTervoDoc.h"
#include "journal/Excerpt.h"
#include "journal/JournalFile.h"
#include "survey/Estimate.h"
#include "survey/Parse.h"
#include "survey/Report.h"
#include "survey/Totals.h"
#include "survey/WeightsOut.h"

namespace mirto::survey {

void Statements::DataOpened(std::string path, std::string shown) {
  m_path = std::move(path);
  m_shown = std::move(shown);
  m_file.reset();
  m_design.reset();
  m_calibration.reset();
}

void Statements::UseFile(std::unique_ptr<data::DataFile> file, std::string shown) {
  m_path.clear();
  m_shown = std::move(shown);
  m_file = std::move(file);
  m_design.reset();
  m_calibration.reset();
}

std::optional<Statements::Failure> Statements::Run(CTervoDoc& doc, std::string_view verb, std::string_view rest) {
  if (verb == "design") return DesignStatement(rest);
  if (verb == "calibrate") return CalibrateStatement(doc, rest);
  if (verb == "weights") return WeightsStatement(doc, rest);
  return EstimateStatement(doc, rest);
}

std::optional<Statements::Failure> Statements::RunStep(CTervoDoc& doc, std::string_view verb, std::string_view rest) {
  std::optional<Failure> failure;
  const auto run = [&] { failure = Run(doc, verb, rest); };
  if (verb == "estimate") {
    doc.RunUndoable(run);
  } else if (verb == "calibrate" && !rest.empty()) {
    // Steps go back last first, so Undo finds this calibration in effect.
    doc.RunUndoable(run, [this, before = m_calibration, after = m_calibration](bool undone) mutable {
      if (undone)
        after = std::exchange(m_calibration, before);
      else
        m_calibration = after;
    });
  } else {
    run();
    if (!failure) doc.EndSteps();
  }
  return failure;
}

std::optional<Statements::Failure> Statements::DesignStatement(std::string_view rest) {
  if (rest.empty()) {
    m_design.reset();
    m_calibration.reset();
    return std::nullopt;
  }
  auto request = ParseDesign(rest);
  if (auto* error = std::get_if<std::string>(&request)) return Failure{false, "design: " + *error};
  if (!m_file && m_path.empty()) return Failure{false, "design needs a data file: give data PATH first"};
  if (!m_file) {
    std::optional<data::DataProblem> problem;
    m_file = data::OpenDataFile(m_path, problem);
    if (!m_file) {
      const bool unreadable = ::access(m_path.c_str(), R_OK) != 0;
      if (!problem) problem = data::DataProblem{m_shown, 0, {}, "cannot be opened"};
      problem->file = m_shown;
      return Failure{unreadable, problem->Describe()};
    }
  }
  auto design = ReadDesign(*m_file, m_shown, std::get<DesignRequest>(request));
  if (auto* problem = std::get_if<data::DataProblem>(&design)) return Failure{false, problem->Describe()};
  m_design = std::get<Design>(std::move(design));
  m_calibration.reset();
  return std::nullopt;
}

std::optional<Statements::Failure> Statements::EstimateStatement(CTervoDoc& doc, std::string_view rest) {
  auto request = ParseEstimate(rest);
  if (auto* error = std::get_if<std::string>(&request)) return Failure{false, "estimate: " + *error};
  if (!m_design) return Failure{false, "estimate needs a survey design: give design weight=VARIABLE ... first"};
  auto estimates = Estimate(*m_file, *m_design, std::get<EstimateRequest>(request), Calibrated());
  if (auto* problem = std::get_if<data::DataProblem>(&estimates)) return Failure{false, problem->Describe()};
  WriteBlock(doc, *m_design, std::get<Estimates>(estimates), Calibrated());
  return std::nullopt;
}

std::optional<Statements::Failure> Statements::CalibrateStatement(CTervoDoc& doc, std::string_view rest) {
  if (rest.empty()) {
    m_calibration.reset();
    return std::nullopt;
  }
  auto request = ParseCalibrate(rest);
  if (auto* error = std::get_if<std::string>(&request)) return Failure{false, "calibrate: " + *error};
  if (!m_design) return Failure{false, "calibrate needs a survey design: give design weight=VARIABLE ... first"};
  const CalibrateRequest& q = std::get<CalibrateRequest>(request);
  auto totals = ReadTotals(q.totals, PathExcerpt(q.totals));
  if (auto* problem = std::get_if<data::DataProblem>(&totals))
    return Failure{::access(q.totals.c_str(), R_OK) != 0, problem->Describe()};
  auto calibration = Calibrate(*m_file, *m_design, q, std::get<Totals>(totals));
  if (auto* problem = std::get_if<data::DataProblem>(&calibration)) return Failure{false, problem->Describe()};
  WriteCalibrationBlock(doc, *m_design, std::get<Calibration>(calibration));
  m_calibration = std::make_shared<const Calibration>(std::get<Calibration>(std::move(calibration)));
  return std::nullopt;
}

std::optional<Statements::Failure> Statements::WeightsStatement(const CTervoDoc& doc, std::string_view rest) {
  auto request = ParseWeights(rest);
  if (auto* error = std::get_if<std::string>(&request)) return Failure{false, "weights: " + *error};
  if (!m_calibration) return Failure{false, "weights out needs calibrated weights: give calibrate ... first"};
  const std::string& out = std::get<WeightsRequest>(request).out;
  // What the run reads is never written over.
  std::vector<ReservedFile> kept = m_reserved;
  kept.push_back({m_file->Path(), "the data file"});
  kept.push_back({m_calibration->request.totals, "the totals file"});
  kept.push_back({doc.GetPathName(), "the journal", true});
  for (const ReservedFile& file : kept)
    if (!file.path.empty() && SameFile(out, file.path))
      return Failure{false, "weights: out=" + PathExcerpt(out) + " is " + file.what};
  if (auto failure = WriteWeights(*m_file, *m_design, *m_calibration, out))
    return Failure{failure->file, failure->text};
  return std::nullopt;
}

}  // namespace mirto::survey
