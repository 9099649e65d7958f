#include "framework/RecordKeys.h"

namespace mirto {

const EstimateKeys& KeysOf(Target target) { return KeysOf(target != Target::MeanTotal); }

const EstimateKeys& KeysOf(bool proportion) { return proportion ? kProportionKeys : kMeanKeys; }

Record& RecordEstimates(Record& rec, const EstimateKeys& keys, double estimate, double total) {
  return rec.Result(keys.estimate, estimate).Result(keys.total, total);
}

Record& RecordIntervals(Record& rec, const EstimateKeys& keys, double sd, double low, double high, double totalLow,
                        double totalHigh) {
  return rec.Result(keys.sd, sd)
      .Result(keys.low, low)
      .Result(keys.high, high)
      .Result(keys.totalLow, totalLow)
      .Result(keys.totalHigh, totalHigh);
}

Record& RecordDeviations(Record& rec, const EstimateKeys& keys, double sd, double totalSd) {
  return rec.Result(keys.sd, sd).Result(keys.totalSd, totalSd);
}

Record& RecordAccuracy(Record& rec, double margin, double probability, double z) {
  return rec.Input("margin", margin).Input("probability", probability).Input("z", z);
}

}  // namespace mirto
