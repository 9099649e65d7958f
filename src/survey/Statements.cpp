#include "survey/Statements.h"

#include <unistd.h>

#include <variant>

#include "survey/Estimate.h"
#include "survey/Parse.h"
#include "survey/Report.h"

namespace mirto::survey {

void Statements::DataOpened(std::string path, std::string shown) {
  m_path = std::move(path);
  m_shown = std::move(shown);
  m_file.reset();
  m_design.reset();
}

void Statements::UseFile(std::unique_ptr<data::DataFile> file, std::string shown) {
  m_path.clear();
  m_shown = std::move(shown);
  m_file = std::move(file);
  m_design.reset();
}

std::optional<Statements::Failure> Statements::Run(CTervoDoc& doc, std::string_view verb, std::string_view rest) {
  return verb == "design" ? DesignStatement(rest) : EstimateStatement(doc, rest);
}

std::optional<Statements::Failure> Statements::DesignStatement(std::string_view rest) {
  if (rest.empty()) {
    m_design.reset();
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
  return std::nullopt;
}

std::optional<Statements::Failure> Statements::EstimateStatement(CTervoDoc& doc, std::string_view rest) {
  auto request = ParseEstimate(rest);
  if (auto* error = std::get_if<std::string>(&request)) return Failure{false, "estimate: " + *error};
  if (!m_design) return Failure{false, "estimate needs a survey design: give design weight=VARIABLE ... first"};
  auto estimates = Estimate(*m_file, *m_design, std::get<EstimateRequest>(request));
  if (auto* problem = std::get_if<data::DataProblem>(&estimates)) return Failure{false, problem->Describe()};
  WriteBlock(doc, *m_design, std::get<Estimates>(estimates));
  return std::nullopt;
}

}  // namespace mirto::survey
