// The prediction work record: its entry loops and the formulas of Models A to E.
#include <cmath>
#include <limits>
#include <vector>

#include "framework/Sums.h"
#include "journal/CTervoDoc.h"
#include "prediction/Prediction.h"
#include "prediction/PredictionForms.h"

namespace mirto::prediction {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One form per row 1..count. Unlike the other entry loops, Cancel is reported
// as an illegal entry. The form's own check decides on each row: under
// Model C a warning, after which the row is taken.
template <class ReadRow>
bool EnterPredictionData(FormHost& host, const FormTemplate& tmpl, PredictionModel model, long long count,
                         ReadRow&& read) {
  const FormContext context{.model = model};
  EntryLoopScope scope(host, EntryLoop{.tmpl = &tmpl, .context = context, .count = count});
  for (long long i = 1; i <= count; ++i) {
    Form form(tmpl, context);
    form.SetRowNumber(i);
    const bool confirmed = host.ShowForm(form);
    const RowCheck check = confirmed && tmpl.checkRow ? tmpl.checkRow(form).check : RowCheck::Accept;
    if (!confirmed || check != RowCheck::Accept) host.Message(kIllegalEntry);
    if (!confirmed || check == RowCheck::Refuse) return false;
    read(static_cast<const Form&>(form), i);
  }
  return true;
}

}  // namespace

PredictionInput::PredictionInput(const CalculatorState& d)
    : k(d.m_nExplanatory),
      z(d.m_dZ),
      model(d.m_nModel),
      N(d.m_dPopSize),
      n(d.m_dSampleSize),
      popSumX(d.m_dSumX),
      popSumX2(d.m_dSumX2),
      sigma2(d.m_dDevVar),
      barY(d.m_dSampleMean) {}

long long PredictionInput::Elements() const {
  constexpr double kMost = std::numeric_limits<int>::max();
  if (!(n >= 1.0)) return 0;
  return static_cast<long long>(n < kMost ? n : kMost);
}

void PredictionInput::CloseSums() {
  Xr = popSumX - sx;
  if (model == PredictionModel::C) Qr = popSumX2 - sxx;
}

bool PredictionInput::EnterPairs(FormHost& host) {
  sx = sy = sxx = syy = sxy = syOverX = 0.0;
  const bool entered =
      EnterPredictionData(host, kPredictionPairForm, model, Elements(), [&](const Form& f, long long i) {
        const PredictionPairRow row = ReadPairRow(f);
        x[i] = row.x;
        y[i] = row.y;
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

bool PredictionInput::EnterXValues(FormHost& host) {
  sx = sxx = 0.0;
  const bool entered = EnterPredictionData(host, kPredictionXForm, model, Elements(), [&](const Form& f, long long i) {
    x[i] = ReadXRow(f).x;
    sx += x[i];
    sxx += x[i] * x[i];
  });
  if (entered) CloseSums();
  return entered;
}

bool PredictionInput::EnterVariables(FormHost& host) {
  T = barY;
  const bool entered =
      EnterPredictionData(host, kPredictionVariableForm, model, Variables(), [&](const Form& f, long long j) {
        const PredictionVariableRow row = ReadVariableRow(f);
        b[j] = row.b;
        mu[j] = row.mu;
        barX[j] = row.barX;
        T += (mu[j] - barX[j]) * b[j];
      });
  if (entered) T = N * T;
  return entered;
}

bool PredictionInput::Estimate() {
  switch (model) {
    case PredictionModel::A: slope = sxy / sxx; break;
    case PredictionModel::B: slope = sy / sx; break;
    case PredictionModel::C: slope = syOverX / n; break;
    case PredictionModel::D: {
      const double meanX = sx / n, meanY = sy / n, popMeanX = (Xr + sx) / N;
      // From the deviations about the means: X-values far from 0 (1e8) keep their digits.
      slope = CrossDeviations(Xs(), Ys()) / SquaredDeviations(Xs());
      intercept = meanY - slope * meanX;
      T = N * (meanY + slope * (popMeanX - meanX));
      return true;
    }
    default:
      slope = intercept = T = kNaN;  // nothing was estimated
      return false;
  }
  T = sy + slope * Xr;
  return true;
}

bool PredictionInput::ResidualVariance(double& s2) {
  if (model == PredictionModel::D) {
    // The residuals about the fitted line, each from the deviations.
    const double meanX = sx / n, meanY = sy / n;
    std::vector<double> residuals;
    for (long long i = 1; i <= Elements(); ++i) residuals.push_back((y[i] - meanY) - slope * (x[i] - meanX));
    sumResid = SquaredDeviations(residuals);
    s2 = sumResid / (n - 2);
    return true;
  }
  if (model < PredictionModel::A || model > PredictionModel::D) {
    s2 = kNaN;
    return true;
  }
  sumResid = 0.0;
  const bool weighted = model == PredictionModel::B || model == PredictionModel::C;
  for (long long i = 1; i <= Elements(); ++i) {
    if (weighted && x[i] == 0.0) return false;
    const double r = y[i] - slope * x[i];
    sumResid += model == PredictionModel::B   ? r * r / x[i]
                : model == PredictionModel::C ? r * r / (x[i] * x[i])
                                              : r * r;
  }
  s2 = sumResid / (n - 1);
  return true;
}

double PredictionInput::VarianceFactor() const {
  switch (model) {
    case PredictionModel::A: return Xr * Xr / sxx + N - n;
    case PredictionModel::B: return Xr * (sx + Xr) / sx;
    case PredictionModel::C: return Xr * Xr / n + Qr;
    case PredictionModel::D: {
      const double gap = sx / n - (Xr + sx) / N;
      return N * N * (1 / n - 1 / N + gap * gap / SquaredDeviations(Xs()));
    }
    default: return kNaN;
  }
}

bool PredictionInput::EstimateErrorSd() {
  double s2 = 0.0;
  if (!ResidualVariance(s2)) {
    hatSdE = V = 0.0;
    return false;
  }
  V = s2 * VarianceFactor();
  hatSdE = std::sqrt(V);
  return true;
}

bool PredictionInput::TheoreticalErrorVariance() {
  if (model < PredictionModel::A || model > PredictionModel::D) {
    varE = kNaN;
    return false;
  }
  varE = VarianceFactor() * sigma2;
  return true;
}

}  // namespace mirto::prediction
