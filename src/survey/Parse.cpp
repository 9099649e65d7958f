#include "survey/Parse.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "framework/Format.h"
#include "journal/Excerpt.h"

namespace mirto::survey {
namespace {

std::string Shown(std::string_view text) { return "\"" + Excerpt(text) + "\""; }

// Pieces of `text` between separators that stand outside quotes.
std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> pieces;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (quoted || separators.find(text[i]) == std::string_view::npos) continue;
    pieces.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

// The words of a statement: blanks outside quotes separate them.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  for (std::string_view piece : Split(text, " \t"))
    if (!piece.empty()) words.push_back(piece);
  return words;
}

// A name with its quotes taken off; nothing when they do not pair up or it is empty.
std::optional<std::string> Name(std::string_view text) {
  std::string name;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"') {
      name += text[i];
    } else if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
      name += '"';
      ++i;
    } else {
      quoted = !quoted;
    }
  }
  if (quoted || name.empty()) return std::nullopt;
  return name;
}

std::optional<double> Number(std::string_view text) {
  if (text.empty() || RealLength(text) != text.size()) return std::nullopt;
  const double x = ReadReal(text);
  return std::isfinite(x) ? std::optional(x) : std::nullopt;
}

// KEY=VALUE words, and bare words in order.
struct Options {
  std::vector<std::pair<std::string_view, std::string_view>> keyed;
  std::vector<std::string_view> bare;
};

std::variant<Options, std::string> Sort(std::string_view text) {
  Options options;
  for (std::string_view word : Words(text)) {
    const std::vector<std::string_view> parts = Split(word, "=");
    if (parts.size() == 1) {
      options.bare.push_back(word);
      continue;
    }
    const std::string_view key = parts[0], value = word.substr(key.size() + 1);
    if (key.empty() || value.empty()) return Shown(word) + " is not KEY=VALUE";
    for (const auto& [seen, v] : options.keyed)
      if (seen == key) return Excerpt(key) + "= is given twice";
    options.keyed.emplace_back(key, value);
  }
  return options;
}

std::string BadName(std::string_view key, std::string_view value) {
  return Excerpt(key) + "=" + Excerpt(value) + ": not a variable's name (a quote is missing, or it is empty)";
}

std::variant<ReplicateColumns, std::string> ParseColumns(std::string_view value) {
  ReplicateColumns columns;
  auto name = [&](std::string_view piece, std::string& out) {
    std::optional<std::string> n = Name(piece);
    if (n) out = std::move(*n);
    return n.has_value();
  };
  const std::vector<std::string_view> list = Split(value, ","), range = Split(value, "-");
  if (const std::vector<std::string_view> star = Split(value, "*"); star.size() > 1) {
    columns.form = ReplicateColumns::Form::Prefix;
    if (star.size() != 2 || !star[1].empty() || !name(star[0], columns.prefix))
      return "replicates=" + Excerpt(value) + ": PREFIX* takes one prefix followed by *";
  } else if (list.size() > 1) {
    columns.form = ReplicateColumns::Form::List;
    for (std::string_view piece : list)
      if (!name(piece, columns.names.emplace_back())) return BadName("replicates", value);
  } else if (range.size() > 1) {
    columns.form = ReplicateColumns::Form::Range;
    if (range.size() != 2 || !name(range[0], columns.first) || !name(range[1], columns.last))
      return "replicates=" + Excerpt(value) + ": a range is FIRST-LAST, such as w1-w80";
  } else if (!name(value, columns.names.emplace_back())) {
    return BadName("replicates", value);
  }
  return columns;
}

constexpr std::string_view kDesignOptions =
    "weight=, strata=, psu=, fpc=, nest, lonely=, replicates=, type=, rho=, scale=, mse=";

