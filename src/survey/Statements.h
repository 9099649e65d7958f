#pragma once
// The survey statements of a script: `design ...` (alone: design mode ends)
// and `estimate ...`, on the data file that `data PATH` opened. A design is
// read when it is given and stays in effect until `design` alone or another
// `data`; each estimate appends one block.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "data/DataFile.h"
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

  static bool Handles(std::string_view verb) { return verb == "design" || verb == "estimate"; }
  // `data PATH` opened this file (shown in messages as `shown`): the design ends.
  void DataOpened(std::string path, std::string shown);
  // A file already open (tests, the fuzz target).
  void UseFile(std::unique_ptr<data::DataFile> file, std::string shown);
  // Runs a statement; what went wrong, if anything. Nothing is appended then.
  std::optional<Failure> Run(CTervoDoc& doc, std::string_view verb, std::string_view rest);
  const Design* InEffect() const { return m_design ? &*m_design : nullptr; }

 private:
  std::optional<Failure> DesignStatement(std::string_view rest);
  std::optional<Failure> EstimateStatement(CTervoDoc& doc, std::string_view rest);

  std::string m_path, m_shown;
  std::unique_ptr<data::DataFile> m_file;
  std::optional<Design> m_design;
};

}  // namespace mirto::survey
