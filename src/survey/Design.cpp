#include "survey/Design.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "data/DataSession.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"

namespace mirto::survey {

using data::DataFile;
using data::DataProblem;
using data::Value;

std::optional<std::pair<long long, long long>> FileStamp(const DataFile& file) {
  struct stat st {};
  if (file.Path().empty() || ::stat(file.Path().c_str(), &st) != 0) return std::nullopt;
  return std::pair<long long, long long>(st.st_size, st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec);
}

std::string NotANumber(std::string_view text) { return "\"" + Excerpt(text) + "\" is not a number"; }

bool IsVariableNumeric(const DataFile& file, std::size_t column) {
  return file.Variables()[column].type != data::VariableType::Text;
}

std::vector<std::size_t> Design::LonelyStrata() const {
  std::vector<std::size_t> lonely;
  for (std::size_t h = 0; h < strataFigures.size(); ++h)
    if (strataFigures[h].lonely) lonely.push_back(h);
  return lonely;
}

std::uint64_t Design::PsuKey(std::size_t stratum, std::size_t code) const {
  return request.nest ? (static_cast<std::uint64_t>(stratum) << 32) | code : code;
}

std::size_t Design::PsuOf(std::size_t stratum, const Value& code) const {
  const std::size_t number = m_psuCodes.Find(code);
  if (number == Codes::kNone) return Codes::kNone;
  if (!request.nest) {  // the code alone names the PSU
    const std::size_t g = number < m_psuOfCode.size() ? m_psuOfCode[number] : Codes::kNone;
    return g != Codes::kNone && psuStratum[g] == stratum ? g : Codes::kNone;
  }
  const std::uint64_t key = PsuKey(stratum, number);
  if (const std::uint64_t g = m_recent.Find(key); g != Recent::kNone) return g;
  const auto found = m_psuIndex.find(key);
  if (found == m_psuIndex.end() || psuStratum[found->second] != stratum) return Codes::kNone;
  m_recent.Keep(key, found->second);
  return found->second;
}

std::size_t Design::AddStratum(const Value* stratum, long long row) {
  const std::size_t h = stratum ? strataCodes.Add(*stratum, row) : 0;
  if (h >= strataFigures.size()) strataFigures.resize(h + 1);
  return h;
}

std::variant<std::size_t, std::string> Design::AddPsu(std::size_t stratum, const Value& code, long long row) {
  const std::size_t number = m_psuCodes.Add(code, row);
  const std::uint64_t key = PsuKey(stratum, number);
  const auto [at, added] = m_psuIndex.try_emplace(key, static_cast<std::uint32_t>(psuStratum.size()));
  const std::size_t g = at->second;
  if (added && !request.nest) m_psuOfCode.push_back(static_cast<std::uint32_t>(g));
  if (added) {
    psuStratum.push_back(static_cast<std::uint32_t>(stratum));
    m_psuRow.push_back(row);
    ++strataFigures[stratum].psus;
  } else if (psuStratum[g] != stratum) {
    return Format("the PSU \"%s\" is in stratum \"%s\" at row %lld and in stratum \"%s\" here; ",
                  Excerpt(code.text).c_str(), Excerpt(strataCodes.Name(psuStratum[g])).c_str(), m_psuRow[g],
                  Excerpt(strataCodes.Name(stratum)).c_str()) +
           "give nest where PSU codes repeat across strata";
  }
  return g;
}

namespace {

std::variant<std::size_t, DataProblem> Column(const DataFile& file, const std::string& shown, const std::string& name,
                                              bool numeric) {
  const std::optional<std::size_t> column = file.Find(name);
  if (!column) return DataProblem{shown, 0, name, "no such variable in the file"};
  if (numeric && !IsVariableNumeric(file, *column))
    return DataProblem{shown, 0, file.Variables()[*column].name, "the variable is not numeric"};
  return *column;
}

// A name as a family's prefix and its number: "w17" is ("w", 17).
std::optional<std::pair<std::string, long long>> Numbered(std::string_view name) {
  std::size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  if (digits == name.size() || name.size() - digits > 9) return std::nullopt;
  return std::pair(std::string(name.substr(0, digits)), std::stoll(std::string(name.substr(digits))));
}

bool SamePrefix(std::string_view a, std::string_view b, bool anyCase) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return anyCase ? std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y))
                          : x == y;
         });
}

