#pragma once
// The Data menu's survey commands and the sample draw: each dialog gathers a
// request, and it runs here as the statement a script gives (design, estimate,
// calibrate, draw) on the same library objects, so that the session writes
// that statement and a replay appends the same block.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "select/Request.h"
#include "select/Script.h"
#include "survey/Statements.h"

namespace mirto {

class CTervoDoc;
class SessionRecorder;

class SurveyFlow : public QObject {
  Q_OBJECT
 public:
  SurveyFlow(CTervoDoc& doc, SessionRecorder& session) : m_doc(doc), m_session(session) {}
  void SetWindow(QWidget* window) { m_window = window; }

  // Data > "From data..." wrote `data PATH`: as in a script, the design ends.
  void DataOpened(const std::string& path);
  const std::string& DataFile() const { return m_file; }
  const survey::Design* InEffect() const { return m_survey.InEffect(); }
  const survey::Calibration* Calibrated() const { return m_survey.Calibrated(); }
  const std::string& Frame() const { return m_frame; }

  // Each runs its statement; false, after a message, when it fails (nothing
  // appended, the state as it was).
  bool UseDesign(const std::string& file, const survey::DesignRequest& request);
  bool EndDesign();
  bool Estimate(const survey::EstimateRequest& request);
  bool Calibrate(const survey::CalibrateRequest& request);
  // The calibrated weights beside the data file's columns, as `weights out=PATH`.
  bool WriteWeights(const std::string& path);
  bool Draw(const select::DrawRequest& request);

  // Edit > Undo or Redo ran: a calibration may have gone or come back.
  void Undone();

  // What the design would find in `file`: the lines of its summary, or the
  // message that refuses it. Nothing changes.
  std::vector<std::string> Preview(const std::string& file, const survey::DesignRequest& request) const;

 signals:
  void designChanged();
  // `data PATH` went into the session: the textbook data mode of a replay ends there.
  void dataReplaced();

 private:
  bool Survey(const char* menu, std::vector<std::string> statements, survey::Statements& on);
  void Fail(const std::string& message);

  CTervoDoc& m_doc;
  SessionRecorder& m_session;
  QPointer<QWidget> m_window;
  survey::Statements m_survey;
  std::string m_file;  // the survey's data file, as `data` gave it
  select::ScriptDraws m_draws;
  std::string m_frame;  // as the session's last `frame` gave it
};

}  // namespace mirto
