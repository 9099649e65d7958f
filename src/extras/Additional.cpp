#include "extras/Additional.h"

#include <cmath>
#include <cstdarg>
#include <limits>
#include <optional>

#include "extras/Quantiles.h"
#include "framework/Format.h"
#include "framework/Registry.h"

namespace mirto::extras {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// What a block estimates: the record keys of the estimate and its deviation,
// and the words of the lines.
struct Kind {
  std::string_view key, sdKey;
  const char* name;
  const char* totalName;  // nullptr: no total beside the estimate
  bool proportion;
  bool ofTotal;  // the deviation is that of the total (prediction's error), N times the mean's
};
constexpr Kind kKinds[] = {
    {"mean", "sd_mean", "mean", "total", false, false},
    {"proportion", "sd_proportion", "proportion", "number", true, false},
    {"ratio", "sd_ratio", "ratio", nullptr, false, false},
    {"mean", "error_sd", "mean", "total", false, true},
};

bool Has(const Record& record, std::string_view key) {
  for (Section section : {Section::Inputs, Section::Results})
    for (const Figure& f : record.figures(section))
      if (f.key == key) return true;
  return false;
}

// A column of an input table, empty when the record has none.
std::vector<double> Column(const Record& record, std::string_view table, std::string_view column) {
  std::vector<double> values;
  for (const Table& t : record.tables()) {
    if (t.section() != Section::Inputs || t.key() != table) continue;
    for (std::size_t c = 0; c < t.columns().size(); ++c)
      if (t.columns()[c] == column)
        for (std::size_t row = 0; row < t.rows(); ++row) values.push_back(t.at(row, c));
  }
  return values;
}

double Sum(const std::vector<double>& values) {
  double total = 0.0;
  for (double v : values) total += v;
  return total;
}

// The block as the figures see it.
struct Block {
  Approach approach;
  Method method;
  const Record& record;
  const Kind& kind;
  double estimate, sd, N, level, z;

  bool Grouped() const { return method == Method::Cluster || method == Method::TwoStage; }
  const char* Groups() const { return method == Method::Stratified ? "strata" : "clusters"; }
  // The number of elements sampled.
  double SampleSize() const {
    if (method == Method::Stratified || method == Method::TwoStage) return Sum(Column(record, Groups(), "n_i"));
    if (method == Method::Cluster) return Sum(Column(record, "clusters", "N_i"));
    return record.Get("sample_size");
  }
  // n - 1 for one sample; the sum of n_i less K strata; m - 1 groups; for a
  // prediction the divisor of its s^2 (n - 2 under Model D, with its intercept).
  double DegreesOfFreedom() const {
    if (approach == Approach::Prediction)
      return SampleSize() - (record.Get("model") == static_cast<int>(PredictionModel::D) ? 2.0 : 1.0);
    if (method == Method::Stratified) return SampleSize() - static_cast<double>(Column(record, "strata", "n_i").size());
    if (Grouped()) return record.Get("selected_groups") - 1.0;
    return SampleSize() - 1.0;
  }
};

// The lines and the figures, as they are written.
struct Out {
  Additional a;
  [[gnu::format(printf, 2, 3)]] void Line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text;
    FormatInto(text, format, args);
    va_end(args);
    a.lines.push_back(std::string(kMark) + text);
  }
  void NotDefined(const char* what, const std::string& why) { Line("%s: not defined (%s)", what, why.c_str()); }
  void Put(std::string_view key, double value) { a.figures.Result(key, value); }
};

const char* SdFault(double sd) {
  return std::isfinite(sd) && sd >= 0.0 ? nullptr : "the standard deviation is not a finite number";
}

bool IsLevel(double level) { return level > 0.0 && level < 1.0; }
constexpr const char* kNoLevel = "no confidence level chosen";

void Precision(Out& out, const Block& b) {
  const double cv = 100.0 * b.sd / std::fabs(b.estimate), margin = b.z * cv;
  const bool defined = std::isfinite(cv) && !SdFault(b.sd), level = IsLevel(b.level);
  out.Put("cv", defined ? cv : kNaN);
  out.Put("relative_margin", defined && level ? margin : kNaN);
  if (!defined) {
    const char* why = SdFault(b.sd);
    if (!why) why = b.estimate == 0.0 ? "the estimate is 0" : "the estimate is not a number";
    return out.NotDefined("Coefficient of variation and relative margin", why);
  }
  if (!level) return out.Line("Coefficient of variation: %f%%; relative margin: not defined (%s)", cv, kNoLevel);
  out.Line("Coefficient of variation: %f%%; relative margin of the %.2f interval: %f%%", cv, b.level, margin);
}

// "mean from L to H, total from N L to N H"
std::string Range(const Block& b, double low, double high) {
  std::string text = Format("%s from %f to %f", b.kind.name, low, high);
  if (b.kind.totalName)
    text += Format(b.kind.proportion ? ", %s from %.0f to %.0f" : ", %s from %f to %f", b.kind.totalName, b.N * low,
                   b.N * high);
  return text;
}

