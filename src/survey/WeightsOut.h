#pragma once
// `weights out=PATH`: the calibrated weights written beside the data file's
// other columns, as CSV or TSV, SPSS or Stata by the path's extension.
#include <optional>
#include <string>

#include "data/DataFile.h"
#include "select/Output.h"
#include "survey/Calibration.h"
#include "survey/Design.h"

namespace mirto::survey {

struct OutFailure {
  bool file = false;  // the file could not be written
  std::string text;
};

// Nothing written, or the whole file: a failure leaves no file behind.
std::optional<OutFailure> WriteWeights(const data::DataFile& file, const Design& design, const Calibration& calibration,
                                       const std::string& path);

}  // namespace mirto::survey
