#pragma once
// The sensitivity of a required sample size: n over margins around the one
// entered and the levels 90, 95 and 99%, each cell the n of the sample-size
// command for that margin and level.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/Codes.h"
#include "framework/Form.h"

namespace mirto::srs {
struct SrsInput;
}

namespace mirto::extras {

inline constexpr std::array<double, 6> kMarginFactors{0.5, 0.75, 1.0, 1.25, 1.5, 2.0};
// The levels of the columns, rows of the confidence table.
inline constexpr std::array<ConfidenceLevel, 3> kSensitivityLevels{kConfidenceTable[2], kConfidenceTable[1],
                                                                   kConfidenceTable[0]};

struct SensitivityTable {
  std::vector<double> margins;
  std::vector<std::array<double, 3>> n;  // by margin, then level
};

// The table for any sample-size formula n(margin, z).
SensitivityTable ComputeSensitivity(double margin, const std::function<double(double margin, double z)>& size);
// The table of the simple sample-size command for `target`; in.margin is the one entered.
SensitivityTable SrsSensitivity(const srs::SrsInput& in, Target target);
// Why the form cannot be computed, naming it and the field; nullopt when it can.
std::optional<std::string> SrsSensitivityFault(const srs::SrsInput& in, Target target);

}  // namespace mirto::extras
