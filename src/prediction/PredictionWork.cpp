// The prediction work record: its entry loops and the formulas of Models A to E.
#include "prediction/PredictionWork.h"

#include <cmath>
#include <limits>

#include "journal/CTervoDoc.h"
#include "prediction/PredictionForms.h"

namespace mirto {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One form per row 1..count. Unlike the other entry loops, Cancel is reported
// as an illegal entry; a row is never refused.
template <class ReadRow>
bool EnterPredictionData(FormHost& host, const FormTemplate& tmpl, long long count, ReadRow&& read) {
  for (long long i = 1; i <= count; ++i) {
    Form form(tmpl);
    form.SetRowNumber(i);
    if (!host.ShowForm(form)) {
      host.Message(kIllegalEntry);
      return false;
    }
    FormReader reader(form);
    read(reader, i);
  }
  return true;
}

}  // namespace

PredictionWork::PredictionWork(const CTervoDoc& d)
    : k(d.m_nExplanatory),
      z(d.m_dZ),
      model(d.m_nModel),
      N(d.m_dPopSize),
      n(d.m_dSampleSize),
      popSumX(d.m_dSumX),
      popSumX2(d.m_dSumX2),
      sigma2(d.m_dDevVar),
      barY(d.m_dSampleMean) {}

long long PredictionWork::Elements() const {
  constexpr double kMost = std::numeric_limits<int>::max();
  if (!(n >= 1.0)) return 0;
  return static_cast<long long>(n < kMost ? n : kMost);
}

// Model C divides by X: a value that is not positive is reported, yet kept.
void PredictionWork::CheckX(FormHost& host, double value) const {
  if (model == PredictionModel::C && !(value > 0.0)) host.Message(kIllegalEntry);
}

void PredictionWork::CloseSums() {
  Xr = popSumX - sx;
  if (model == PredictionModel::C) Qr = popSumX2 - sxx;
}

bool PredictionWork::EnterPairs(FormHost& host) {
  sx = sy = sxx = syy = sxy = syOverX = 0.0;
  const bool entered = EnterPredictionData(host, kPredictionPairForm, Elements(), [&](FormReader& r, long long i) {
    x[i] = r.Real();
    CheckX(host, x[i]);
    y[i] = r.Real();
    sx += x[i];
    sy += y[i];
    sxx += x[i] * x[i];
    syy += y[i] * y[i];
    sxy += x[i] * y[i];
    if (model == PredictionModel::C) syOverX += y[i] / x[i];
  });
  if (entered) CloseSums();
  return entered;
}

bool PredictionWork::EnterXValues(FormHost& host) {
  sx = sxx = 0.0;
  const bool entered = EnterPredictionData(host, kPredictionXForm, Elements(), [&](FormReader& r, long long i) {
    x[i] = r.Real();
    CheckX(host, x[i]);
    sx += x[i];
    sxx += x[i] * x[i];
  });
  if (entered) CloseSums();
  return entered;
}

bool PredictionWork::EnterVariables(FormHost& host) {
  T = barY;
  const bool entered = EnterPredictionData(host, kPredictionVariableForm, Variables(), [&](FormReader& r, long long j) {
    b[j] = r.Real();
    mu[j] = r.Real();
    barX[j] = r.Real();
    T += (mu[j] - barX[j]) * b[j];
  });
  if (entered) T = N * T;
  return entered;
}

bool PredictionWork::Estimate(FormHost& host) {
  switch (model) {
    case PredictionModel::A: slope = sxy / sxx; break;
    case PredictionModel::B: slope = sy / sx; break;
    case PredictionModel::C: slope = syOverX / n; break;
    case PredictionModel::D: {
      const double meanX = sx / n, meanY = sy / n, popMeanX = (Xr + sx) / N;
      slope = (sxy - n * meanY * meanX) / (sxx - n * meanX * meanX);
      intercept = meanY - slope * meanX;
      T = N * (meanY + slope * (popMeanX - meanX));
      return true;
    }
    default:
      host.Message("Illegal model.");
      slope = intercept = T = kNaN;  // nothing was estimated
      return false;
  }
  T = sy + slope * Xr;
  return true;
}

bool PredictionWork::ResidualVariance(FormHost& host, double& s2) {
  if (model == PredictionModel::D) {
    s2 = (syy - intercept * sy - slope * sxy) / (n - 2);
    return true;
  }
  if (model < PredictionModel::A || model > PredictionModel::D) {
    s2 = kNaN;
    return true;
  }
  sumResid = 0.0;
  const bool weighted = model == PredictionModel::B || model == PredictionModel::C;
  for (long long i = 1; i <= Elements(); ++i) {
    if (weighted && x[i] == 0.0) {
      host.Message("An X-value is zero... S2 not defined.");
      return false;
    }
    const double r = y[i] - slope * x[i];
    sumResid += model == PredictionModel::B   ? r * r / x[i]
                : model == PredictionModel::C ? r * r / (x[i] * x[i])
                                              : r * r;
  }
  s2 = sumResid / (n - 1);
  return true;
}

double PredictionWork::VarianceFactor() const {
  switch (model) {
    case PredictionModel::A: return Xr * Xr / sxx + N - n;
    case PredictionModel::B: return Xr * (sx + Xr) / sx;
    case PredictionModel::C: return Xr * Xr / n + Qr;
    case PredictionModel::D: {
      const double gap = sx / n - (Xr + sx) / N;
      return N * N * (1 / n - 1 / N + gap * gap / (sxx - sx * sx / n));
    }
    default: return kNaN;
  }
}

bool PredictionWork::EstimateErrorSd(FormHost& host) {
  double s2 = 0.0;
  if (!ResidualVariance(host, s2)) {
    hatSdE = V = 0.0;
    return false;
  }
  V = s2 * VarianceFactor();
  hatSdE = std::sqrt(V);
  return true;
}

bool PredictionWork::TheoreticalErrorVariance(FormHost& host) {
  if (model < PredictionModel::A || model > PredictionModel::D) {
    host.Message("Illegal model");
    varE = kNaN;
    return false;
  }
  varE = VarianceFactor() * sigma2;
  return true;
}

}  // namespace mirto
