#include "select/Script.h"

#include <unistd.h>

#include "data/DataFile.h"
#include "journal/CTervoDoc.h"
#include "journal/Excerpt.h"
#include "select/Draw.h"
#include "select/Parse.h"
#include "select/Report.h"

namespace mirto::select {
namespace {

std::string Message(const data::DataProblem& p) { return p.file.empty() ? p.text : p.Describe(); }

}  // namespace

bool IsStatement(std::string_view verb) { return verb == "frame" || verb == "draw"; }

std::optional<ScriptDraws::Failure> ScriptDraws::Run(CTervoDoc& doc, std::string_view verb, std::string_view rest) {
  if (verb == "frame") {
    if (rest.empty()) return Failure{2, "frame needs the path of a frame file"};
    const std::string path(rest);
    std::optional<data::DataProblem> problem;
    if (!data::OpenDataFile(path, problem)) {
      if (problem && problem->file.empty()) problem->file = PathExcerpt(path);
      return Failure{::access(path.c_str(), R_OK) != 0 ? 1 : 2, problem ? Message(*problem) : "cannot open it"};
    }
    m_frame = path;
    return std::nullopt;
  }
  DrawRequest request;
  request.frame = m_frame;
  if (auto bad = ParseDraw(rest, request)) return Failure{2, "draw: " + *bad};
  if (auto bad = CheckRequest(request)) return Failure{2, "draw: " + *bad};
  DrawOptions options;
  options.reserved = m_reserved;
  options.reserved.push_back({doc.GetPathName(), "the journal", true});
  DrawResult result;
  if (auto problem = RunDraw(request, options, result)) return Failure{result.fileError ? 1 : 2, Message(*problem)};
  AppendDrawBlock(doc, result);
  return std::nullopt;
}

}  // namespace mirto::select
