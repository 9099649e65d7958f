#include "support/ScriptRun.h"

namespace mirto::test {

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    lines.emplace_back(text.substr(0, nl));
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

Session::Session() : doc(*this) { doc.OnNewDocument(); }

bool Session::ShowForm(Form& form) { return m_current && m_current->ShowForm(form); }

void Session::Message(std::string_view text) {
  if (m_current) m_current->Message(text);
}

void Session::OutOfMemory() {
  if (m_current) m_current->OutOfMemory();
}

void Session::BeginEntryLoop(const EntryLoop& loop) {
  if (m_current) m_current->BeginEntryLoop(loop);
}

void Session::EndEntryLoop() {
  if (m_current) m_current->EndEntryLoop();
}

ScriptResult Session::Run(std::string_view script) {
  std::istringstream in{std::string(script)};
  std::ostringstream err;
  ScriptSource source(in, "test");
  BatchHost host(source, err);
  const std::size_t before = doc.GetJournal().size();
  m_current = &host;
  ScriptResult result;
  result.status = RunScript(doc, source, host);
  m_current = nullptr;
  result.err = err.str();
  const Journal& journal = doc.GetJournal();
  for (std::size_t i = std::min(before, journal.size()); i < journal.size(); ++i)
    result.appended.emplace_back(journal[i]);
  for (const std::string& line : Lines(result.err))
    if (line.rfind("message: ", 0) == 0) result.messages.push_back(line.substr(9));
  return result;
}

ScriptResult RunScript(std::string_view script) {
  Session session;
  return session.Run(script);
}

}  // namespace mirto::test