// The columns PREFIX<number>, by number (exactly so, else regardless of
// case), every number from `from` to `to` present once when those are given.
std::variant<std::vector<std::size_t>, DataProblem> Family(const DataFile& file, const std::string& shown,
                                                           const std::string& prefix, std::string_view given,
                                                           std::optional<std::pair<long long, long long>> range) {
  std::map<long long, std::size_t> found;
  for (bool anyCase : {false, true}) {
    for (std::size_t i = 0; i < file.Variables().size(); ++i) {
      const auto numbered = Numbered(file.Variables()[i].name);
      if (!numbered || !SamePrefix(numbered->first, prefix, anyCase)) continue;
      if (range && (numbered->second < range->first || numbered->second > range->second)) continue;
      const auto [at, added] = found.emplace(numbered->second, i);
      if (!added)
        return DataProblem{shown, 0, file.Variables()[i].name,
                           "replicates=" + Excerpt(given) + ": both \"" + Excerpt(file.Variables()[at->second].name) +
                               "\" and this variable have number " + std::to_string(numbered->second)};
    }
    if (!found.empty()) break;
  }
  if (found.empty())
    return DataProblem{shown, 0, {}, "replicates=" + Excerpt(given) + ": no variable of the file is named so"};
  const long long first = range ? range->first : found.begin()->first;
  const long long last = range ? range->second : found.rbegin()->first;
  for (long long k = first; k <= last; ++k)
    if (!found.contains(k))
      return DataProblem{shown,
                         0,
                         {},
                         "replicates=" + Excerpt(given) + ": no variable " + Excerpt(prefix) + std::to_string(k) +
                             " among " + std::to_string(found.size()) + " found"};
  std::vector<std::size_t> columns;
  for (const auto& [k, column] : found) columns.push_back(column);
  return columns;
}

std::variant<std::vector<std::size_t>, DataProblem> ReplicateColumnsOf(const DataFile& file, const std::string& shown,
                                                                       const ReplicateColumns& wanted) {
  std::variant<std::vector<std::size_t>, DataProblem> columns = std::vector<std::size_t>();
  using Form = ReplicateColumns::Form;
  if (wanted.form == Form::Prefix) {
    columns = Family(file, shown, wanted.prefix, wanted.prefix + "*", std::nullopt);
  } else if (wanted.form == Form::Range) {
    const auto a = Numbered(wanted.first), b = Numbered(wanted.last);
    const std::string given = wanted.first + "-" + wanted.last;
    if (!a || !b || a->first != b->first || a->second >= b->second)
      return DataProblem{
          shown,
          0,
          {},
          "replicates=" + Excerpt(given) + ": a range runs from PREFIX<number> to PREFIX<greater number>"};
    columns = Family(file, shown, a->first, given, std::pair(a->second, b->second));
  } else {
    for (const std::string& name : wanted.names) {
      auto column = Column(file, shown, name, true);
      if (auto* problem = std::get_if<DataProblem>(&column)) return *problem;
      std::get<0>(columns).push_back(std::get<std::size_t>(column));
    }
  }
  if (auto* list = std::get_if<std::vector<std::size_t>>(&columns)) {
    for (std::size_t c : *list)
      if (!IsVariableNumeric(file, c))
        return DataProblem{shown, 0, file.Variables()[c].name, "the replicate weight is not numeric"};
    if (list->size() < 2)
      return DataProblem{shown, 0, list->empty() ? std::string() : file.Variables()[(*list)[0]].name,
                         "a replicate design needs at least two replicate weights"};
  }
  return columns;
}