// What the replicate options allow: rho with Fay only (and needed there),
// strata with JKn only (and needed there), nothing of the Taylor design's.
std::optional<std::string> CheckReplicates(const DesignRequest& d, bool hasType, bool replicateOptions) {
  if (!d.replicates) {
    if (replicateOptions) return "type=, rho=, scale= and mse= go with replicates=";
    return std::nullopt;
  }
  if (!hasType) return "replicates= needs type=JK1|JKn|BRR|Fay|bootstrap|SDR";
  if (d.psu || d.fpc || d.nest || d.lonely != Lonely::Fail)
    return "psu=, fpc=, nest and lonely= are not used with replicate weights";
  const ReplicateRequest& r = *d.replicates;
  if (r.type == ReplicateType::Fay && !r.rho) return "type=Fay needs rho= (0 to below 1)";
  if (r.type != ReplicateType::Fay && r.rho) return "rho= goes with type=Fay only";
  if (r.type == ReplicateType::JKn && !d.strata) return "type=JKn needs strata=, the stratum of each unit";
  if (r.type != ReplicateType::JKn && d.strata) return "strata= goes with type=JKn only, among replicate types";
  return std::nullopt;
}

// One KEY=VALUE of the design; an error text, or nothing.
std::optional<std::string> DesignOption(DesignRequest& d, ReplicateRequest& r, bool& hasType, std::string_view key,
                                        std::string_view value) {
  std::optional<std::string>* names[] = {nullptr, &d.strata, &d.psu, &d.fpc};
  constexpr std::array<std::string_view, 4> kNames = {"weight", "strata", "psu", "fpc"};
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (key != kNames[i]) continue;
    std::optional<std::string> name = Name(value);
    if (!name) return BadName(key, value);
    if (i == 0)
      d.weight = std::move(*name);
    else
      *names[i] = std::move(name);
    return std::nullopt;
  }
  if (key == "lonely") {
    const std::optional<Lonely> lonely = LonelyNamed(value);
    if (!lonely) return "lonely= takes fail, remove, certainty, adjust or average, found " + Shown(value);
    d.lonely = *lonely;
  } else if (key == "replicates") {
    auto columns = ParseColumns(value);
    if (auto* error = std::get_if<std::string>(&columns)) return *error;
    r.columns = std::get<ReplicateColumns>(std::move(columns));
    d.replicates.emplace();
  } else if (key == "type") {
    const std::optional<ReplicateType> type = TypeNamed(value);
    if (!type) return "unknown replicate type " + Shown(value) + " (types: JK1, JKn, BRR, Fay, bootstrap, SDR)";
    r.type = *type;
    hasType = true;
  } else if (key == "rho") {
    r.rho = Number(value);
    if (!r.rho || *r.rho < 0 || *r.rho >= 1) return "rho= takes a number from 0 to below 1, found " + Shown(value);
  } else if (key == "scale") {
    r.scale = Number(value);
    if (!r.scale || *r.scale <= 0) return "scale= takes a number above 0, found " + Shown(value);
  } else if (key == "mse") {
    if (value != "on" && value != "off") return "mse= takes on or off, found " + Shown(value);
    r.mse = value == "on";
  } else {
    return Shown(std::string(key) + "=") + " is not a design option (" + std::string(kDesignOptions) + ")";
  }
  return std::nullopt;
}

std::optional<std::string> EstimateOption(EstimateRequest& e, std::string_view key, std::string_view value) {
  if (key == "by") {
    const std::vector<std::string_view> parts = Split(value, "*");
    if (parts.size() > 2) return "by= takes one variable or two crossed (A*B), found " + Shown(value);
    for (std::string_view part : parts) {
      std::optional<std::string> name = Name(part);
      if (!name) return BadName(key, value);
      e.by.push_back(std::move(*name));
    }
  } else if (key == "level") {
    const std::optional<double> level = Number(value);
    if (!level || *level < kMinLevel || *level > kMaxLevel)
      return "level= takes a percentage from 50 to 99.9, found " + Shown(value);
    e.level = *level;
  } else {
    return Shown(std::string(key) + "=") + " is not an estimate option (by=, level=)";
  }
  return std::nullopt;
}

