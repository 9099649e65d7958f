#pragma once
// The statements' text:
//   design weight=VAR [strata=VAR] [psu=VAR] [fpc=VAR] [nest] [lonely=RULE]
//   design weight=VAR replicates=COLUMNS type=TYPE [rho=X] [scale=X] [mse=on|off] [strata=VAR]
//   estimate mean|total|proportion VAR [by=VAR[*VAR]] [level=P]
//   estimate ratio VAR/VAR [by=...] [level=P]
//   calibrate poststrata=VAR[*VAR...] totals=PATH
//   calibrate rake=VAR,VAR[,VAR...] totals=PATH [epsilon=X] [maxit=N]
//   calibrate linear=TERM[+TERM...] totals=PATH [bounds=L,U]
//   weights out=PATH
// A variable's name may be written in double quotes (a quote inside doubled),
// so that it may hold blanks and the characters = , * / + and -.
#include <string>
#include <string_view>
#include <variant>

#include "survey/Request.h"

namespace mirto::survey {

// The request, or what is wrong with the text (for the script's message).
std::variant<DesignRequest, std::string> ParseDesign(std::string_view text);
std::variant<EstimateRequest, std::string> ParseEstimate(std::string_view text);
std::variant<CalibrateRequest, std::string> ParseCalibrate(std::string_view text);
std::variant<WeightsRequest, std::string> ParseWeights(std::string_view text);

// A name as a statement writes it: quoted where it must be.
std::string QuotedName(std::string_view name);
// A path as a statement writes it: quoted only where a blank or a quote would split it.
std::string QuotedPath(std::string_view path);

}  // namespace mirto::survey