// The conventions of R survey's svrepdesign for each type.
double TypeScale(ReplicateType type, double R, double rho) {
  switch (type) {
    case ReplicateType::JK1: return (R - 1) / R;
    case ReplicateType::JKn: return 1;
    case ReplicateType::BRR: return 1 / R;
    case ReplicateType::Fay: return 1 / (R * (1 - rho) * (1 - rho));
    case ReplicateType::Bootstrap: return 1 / (R - 1);
    case ReplicateType::SDR: return 4 / R;
  }
  return 1;
}

// A weight that is there, a number, and 0 or more.
std::optional<std::string> WeightFault(const Value& w) {
  if (w.missing) return "the weight is missing";
  if (!w.numeric) return NotANumber(w.text);
  if (w.number < 0) return "the weight " + data::ShortestText(w.number) + " is negative";
  return std::nullopt;
}

// Every row of `columns` to `row`, which gives the problem that stops the pass.
template <typename RowFn>
std::optional<DataProblem> EachRow(const DataFile& file, const Design& d, const std::vector<std::size_t>& columns,
                                   RowFn row) {
  std::optional<DataProblem> bad;
  auto visit = [&](long long r, std::span<const Value> v) {
    bad = row(r, v);
    return !bad;
  };
  if (auto problem = file.Scan(columns, visit)) return problem;
  if (bad) return bad;
  if (d.units == 0) return DataProblem{d.file, 0, {}, "the file has no data rows"};
  return std::nullopt;
}

// The pass over a Taylor design's columns, and then its strata's figures.
class TaylorReader {
 public:
  TaylorReader(Design& d, const DataFile& file) : m_d(d), m_file(file) {}

  std::optional<DataProblem> Read() {
    std::vector<std::size_t> columns{m_d.weight};
    for (const auto& c : {m_d.strata, m_d.psu, m_d.fpc})
      if (c) columns.push_back(*c);
    if (auto problem = EachRow(m_file, m_d, columns, [&](long long row, auto v) { return Row(row, v); }))
      return problem;
    return Strata();
  }

 private:
  DataProblem Problem(long long row, std::size_t column, std::string text) const {
    return {m_d.file, row, m_file.Variables()[column].name, std::move(text)};
  }

  std::optional<DataProblem> Row(long long row, std::span<const Value> v) {
    if (auto fault = WeightFault(v[0])) return Problem(row, m_d.weight, *fault);
    std::size_t k = 1;
    const Value* stratum = m_d.strata ? &v[k++] : nullptr;
    if (stratum && stratum->missing) return Problem(row, *m_d.strata, "the stratum is missing");
    const std::size_t h = m_d.AddStratum(stratum, row);
    Stratum& s = m_d.strataFigures[h];
    const bool positive = v[0].number > 0;
    if (m_d.psu) {
      const Value& psu = v[k++];
      if (psu.missing) return Problem(row, *m_d.psu, "the PSU is missing");
      auto g = m_d.AddPsu(h, psu, row);
      if (auto* text = std::get_if<std::string>(&g)) return Problem(row, *m_d.psu, *text);
      const std::size_t psu_ = std::get<std::size_t>(g);
      if (m_positive.size() <= psu_) m_positive.resize(psu_ + 1, 0);
      if (positive && !m_positive[psu_]) ++s.positivePsus, m_positive[psu_] = 1;
    } else {
      ++s.psus;
      s.positivePsus += positive;
    }
    if (m_d.fpc) {
      const Value& f = v[k];
      if (f.missing) return Problem(row, *m_d.fpc, "the fpc is missing");
      if (!f.numeric) return Problem(row, *m_d.fpc, NotANumber(f.text));
      if (!(f.number > 0)) return Problem(row, *m_d.fpc, "the fpc " + data::ShortestText(f.number) + " is not above 0");
      if (s.fpcRow == 0) {
        s.fpc = f.number;
        s.fpcRow = row;
      } else if (f.number != s.fpc) {
        return Problem(row, *m_d.fpc,
                       Format("the fpc %s differs from %s at row %lld of the same stratum",
                              data::ShortestText(f.number).c_str(), data::ShortestText(s.fpc).c_str(), s.fpcRow));
      }
    }
    ++m_d.units;
    m_d.zeroWeights += !positive;
    m_d.sumWeights = m_d.sumWeights + Exact(v[0].number);
    return std::nullopt;
  }