// The variables of poststrata=, rake= or linear=, between their separators.
std::optional<std::string> CalibrationVariables(CalibrateRequest& c, std::string_view key, std::string_view value) {
  const std::string_view separator = c.method == CalibrationMethod::PostStrata ? "*"
                                     : c.method == CalibrationMethod::Rake     ? ","
                                                                               : "+";
  for (std::string_view part : Split(value, separator)) {
    std::optional<std::string> name = Name(part);
    if (!name) return BadName(key, value);
    if (std::find(c.variables.begin(), c.variables.end(), *name) != c.variables.end())
      return std::string(key) + "= names " + Shown(*name) + " twice";
    c.variables.push_back(std::move(*name));
  }
  if (c.method == CalibrationMethod::Rake && c.variables.size() < 2)
    return "rake= takes two margins or more, separated by commas (rake=region,sex)";
  return std::nullopt;
}

std::optional<std::string> CalibrateOption(CalibrateRequest& c, bool& method, std::string_view key,
                                           std::string_view value) {
  for (CalibrationMethod m : {CalibrationMethod::PostStrata, CalibrationMethod::Rake, CalibrationMethod::Linear}) {
    if (key != MethodName(m)) continue;
    if (method) return "calibrate takes one of poststrata=, rake= and linear=";
    method = true;
    c.method = m;
    return CalibrationVariables(c, key, value);
  }
  if (key == "totals") {
    std::optional<std::string> path = Name(value);
    if (!path) return "totals=" + Excerpt(value) + ": not a file's name (a quote is missing, or it is empty)";
    c.totals = std::move(*path);
  } else if (key == "epsilon") {
    const std::optional<double> e = Number(value);
    if (!e || !(*e > 0)) return "epsilon= takes a number above 0, found " + Shown(value);
    c.epsilon = *e;
    c.epsilonGiven = true;
  } else if (key == "maxit") {
    const std::optional<double> n = Number(value);
    if (!n || *n < 1 || *n > kMaxIterations || *n != std::floor(*n))
      return Format("maxit= takes a whole number from 1 to %d, found ", kMaxIterations) + Shown(value);
    c.maxit = static_cast<int>(*n);
    c.maxitGiven = true;
  } else if (key == "bounds") {
    const std::vector<std::string_view> parts = Split(value, ",");
    const std::optional<double> low = parts.size() == 2 ? Number(parts[0]) : std::nullopt;
    const std::optional<double> high = parts.size() == 2 ? Number(parts[1]) : std::nullopt;
    if (!low || !high || !(*low < 1) || !(*high > 1))
      return "bounds= takes L,U with L below 1 and U above 1 (bounds=0.5,2), found " + Shown(value);
    c.bounds.emplace(*low, *high);
  } else {
    return Shown(std::string(key) + "=") +
           " is not a calibrate option (poststrata=, rake=, linear=, totals=, epsilon=, maxit=, bounds=)";
  }
  return std::nullopt;
}

}  // namespace

std::variant<DesignRequest, std::string> ParseDesign(std::string_view text) {
  auto sorted = Sort(text);
  if (auto* error = std::get_if<std::string>(&sorted)) return *error;
  const Options& options = std::get<Options>(sorted);
  DesignRequest d;
  ReplicateRequest r;
  bool hasType = false;
  for (std::string_view word : options.bare) {
    if (word != "nest") return Shown(word) + " is not a design option (" + std::string(kDesignOptions) + ")";
    if (d.nest) return "nest is given twice";
    d.nest = true;
  }
  for (const auto& [key, value] : options.keyed)
    if (auto error = DesignOption(d, r, hasType, key, value)) return *error;
  if (d.replicates) d.replicates = r;
  if (d.weight.empty()) return "design needs weight=VARIABLE";
  if (auto error = CheckReplicates(d, hasType, hasType || r.rho || r.scale || r.mse)) return *error;
  return d;
}

