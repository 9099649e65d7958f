#pragma once
// The record keys the families share, in one place: the estimates of a mean
// and total or of a proportion and number, their deviations and intervals,
// and the accuracy requirements of a sample size. docs/results.md lists them.
#include <string_view>

#include "framework/Codes.h"
#include "framework/Record.h"

namespace mirto {

// The names of the estimates of one target: a mean and total, or a proportion and number.
struct EstimateKeys {
  std::string_view estimate, total, sd, low, high, totalLow, totalHigh, totalSd;
};
inline constexpr EstimateKeys kMeanKeys{"mean",      "total",     "sd_mean",    "mean_low",
                                        "mean_high", "total_low", "total_high", "sd_total"};
inline constexpr EstimateKeys kProportionKeys{"proportion",      "number",     "sd_proportion", "proportion_low",
                                              "proportion_high", "number_low", "number_high",   "sd_number"};

// kMeanKeys for a mean and total, kProportionKeys for a proportion and number.
const EstimateKeys& KeysOf(Target target);
const EstimateKeys& KeysOf(bool proportion);

// The estimates; with the deviation, the two intervals; the deviations of both estimates.
Record& RecordEstimates(Record& rec, const EstimateKeys& keys, double estimate, double total);
Record& RecordIntervals(Record& rec, const EstimateKeys& keys, double sd, double low, double high, double totalLow,
                        double totalHigh);
Record& RecordDeviations(Record& rec, const EstimateKeys& keys, double sd, double totalSd);
// The accuracy requirements of a sample size.
Record& RecordAccuracy(Record& rec, double margin, double probability, double z);

}  // namespace mirto