  std::string StratumName(std::size_t h) const {
    return m_d.strata ? "stratum \"" + Excerpt(m_d.strataCodes.Name(h)) + "\"" : "the sample";
  }

  // Each stratum's finite population correction and single-PSU check; the degrees of freedom.
  std::optional<DataProblem> Strata() {
    m_d.fractions = m_d.fpc && std::all_of(m_d.strataFigures.begin(), m_d.strataFigures.end(),
                                           [](const Stratum& s) { return s.fpc <= 1; });
    double positivePsus = 0, positiveStrata = 0;
    for (std::size_t h = 0; h < m_d.strataFigures.size(); ++h) {
      Stratum& s = m_d.strataFigures[h];
      const auto n = static_cast<double>(s.psus);
      if (m_d.fpc) {
        const double N = m_d.fractions ? n / s.fpc : s.fpc;
        if (N < n)
          return Problem(s.fpcRow, *m_d.fpc,
                         Format("the fpc %s is smaller than the %zu PSUs sampled in %s",
                                data::ShortestText(s.fpc).c_str(), s.psus, StratumName(h).c_str()));
        s.factor = (N - n) / N;
      }
      // A stratum taken whole adds no variance: it is no lonely stratum.
      s.lonely = s.psus == 1 && !(s.factor < 1e-7);
      positivePsus += static_cast<double>(s.positivePsus);
      positiveStrata += s.positivePsus > 0;
    }
    m_d.psus = m_d.psu ? m_d.psuStratum.size() : static_cast<std::size_t>(m_d.units);
    m_d.df = positivePsus - positiveStrata;
    if (m_d.request.lonely != Lonely::Fail) return std::nullopt;
    for (std::size_t h : m_d.LonelyStrata()) {
      const std::size_t column = m_d.strata ? *m_d.strata : m_d.psu ? *m_d.psu : m_d.weight;
      const long long row = m_d.strata ? m_d.strataCodes.FirstRow(h) : 1;
      return Problem(row, column,
                     StratumName(h) +
                         " has a single PSU; lonely=remove, certainty, adjust or average says what "
                         "it adds to a variance");
    }
    return std::nullopt;
  }

  Design& m_d;
  const DataFile& m_file;
  std::vector<char> m_positive;  // by PSU: a unit weighted above 0
};

// The pass over a replicate design's columns: every weight checked, each JKn
// replicate's stratum found, and the Gram matrix of the replicate weights
// for the rank that gives the degrees of freedom.
class ReplicateReader {
 public:
  ReplicateReader(Design& d, const DataFile& file) : m_d(d), m_file(file), m_r(*d.replicates) {}

  std::optional<DataProblem> Read() {
    const std::size_t R = m_r.columns.size();
    m_gram.assign(R * R, 0.0);
    m_previous.assign(R, 0.0);
    m_row.assign(R, 0.0);
    m_stratumOf.assign(R, kNone);
    std::vector<std::size_t> columns{m_d.weight};
    if (m_d.strata) columns.push_back(*m_d.strata);
    columns.insert(columns.end(), m_r.columns.begin(), m_r.columns.end());
    if (auto problem = EachRow(m_file, m_d, columns, [&](long long row, auto v) { return Row(row, v); }))
      return problem;
    Flush();
    for (std::size_t i = 0; i < R; ++i)
      for (std::size_t j = 0; j < i; ++j) m_gram[i * R + j] = m_gram[j * R + i];
    m_d.df = static_cast<double>(GramRank(m_gram, R, 1e-5)) - 1;
    m_d.psus = 0;
    return Conventions();
  }

 private:
  static constexpr std::size_t kNone = ~std::size_t{0};

