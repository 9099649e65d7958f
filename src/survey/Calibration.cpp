#include "survey/Calibration.h"

#include <algorithm>

#include "data/DataSession.h"
#include "framework/Format.h"
#include "survey/Parse.h"

namespace mirto::survey {

std::vector<std::size_t> Calibration::Columns() const {
  std::vector<std::size_t> columns;
  for (const CalibrationVariable& v : variables) columns.push_back(v.column);
  return columns;
}

bool Calibration::Locate(std::span<const data::Value> values, Place& place) const {
  place.category.resize(variables.size());
  place.value.resize(variables.size());
  for (std::size_t i = 0; i < variables.size(); ++i) {
    const data::Value& v = values[i];
    if (variables[i].numeric) {
      if (v.missing || !v.numeric) return false;
      place.value[i] = v.number;
      continue;
    }
    const std::size_t k = variables[i].categories.Find(v);
    if (k == Codes::kNone) return false;
    place.category[i] = static_cast<std::uint32_t>(k);
  }
  if (!hasCells) return true;
  std::size_t key = place.category[m_categorical[0]];
  for (std::size_t j = 1; j < m_categorical.size(); ++j) {
    const std::uint64_t found = m_chain[j - 1].Find(key, place.category[m_categorical[j]]);
    if (found == Recent::kNone) return false;
    key = found;
  }
  if (key >= cells.size()) return false;
  place.cell = key;
  return true;
}

void Calibration::Prepare() {
  m_categorical.clear();
  for (std::size_t i = 0; i < variables.size(); ++i)
    if (!variables[i].numeric) m_categorical.push_back(i);
  hasCells = !m_categorical.empty() && m_categorical.size() == variables.size();
  m_chain.assign(m_categorical.empty() ? 0 : m_categorical.size() - 1, PairIndex());
}

std::optional<std::pair<std::size_t, std::string>> Calibration::Learn(std::span<const data::Value> values,
                                                                      long long row, Place& place) {
  place.category.resize(variables.size());
  place.value.resize(variables.size());
  for (std::size_t i = 0; i < variables.size(); ++i) {
    const data::Value& v = values[i];
    CalibrationVariable& variable = variables[i];
    if (variable.numeric) {
      if (v.missing)
        return std::pair(i, std::string("the value is missing; a numeric term of linear= needs one on every unit"));
      if (!v.numeric) return std::pair(i, NotANumber(v.text));
      place.value[i] = v.number;
      continue;
    }
    if (v.missing)
      return std::pair(i,
                       std::string("the value is missing; every unit needs a category of each calibration variable"));
    const std::size_t k = variable.categories.Add(v, row);
    if (variable.categories.size() > kMaxCategories)
      return std::pair(i, Format("more than %zu categories, the one past them here; a calibration variable takes at "
                                 "most %zu",
                                 kMaxCategories, kMaxCategories));
    place.category[i] = static_cast<std::uint32_t>(k);
  }
  if (!hasCells) return std::nullopt;
  std::size_t key = place.category[m_categorical[0]];
  for (std::size_t j = 1; j < m_categorical.size(); ++j)
    key = m_chain[j - 1].Of(key, place.category[m_categorical[j]]).first;
  if (key == cells.size()) {
    if (cells.size() == kMaxCells) {
      // Linear calibration does without them, at the cost of passes over the file.
      if (!Linear())
        return std::pair(m_categorical.back(), Format("more than %zu cells of crossed categories; a calibration "
                                                      "takes at most %zu",
                                                      kMaxCells, kMaxCells));
      hasCells = false;
      cells.clear();
      return std::nullopt;
    }
    Cell& cell = cells.emplace_back();
    for (std::size_t i : m_categorical) cell.categories.push_back(place.category[i]);
    cell.replicates.resize(replicates);
    cell.firstRow = row;
  }
  place.cell = key;
  return std::nullopt;
}

double Calibration::Eta(const Place& place, std::size_t r) const {
  const std::size_t columns = replicates + 1;
  double eta = intercept.empty() ? 0 : intercept[r];
  for (std::size_t i = 0; i < variables.size(); ++i) {
    const CalibrationVariable& v = variables[i];
    eta += v.numeric ? v.lambda[r] * place.value[i] : v.lambda[place.category[i] * columns + r];
  }
  return eta;
}

double Calibration::G(const Place& place, std::size_t r) const {
  if (!Linear()) return r == 0 ? cells[place.cell].g : cells[place.cell].replicateG[r - 1];
  const double g = 1 + Eta(place, r);
  return Bounded() ? scales[r] * std::clamp(g, low, high) : g;
}

void Calibration::Terms(const Place& place, std::vector<AuxTerm>& terms) const {
  terms.clear();
  if (!Linear()) {
    terms.push_back({static_cast<std::uint32_t>(place.cell), 1.0});
    return;
  }
  if (interceptCoordinate != kNoCoordinate) terms.push_back({interceptCoordinate, 1.0});
  for (std::size_t i = 0; i < variables.size(); ++i) {
    const CalibrationVariable& v = variables[i];
    if (v.numeric) {
      terms.push_back({v.coordinate[0], place.value[i]});
    } else if (const std::uint32_t c = v.coordinate[place.category[i]]; c != kNoCoordinate) {
      terms.push_back({c, 1.0});
    }
  }
}

double Calibration::MomentWeight(double designWeight) const {
  // R's raking residuals take plain means of the units' values, not weighted ones.
  if (request.method == CalibrationMethod::Rake) return designWeight > 0 ? 1 : 0;
  return designWeight;
}

std::string CalibrationText(const Calibration& c) { return CalibrationText(c.request); }

std::string CalibrationText(const CalibrateRequest& q) {
  const char* separator = q.method == CalibrationMethod::PostStrata ? "*"
                          : q.method == CalibrationMethod::Rake     ? ","
                                                                    : "+";
  std::string text = std::string(MethodName(q.method)) + "=";
  for (std::size_t i = 0; i < q.variables.size(); ++i) text += (i ? separator : "") + QuotedName(q.variables[i]);
  text += " totals=" + QuotedPath(q.totals);
  if (q.epsilonGiven) text += " epsilon=" + data::ShortestText(q.epsilon);
  if (q.maxitGiven) text += Format(" maxit=%d", q.maxit);
  if (q.bounds) text += " bounds=" + data::ShortestText(q.bounds->first) + "," + data::ShortestText(q.bounds->second);
  return text;
}

}  // namespace mirto::survey
