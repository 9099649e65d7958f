#pragma once
// A draw from a frame, start to end: the frame read a pass or two at a time
// (it is never held), the sample sizes allocated, the units chosen, and the
// sample, population and pairs files written. The result holds every figure
// the report block prints (Report.h); no text is made here but messages.
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/DataFile.h"
#include "journal/JournalFile.h"
#include "select/Request.h"

namespace mirto::select {

// A unit taken with certainty (its pi reached 1).
struct CertainUnit {
  long long row = 0;  // of the frame
  double size = 0;
  std::size_t stratum = 0;
};

struct StratumResult {
  std::string name;            // as the sample file writes it; empty when not stratified
  long long N = 0;             // draw units: frame units, or groups
  long long units = 0;         // frame units
  long long n = 0;             // drawn: units or groups (draws, with replacement)
  double sd = std::nan("");    // Neyman and optimal allocation
  double cost = std::nan("");  // optimal allocation
  long long certainty = 0;
  double piSum = 0;  // over every draw unit: pi, or n q with replacement
};

struct DrawResult {
  DrawRequest request;
  std::uint64_t seed = 0;
  bool clockSeed = false;
  std::string frame;     // the frame as messages name it
  long long N = 0;       // frame units
  long long groups = 0;  // cluster and two-stage
  std::vector<StratumResult> strata;
  std::vector<CertainUnit> certain;
  long long rows = 0;                                        // units in the sample file
  double piSum = 0;                                          // over the strata
  double expected = 0;                                       // what piSum must be: the sum of the n_h
  double interval = std::nan("");                            // systematic, not stratified: N / n
  std::vector<std::pair<std::string, std::string>> renamed;  // a frame column and the name it is written as
  long long sdMissing = 0;                                   // sd= a variable: units without a value, left out
  bool zeroPairs = false;  // systematic PPS: some pairs of units are never drawn together
  long long pairs = 0;     // lines of the pairs file
  bool fileError = false;  // the draw failed on a file that could not be read or written
};

struct DrawOptions {
  // Files a draw must not write over (the journal, the run's other files).
  std::vector<ReservedFile> reserved;
  // How the frame is opened (OpenDataFile when not given).
  std::function<std::unique_ptr<data::DataFile>(const std::string&, std::optional<data::DataProblem>&)> open;
};

// Reads the frame, draws and writes the files. When it fails nothing is
// written, and the problem names the file, the row and the variable.
std::optional<data::DataProblem> RunDraw(const DrawRequest& request, const DrawOptions& options, DrawResult& result);

}  // namespace mirto::select
