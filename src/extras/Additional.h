#pragma once
// Additional figures of a report block: what practitioners expect beside an
// estimate and its standard deviation (coefficient of variation, t-based
// intervals with the design's degrees of freedom, proportion intervals that
// stay within 0 and 1, the design effect), computed from the block's result
// record and its command's codes. With View > "Additional figures" (batch:
// `extras on`) the document appends them after each block as a short block
// of their own, and `--results` carries them under "extras".
#include <string>
#include <string_view>
#include <vector>

#include "framework/Catalogue.h"
#include "framework/Record.h"

namespace mirto::extras {

// The heading and the mark of every line under it: never the separator, so
// that neither is taken for a report block.
inline constexpr std::string_view kHeading = "+++ Additional figures for the report above +++";
inline constexpr std::string_view kMark = "+ ";

struct Additional {
  std::vector<std::string> lines;  // under the heading, each starting with kMark
  Record figures;                  // results only; a figure that is not defined is NaN
};

// No lines for a block without an estimate and its standard deviation.
Additional AdditionalFigures(const Command& command, const Record& record);
// The same as the lines that follow the block in the journal, the heading first.
FollowingLines FollowingBlock(const Command& command, const Record& record);
// Their section of the help.
HelpSection AdditionalFiguresHelp();

// ---- The formulas, for the tests --------------------------------------------------

struct Bounds {
  double low, high;
};
// Wilson's score interval for a proportion P from n observations, at quantile z.
Bounds WilsonInterval(double P, double n, double z);
// The exact binomial interval at `level`, with x = n P successes (n, x may be fractional).
Bounds ClopperPearsonInterval(double P, double n, double level);
// logit(P) -+ z sd / (P (1 - P)), transformed back.
Bounds LogitInterval(double P, double sd, double z);

}  // namespace mirto::extras