// Records an interval (and its total where the estimate has one) under `prefix`.
void PutBounds(Out& out, const Block& b, std::string_view low, std::string_view high, std::string_view totalLow,
               std::string_view totalHigh, Bounds bounds) {
  out.Put(low, bounds.low);
  out.Put(high, bounds.high);
  if (!b.kind.totalName) return;
  out.Put(totalLow, b.N * bounds.low);
  out.Put(totalHigh, b.N * bounds.high);
}

void TInterval(Out& out, const Block& b) {
  const double df = b.DegreesOfFreedom();
  const double t = StudentQuantile(df, 0.5 + b.level / 2.0);
  std::string why;
  if (!(df >= 1.0))
    why = std::isfinite(df) ? Format("%g degrees of freedom", df) : "the degrees of freedom are not known";
  else if (!IsLevel(b.level))
    why = kNoLevel;
  else if (SdFault(b.sd))
    why = SdFault(b.sd);
  const bool defined = why.empty();
  const Bounds bounds = defined ? Bounds{b.estimate - t * b.sd, b.estimate + t * b.sd} : Bounds{kNaN, kNaN};
  out.Put("t_df", df);
  out.Put("t_quantile", defined ? t : kNaN);
  PutBounds(out, b, "t_low", "t_high", "t_total_low", "t_total_high", bounds);
  if (!defined) return out.NotDefined("t-based interval", why);
  out.Line("t-based %.2f interval with %g degree%s of freedom (t = %f): %s", b.level, df, df == 1.0 ? "" : "s", t,
           Range(b, bounds.low, bounds.high).c_str());
}

// Why P and its variance give no effective sample size, or "".
std::string ProportionFault(double P, double v) {
  if (!(P >= 0.0 && P <= 1.0)) return Format("P = %f lies outside 0 to 1", P);
  if (!std::isfinite(v)) return "the variance of P is not a finite number";
  if (v == 0.0) return "the variance of P is 0";
  if (!(P * (1.0 - P) / v > 0.0)) return "n_eff = P(1-P)/v is 0";
  return {};
}

void ProportionIntervals(Out& out, const Block& b) {
  const double P = b.estimate, v = b.sd * b.sd;
  const std::string fault = ProportionFault(P, v);
  const double neff = fault.empty() ? P * (1.0 - P) / v : kNaN;
  const bool level = IsLevel(b.level), intervals = fault.empty() && level;
  const Bounds none{kNaN, kNaN};
  const Bounds wilson = intervals ? WilsonInterval(P, neff, b.z) : none;
  const Bounds exact = intervals ? ClopperPearsonInterval(P, neff, b.level) : none;
  const Bounds logit = intervals && P > 0.0 && P < 1.0 ? LogitInterval(P, b.sd, b.z) : none;
  const bool small = fault.empty() && (neff * P < 5.0 || neff * (1.0 - P) < 5.0);
  out.Put("n_eff", neff);
  PutBounds(out, b, "wilson_low", "wilson_high", "wilson_number_low", "wilson_number_high", wilson);
  PutBounds(out, b, "clopper_pearson_low", "clopper_pearson_high", "clopper_pearson_number_low",
            "clopper_pearson_number_high", exact);
  PutBounds(out, b, "logit_low", "logit_high", "logit_number_low", "logit_number_high", logit);
  out.Put("small_count", fault.empty() ? static_cast<double>(small) : kNaN);
  constexpr const char* kIntervals = "Wilson, Clopper-Pearson and logit intervals";
  if (!fault.empty()) return out.NotDefined(kIntervals, fault);
  out.Line("Effective sample size, n_eff = P(1-P)/v: %f", neff);
  if (!level) return out.NotDefined(kIntervals, kNoLevel);
  out.Line("Wilson %.2f interval: %s", b.level, Range(b, wilson.low, wilson.high).c_str());
  out.Line("Clopper-Pearson %.2f interval: %s", b.level, Range(b, exact.low, exact.high).c_str());
  if (std::isfinite(logit.low))
    out.Line("Logit %.2f interval: %s", b.level, Range(b, logit.low, logit.high).c_str());
  else
    out.NotDefined("Logit interval", P == 0.0 ? "P is 0" : "P is 1");
  if (small)
    out.Line("Note: n_eff*P = %f and n_eff*(1-P) = %f; below 5 the normal approximation is poor", neff * P,
             neff * (1.0 - P));
}