std::variant<EstimateRequest, std::string> ParseEstimate(std::string_view text) {
  auto sorted = Sort(text);
  if (auto* error = std::get_if<std::string>(&sorted)) return *error;
  const Options& options = std::get<Options>(sorted);
  constexpr const char* kForm = "estimate takes mean, total or proportion VARIABLE, or ratio VARIABLE/VARIABLE";
  if (options.bare.empty()) return std::string(kForm);
  EstimateRequest e;
  const std::optional<Statistic> statistic = StatisticNamed(options.bare[0]);
  if (!statistic) return std::string(kForm) + ", found " + Shown(options.bare[0]);
  e.statistic = *statistic;
  if (options.bare.size() < 2) return std::string(kForm);
  if (options.bare.size() > 2)
    return "one variable (ratio: VARIABLE/VARIABLE), then by= and level=; found " + Shown(options.bare[2]);
  const std::string_view variables = options.bare[1];
  const std::vector<std::string_view> parts = Split(variables, "/");
  if (parts.size() != (e.statistic == Statistic::Ratio ? 2U : 1U))
    return e.statistic == Statistic::Ratio ? "ratio takes NUMERATOR/DENOMINATOR, found " + Shown(variables)
                                           : "one variable, found " + Shown(variables);
  std::optional<std::string> y = Name(parts[0]), x = parts.size() > 1 ? Name(parts[1]) : std::string("-");
  if (!y || !x) return BadName(StatisticName(e.statistic), variables);
  e.variable = std::move(*y);
  if (parts.size() > 1) e.denominator = std::move(*x);
  for (const auto& [key, value] : options.keyed)
    if (auto error = EstimateOption(e, key, value)) return *error;
  return e;
}

std::variant<CalibrateRequest, std::string> ParseCalibrate(std::string_view text) {
  auto sorted = Sort(text);
  if (auto* error = std::get_if<std::string>(&sorted)) return *error;
  const Options& options = std::get<Options>(sorted);
  if (!options.bare.empty()) return Shown(options.bare[0]) + " is not a calibrate option; options are KEY=VALUE";
  CalibrateRequest c;
  bool method = false;
  for (const auto& [key, value] : options.keyed)
    if (auto error = CalibrateOption(c, method, key, value)) return *error;
  if (!method) return "calibrate takes poststrata=VAR[*VAR], rake=VAR,VAR[,VAR...] or linear=TERM+TERM...";
  if (c.totals.empty()) return "calibrate needs totals=PATH, the file of the population totals";
  const bool rake = c.method == CalibrationMethod::Rake;
  if (!rake && (c.epsilonGiven || c.maxitGiven)) return "epsilon= and maxit= go with rake= only";
  if (c.bounds && c.method != CalibrationMethod::Linear) return "bounds= goes with linear= only";
  return c;
}

std::variant<WeightsRequest, std::string> ParseWeights(std::string_view text) {
  auto sorted = Sort(text);
  if (auto* error = std::get_if<std::string>(&sorted)) return *error;
  const Options& options = std::get<Options>(sorted);
  if (!options.bare.empty() || options.keyed.size() != 1 || options.keyed[0].first != "out")
    return std::string("weights takes out=PATH, the file to write the calibrated weights to");
  std::optional<std::string> path = Name(options.keyed[0].second);
  if (!path)
    return "out=" + Excerpt(options.keyed[0].second) + ": not a file's name (a quote is missing, or it is empty)";
  return WeightsRequest{std::move(*path)};
}

namespace {

std::string Quote(std::string_view name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + '"';
}

}  // namespace

std::string QuotedPath(std::string_view path) {
  return !path.empty() && path.find_first_of(" \t\"") == std::string_view::npos ? std::string(path) : Quote(path);
}

std::string QuotedName(std::string_view name) {
  const bool plain = !name.empty() && name.find_first_of(" \t\"=,*/+-") == std::string_view::npos;
  if (plain) return std::string(name);
  return Quote(name);
}

}  // namespace mirto::survey