  std::optional<DataProblem> Row(long long row, std::span<const Value> v) {
    if (auto fault = WeightFault(v[0])) return DataProblem{m_d.file, row, m_file.Variables()[m_d.weight].name, *fault};
    std::size_t h = 0, k = 1;
    if (m_d.strata) {
      if (v[1].missing)
        return DataProblem{m_d.file, row, m_file.Variables()[*m_d.strata].name, "the stratum is missing"};
      h = m_d.AddStratum(&v[k++], row);
    } else {
      m_d.AddStratum(nullptr, row);
    }
    const std::size_t R = m_r.columns.size();
    for (std::size_t r = 0; r < R; ++r) {
      const Value& w = v[k + r];
      const std::string& name = m_r.names[r];
      if (w.missing) return DataProblem{m_d.file, row, name, "the replicate weight is missing"};
      if (!w.numeric) return DataProblem{m_d.file, row, name, NotANumber(w.text)};
      m_row[r] = w.number;
      if (m_r.type == ReplicateType::JKn && w.number == 0 && v[0].number > 0) {
        if (m_stratumOf[r] == kNone) {
          m_stratumOf[r] = h;
          m_stratumRow.emplace(r, row);
        } else if (m_stratumOf[r] != h) {
          return DataProblem{m_d.file, row, name,
                             Format("the replicate drops units of stratum \"%s\" here and of stratum \"%s\" at row "
                                    "%lld; a JKn replicate drops a PSU of one stratum",
                                    Excerpt(m_d.strataCodes.Name(h)).c_str(),
                                    Excerpt(m_d.strataCodes.Name(m_stratumOf[r])).c_str(), m_stratumRow[r])};
        }
      }
    }
    Gram();
    ++m_d.units;
    m_d.zeroWeights += !(v[0].number > 0);
    m_d.sumWeights = m_d.sumWeights + Exact(v[0].number);
    return std::nullopt;
  }

  // Rows repeated one after another (the units of a PSU often share their
  // weights) are added once, times their count.
  void Gram() {
    if (m_count > 0 && m_row == m_previous) {
      ++m_count;
      return;
    }
    Flush();
    m_previous.swap(m_row);
    m_row.resize(m_previous.size());
    m_count = 1;
  }

  void Flush() {
    const std::size_t R = m_previous.size();
    const auto m = static_cast<double>(m_count);
    for (std::size_t i = 0; i < R && m_count > 0; ++i) {
      const double a = m * m_previous[i];
      double* row = &m_gram[i * R];
      for (std::size_t j = i; j < R; ++j) row[j] += a * m_previous[j];
    }
    m_count = 0;
  }

  std::optional<DataProblem> Conventions() {
    const std::size_t R = m_r.columns.size();
    m_r.rscales.assign(R, 1.0);
    if (m_r.type == ReplicateType::JKn) {
      std::vector<double> perStratum(m_d.strataFigures.size(), 0.0);
      for (std::size_t r = 0; r < R; ++r) {
        if (m_stratumOf[r] == kNone)
          return DataProblem{m_d.file, 0, m_r.names[r],
                             "the replicate weight is 0 for no unit weighted above 0; a JKn replicate drops a PSU"};
        ++perStratum[m_stratumOf[r]];
      }
      for (std::size_t r = 0; r < R; ++r) {
        const double n = perStratum[m_stratumOf[r]];
        m_r.rscales[r] = (n - 1) / n;
      }
    }
    const ReplicateRequest& q = *m_d.request.replicates;
    m_r.scaleGiven = q.scale.has_value();
    m_r.scale = q.scale ? *q.scale : TypeScale(m_r.type, static_cast<double>(R), m_r.rho);
    m_r.mseGiven = q.mse.has_value();
    m_r.mse = q.mse.value_or(false);
    return std::nullopt;
  }

  Design& m_d;
  const DataFile& m_file;
  Replicates& m_r;
  std::vector<double> m_gram, m_previous, m_row;
  long long m_count = 0;
  std::vector<std::size_t> m_stratumOf;
  std::map<std::size_t, long long> m_stratumRow;
};

}  // namespace

