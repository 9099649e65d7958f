#include "app/SurveyFlow.h"

#include <QMessageBox>
#include <new>
#include <optional>

#include "app/AppSettings.h"
#include "app/WaitCursor.h"
#include "batch/Session.h"
#include "framework/Form.h"
#include "journal/CTervoDoc.h"
#include "journal/Excerpt.h"
#include "select/Parse.h"
#include "survey/Calibration.h"
#include "survey/Parse.h"
#include "survey/Report.h"

namespace mirto {
namespace {

// "design weight=w" into its verb and the rest, as a script line splits.
std::pair<std::string_view, std::string_view> Split(std::string_view statement) {
  const std::size_t blank = statement.find(' ');
  if (blank == std::string_view::npos) return {statement, {}};
  return {statement.substr(0, blank), statement.substr(blank + 1)};
}

// Runs each statement with `run` under the wait cursor; the first refusal, if any.
template <typename Run>
std::optional<std::string> RunEach(const std::vector<std::string>& statements, Run run) {
  WaitCursor wait;
  try {
    for (const std::string& s : statements) {
      const auto [verb, rest] = Split(s);
      if (auto failure = run(verb, rest)) return failure;
    }
  } catch (const std::bad_alloc&) {
    return std::string(kNoMemory);  // as a script's run ends
  }
  return std::nullopt;
}

}  // namespace

void SurveyFlow::DataOpened(const std::string& path) {
  m_survey.DataOpened(path, PathExcerpt(path));
  m_file = path;
  m_doc.EndSteps();  // no calibration of this file to go back to
  emit designChanged();
}

bool SurveyFlow::Survey(const char* menu, std::vector<std::string> statements, survey::Statements& on) {
  const std::size_t before = m_doc.GetJournal().size();
  const auto failure =
      RunEach(statements, [&](std::string_view verb, std::string_view rest) -> std::optional<std::string> {
        if (verb == "data") return std::nullopt;  // `on` holds the file already
        auto refused = on.RunStep(m_doc, verb, rest);
        return refused ? std::optional(refused->text) : std::nullopt;
      });
  if (failure) {
    Fail(*failure);
    return false;
  }
  // Whatever appends here is a step of its own.
  const bool appended = m_doc.GetJournal().size() > before;
  m_session.RanStatements(menu, statements, appended, appended ? m_doc.UndoStep() : 0);
  return true;
}

bool SurveyFlow::UseDesign(const std::string& file, const survey::DesignRequest& request) {
  const std::string design = "design " + survey::DesignText(request);
  if (file == m_file && Survey("Data > Survey design...", {design}, m_survey)) {
    emit designChanged();
    return true;
  }
  if (file == m_file) return false;
  // Another file: read on its own first, so that a refusal leaves the design in effect.
  survey::Statements trial;
  trial.DataOpened(file, PathExcerpt(file));
  if (!Survey("Data > Survey design...", {"data " + file, design}, trial)) return false;
  m_survey = std::move(trial);
  m_file = file;
  emit dataReplaced();
  emit designChanged();
  return true;
}

bool SurveyFlow::EndDesign() {
  if (!InEffect()) return true;
  const bool ok = Survey("Data > Survey design... (none)", {"design"}, m_survey);
  emit designChanged();
  return ok;
}

bool SurveyFlow::Estimate(const survey::EstimateRequest& request) {
  return Survey("Data > Estimate...", {"estimate " + survey::EstimateText(request)}, m_survey);
}

bool SurveyFlow::Calibrate(const survey::CalibrateRequest& request) {
  const bool ok = Survey("Data > Calibrate...", {"calibrate " + survey::CalibrationText(request)}, m_survey);
  emit designChanged();
  return ok;
}

bool SurveyFlow::WriteWeights(const std::string& path) {
  return Survey("Data > Calibrate... > Write weights", {"weights out=" + survey::QuotedPath(path)}, m_survey);
}

bool SurveyFlow::Draw(const select::DrawRequest& request) {
  if (auto bad = select::CheckRequest(request)) {
    Fail("draw: " + *bad);
    return false;
  }
  const std::optional<std::string> text = select::DrawText(request);
  if (!text) {
    Fail("A name or path of this draw holds a quote or a line end, which a session script cannot write");
    return false;
  }
  std::vector<std::string> statements;
  if (request.frame != m_frame) statements.push_back("frame " + request.frame);
  statements.push_back("draw " + *text);
  const std::size_t before = m_doc.GetJournal().size();
  const auto failure =
      RunEach(statements, [&](std::string_view verb, std::string_view rest) -> std::optional<std::string> {
        auto refused = m_draws.Run(m_doc, verb, rest);
        return refused ? std::optional(refused->message) : std::nullopt;
      });
  if (failure) {
    Fail(*failure);
    return false;
  }
  m_frame = request.frame;
  m_session.RanStatements("Data > Draw sample...", statements, m_doc.GetJournal().size() > before);
  return true;
}

std::vector<std::string> SurveyFlow::Preview(const std::string& file, const survey::DesignRequest& request) const {
  survey::Statements trial;
  trial.DataOpened(file, PathExcerpt(file));
  const auto failure = RunEach({"design " + survey::DesignText(request)},
                               [&](std::string_view verb, std::string_view rest) -> std::optional<std::string> {
                                 auto refused = trial.Run(m_doc, verb, rest);
                                 return refused ? std::optional(refused->text) : std::nullopt;
                               });
  if (failure) return {*failure};
  return survey::DesignSummary(*trial.InEffect());
}

void SurveyFlow::Undone() { emit designChanged(); }

void SurveyFlow::Fail(const std::string& message) {
  QMessageBox::warning(m_window, kAppTitle, QString::fromStdString(message));
}

}  // namespace mirto
