#pragma once
// The survey statements of a script: `design ...` (alone: design mode ends),
// `calibrate ...` (alone: back to the design weights), `estimate ...` and
// `weights out=PATH`, on the data file that `data PATH` opened. A design is
// read when it is given and stays in effect until `design` alone or another
// `data`; a calibration, until `calibrate` alone or another design. Each
// estimate and each calibration appends one block.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/DataFile.h"
#include "journal/JournalFile.h"
#include "survey/Calibration.h"
#include "survey/Design.h"

namespace mirto {
class CTervoDoc;
}

namespace mirto::survey {

class Statements {
 public:
  struct Failure {
    bool file = false;  // the data file could not be read at all
    std::string text;
  };

  static bool Handles(std::string_view verb) {
    return verb == "design" || verb == "estimate" || verb == "calibrate" || verb == "weights";
  }
  // `data PATH` opened this file (shown in messages as `shown`): the design ends.
  void DataOpened(std::string path, std::string shown);
  // A file already open (tests, the fuzz target).
  void UseFile(std::unique_ptr<data::DataFile> file, std::string shown);
  // Runs a statement; what went wrong, if anything. Nothing is appended then.
  std::optional<Failure> Run(CTervoDoc& doc, std::string_view verb, std::string_view rest);
  // Runs it as the desktop does, within the document's undo: an estimate or a
  // calibration is one step, and Undo of a calibration puts back the weights
  // in effect before it (Redo, its own). A new design, the design weights
  // again or weights written to a file end the steps: they cannot be undone.
  std::optional<Failure> RunStep(CTervoDoc& doc, std::string_view verb, std::string_view rest);
  const Design* InEffect() const { return m_design ? &*m_design : nullptr; }
  const Calibration* Calibrated() const { return m_calibration.get(); }
  // The run's own files, which `weights out` never writes over.
  void Reserve(std::vector<ReservedFile> files) { m_reserved = std::move(files); }

 private:
  std::optional<Failure> DesignStatement(std::string_view rest);
  std::optional<Failure> EstimateStatement(CTervoDoc& doc, std::string_view rest);
  std::optional<Failure> CalibrateStatement(CTervoDoc& doc, std::string_view rest);
  std::optional<Failure> WeightsStatement(const CTervoDoc& doc, std::string_view rest);

  std::string m_path, m_shown;
  std::unique_ptr<data::DataFile> m_file;
  std::optional<Design> m_design;
  // Shared with the undo steps that put it back.
  std::shared_ptr<const Calibration> m_calibration;
  std::vector<ReservedFile> m_reserved;
};

}  // namespace mirto::survey