std::size_t GramRank(const std::vector<double>& gram, std::size_t columns, double tol) {
  // Left-looking Cholesky over the columns kept: l[k][j] for kept k.
  std::vector<std::size_t> kept;
  std::vector<std::vector<double>> l;  // by kept column: its row of the factor, over all columns
  for (std::size_t j = 0; j < columns; ++j) {
    const double length2 = gram[j * columns + j];
    std::vector<double> lj(kept.size());
    double rest = length2;
    for (std::size_t k = 0; k < kept.size(); ++k) {
      double s = gram[kept[k] * columns + j];
      for (std::size_t m = 0; m < k; ++m) s -= l[k][m] * lj[m];
      lj[k] = s / l[k][k];
      rest -= lj[k] * lj[k];
    }
    if (!(length2 > 0) || !(rest > 0) || std::sqrt(rest) < tol * std::sqrt(length2)) continue;
    lj.push_back(std::sqrt(rest));
    kept.push_back(j);
    l.push_back(std::move(lj));
  }
  return kept.size();
}

std::variant<Design, DataProblem> ReadDesign(const DataFile& file, const std::string& shown,
                                             const DesignRequest& request) {
  Design d;
  d.request = request;
  d.file = shown;
  d.stamp = FileStamp(file);
  auto resolve = [&](const std::string& name, bool numeric, std::size_t& out) -> std::optional<DataProblem> {
    auto column = Column(file, shown, name, numeric);
    if (auto* problem = std::get_if<DataProblem>(&column)) return *problem;
    out = std::get<std::size_t>(column);
    return std::nullopt;
  };
  if (auto problem = resolve(request.weight, true, d.weight)) return *problem;
  const std::pair<const std::optional<std::string>*, std::optional<std::size_t>*> optional[] = {
      {&request.strata, &d.strata}, {&request.psu, &d.psu}, {&request.fpc, &d.fpc}};
  for (const auto& [name, column] : optional) {
    if (!*name) continue;
    std::size_t c = 0;
    if (auto problem = resolve(**name, name == &request.fpc, c)) return *problem;
    *column = c;
  }
  if (request.replicates) {
    auto columns = ReplicateColumnsOf(file, shown, request.replicates->columns);
    if (auto* problem = std::get_if<DataProblem>(&columns)) return *problem;
    Replicates& r = d.replicates.emplace();
    r.type = request.replicates->type;
    r.rho = request.replicates->rho.value_or(0);
    r.columns = std::get<std::vector<std::size_t>>(std::move(columns));
    for (std::size_t c : r.columns) r.names.push_back(file.Variables()[c].name);
    if (auto problem = ReplicateReader(d, file).Read()) return *problem;
  } else if (auto problem = TaylorReader(d, file).Read()) {
    return *problem;
  }
  return d;
}

std::optional<ReplicateProposal> ProposeReplicates(const std::vector<data::Variable>& variables) {
  std::map<std::string, std::vector<long long>> families;
  for (const data::Variable& v : variables)
    if (const auto numbered = Numbered(v.name)) families[numbered->first].push_back(numbered->second);
  std::optional<ReplicateProposal> best;
  for (auto& [prefix, numbers] : families) {
    std::sort(numbers.begin(), numbers.end());
    // 1..R, each once: the usual numbering of replicate columns.
    bool run = numbers.size() >= 2;
    for (std::size_t i = 0; run && i < numbers.size(); ++i) run = numbers[i] == static_cast<long long>(i + 1);
    if (run && !prefix.empty() && (!best || numbers.size() > best->count))
      best = ReplicateProposal{prefix, numbers.size(), ReplicateType::JK1};
  }
  if (!best) return best;
  std::string lower;
  for (char c : best->prefix) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // Words the usual families carry in their names; jackknife (JK1) otherwise.
  const std::pair<const char*, ReplicateType> kWords[] = {
      {"brr", ReplicateType::BRR},        {"fay", ReplicateType::Fay},      {"jkn", ReplicateType::JKn},
      {"boot", ReplicateType::Bootstrap}, {"bs", ReplicateType::Bootstrap}, {"sdr", ReplicateType::SDR},
      {"pwgtp", ReplicateType::SDR},      {"wgtp", ReplicateType::SDR}};
  for (const auto& [word, type] : kWords)
    if (lower.find(word) != std::string::npos) {
      best->type = type;
      break;
    }
  return best;
}

}  // namespace mirto::survey