// The estimated variance of the mean under simple random sampling of the same
// n from the same population, with the population variance from the groups:
// the within-group sums of squares (S_i with divisor n_i, so n_i / (n_i - 1)
// makes it unbiased) and the spread of the group means about the estimate,
// expanded by M / m from the sampled groups.
double GroupedMeanSrsVariance(const Block& b, double n) {
  const char* table = b.Groups();
  const std::vector<double> Ni = Column(b.record, table, "N_i"), mean = Column(b.record, table, "barY_i"),
                            S = Column(b.record, table, "S_i");
  std::vector<double> ni = Column(b.record, table, "n_i");
  if (b.method == Method::Cluster) ni = Ni;
  if (Ni.empty() || mean.size() != Ni.size() || S.size() != Ni.size() || ni.size() != Ni.size()) return kNaN;
  double squares = 0.0;
  for (std::size_t i = 0; i < Ni.size(); ++i) {
    const double d = mean[i] - b.estimate;
    squares += (Ni[i] - 1.0) * S[i] * S[i] * ni[i] / (ni[i] - 1.0) + Ni[i] * d * d;
  }
  if (b.Grouped()) squares *= b.record.Get("groups") / b.record.Get("selected_groups");
  const double S2 = squares / (b.N - 1.0);
  return (1.0 - n / b.N) * S2 / n;
}

// Nothing where the entered figures do not determine it (or the design is simple random sampling).
std::optional<double> SrsVariance(const Block& b, double n) {
  if (b.approach == Approach::Prediction || b.method == Method::Simple || b.kind.key == "ratio") return std::nullopt;
  if (b.kind.proportion) return (b.N - n) * b.estimate * (1.0 - b.estimate) / ((n - 1.0) * b.N);
  if (b.method == Method::Stratified || b.Grouped()) return GroupedMeanSrsVariance(b, n);
  return std::nullopt;
}

void DesignEffect(Out& out, const Block& b) {
  const double n = b.SampleSize();
  const std::optional<double> srs = SrsVariance(b, n);
  if (!srs) return;
  const double v = b.sd * b.sd, deff = v / *srs;
  const bool defined = *srs > 0.0 && std::isfinite(*srs) && std::isfinite(deff);
  out.Put("srs_sample_size", n);
  out.Put("srs_variance", *srs);
  out.Put("design_effect", defined ? deff : kNaN);
  out.Put("deft", defined ? std::sqrt(deff) : kNaN);
  out.Put("n_over_deff", defined ? n / deff : kNaN);
  if (!defined) {
    const char* why = !std::isfinite(v) ? "the variance of the estimator is not a finite number"
                      : *srs == 0.0     ? "the variance under simple random sampling of the same n is 0"
                                        : "the variance under simple random sampling is not a finite number";
    return out.NotDefined("Design effect", why);
  }
  out.Line("Design effect against simple random sampling of n = %.0f: deff = %f, deft = %f, n/deff = %f", n, deff,
           std::sqrt(deff), n / deff);
}

}  // namespace

Bounds WilsonInterval(double P, double n, double z) {
  const double z2 = z * z, denominator = 1.0 + z2 / n;
  const double centre = (P + z2 / (2.0 * n)) / denominator;
  const double half = z * std::sqrt(P * (1.0 - P) / n + z2 / (4.0 * n * n)) / denominator;
  return {centre - half, centre + half};
}

Bounds ClopperPearsonInterval(double P, double n, double level) {
  const double alpha = 1.0 - level, x = n * P;
  const double low = x > 0.0 ? BetaQuantile(x, n - x + 1.0, alpha / 2.0) : 0.0;
  const double high = x < n ? BetaQuantile(x + 1.0, n - x, 1.0 - alpha / 2.0) : 1.0;
  return {low, high};
}

Bounds LogitInterval(double P, double sd, double z) {
  const double centre = std::log(P / (1.0 - P)), half = z * sd / (P * (1.0 - P));
  auto back = [](double x) { return 1.0 / (1.0 + std::exp(-x)); };
  return {back(centre - half), back(centre + half)};
}

Additional AdditionalFigures(const Command& command, const Record& record) {
  Out out;
  for (const Kind& kind : kKinds) {
    if (!Has(record, kind.key) || !Has(record, kind.sdKey)) continue;
    const double N = record.Get("population_size");
    double sd = record.Get(kind.sdKey);
    if (kind.ofTotal) {
      // A prediction whose s^2 is not defined prints 0 for it and no interval.
      sd = std::isfinite(record.Get("mean_low")) ? sd / N : kNaN;
    }
    const Block b{command.approach,         command.method, record, kind, record.Get(kind.key), sd, N,
                  record.Get("confidence"), record.Get("z")};
    Precision(out, b);
    TInterval(out, b);
    if (kind.proportion) ProportionIntervals(out, b);
    DesignEffect(out, b);
    break;
  }
  return std::move(out.a);
}

FollowingLines FollowingBlock(const Command& command, const Record& record) {
  Additional additional = AdditionalFigures(command, record);
  if (additional.lines.empty()) return {};
  FollowingLines following{{std::string(kHeading)}, std::move(additional.figures)};
  for (std::string& line : additional.lines) following.lines.push_back(std::move(line));
  return following;
}

}  // namespace mirto::extras
