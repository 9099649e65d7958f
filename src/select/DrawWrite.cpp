// The pass that writes a draw: every frame row read whole, the chosen ones
// kept with the columns the design adds, then the checks and the files.
#include <algorithm>
#include <cmath>

#include "framework/Format.h"
#include "framework/Results.h"
#include "journal/Excerpt.h"
#include "select/DrawRun.h"

namespace mirto::select {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// Two arcs of the units of a systematic PPS draw that never meet.
constexpr double kApart = 1e-12;

}  // namespace

void DrawRun::Columns() {
  if (m_r.design == Design::TwoStage)
    m_columns.added = {"pi1", "pi2", "pi", "weight", "group_units"};
  else if (m_r.WithReplacement())
    m_columns.added = {"q", "hits", "weight"};
  else
    m_columns.added = {"pi", "weight"};
  if (m_r.design == Design::Cluster) m_columns.added.push_back("group_units");
  m_columns.frame = m_frame->Variables();
  auto taken = [&](std::string_view name, std::size_t self) {
    for (std::size_t i = 0; i < m_columns.frame.size(); ++i)
      if (i != self && SameName(m_columns.frame[i].name, name)) return true;
    return std::any_of(m_columns.added.begin(), m_columns.added.end(),
                       [&](const std::string& a) { return SameName(a, name); });
  };
  for (std::size_t i = 0; i < m_columns.frame.size(); ++i) {
    data::Variable& v = m_columns.frame[i];
    if (std::none_of(m_columns.added.begin(), m_columns.added.end(),
                     [&](const std::string& a) { return SameName(a, v.name); }))
      continue;
    std::string name = v.name + "_frame";
    for (int k = 2; taken(name, i); ++k) name = v.name + "_frame" + std::to_string(k);
    m_result.renamed.emplace_back(v.name, name);
    v.name = name;
  }
}

void DrawRun::Add(long long row, std::span<const Value> values, std::vector<double> added) {
  SampleRow& r = m_rows.emplace_back();
  r.row = row;
  r.Keep(values.subspan(m_frameFrom));
  r.added = std::move(added);
}

std::optional<DataProblem> DrawRun::WritePass() {
  Columns();
  // The design's values first, read; the frame's after them, read only for the rows kept.
  std::vector<std::size_t> columns;
  Slots slots;
  for (auto [column, slot] :
       {std::pair(&m_stratum, &slots.stratum), std::pair(&m_group, &slots.group), std::pair(&m_size, &slots.size)}) {
    if (!*column) continue;
    *slot = static_cast<int>(columns.size());
    columns.push_back(**column);
  }
  m_frameFrom = columns.size();
  for (std::size_t i = 0; i < m_frame->Variables().size(); ++i) columns.push_back(i);
  if (m_frameFrom == 0 && ModeOf() == Mode::Positions && m_strata.size() == 1) return ChosenPass(columns, slots);
  if (m_spillSizes) return SpilledPass();
  return Pass(
      columns,
      [&](long long row, std::span<const Value> values) {
        return m_r.Groups() ? TakeGroupUnit(row, values, slots) : Take(row, values, slots);
      },
      m_frameFrom);
}

// Units chosen by position from a frame only counted (systematic, with
// replacement): their rows alone are read whole, the others passed over.
std::optional<DataProblem> DrawRun::ChosenPass(const std::vector<std::size_t>& columns, const Slots& slots) {
  Stratum& s = m_strata[0];
  std::vector<long long> rows(s.chosen.size());
  for (std::size_t k = 0; k < rows.size(); ++k) rows[k] = s.chosen[k] + 1;
  std::optional<DataProblem> stop;
  long long total = 0;
  auto problem = m_frame->ScanRows(
      columns, 0, rows,
      [&](long long row, std::span<const Value> values) {
        s.seen = row - 1;  // the unit's position, as if every row were taken
        stop = Take(row, values, slots);
        return !stop;
      },
      total);
  if (stop || problem) return stop ? stop : problem;
  if (total != s.N) return data::MakeProblem(m_result.frame, "the frame changed while it was read");
  return std::nullopt;
}

bool DrawRun::Judge(long long row, std::size_t si, double x, std::vector<double>& added) {
  Stratum& s = m_strata[si];
  const long long t = s.seen++;
  double pi = 0, start = 0;
  long long hits = 0;
  bool certain = false;
  const bool sizes = UnitSizes(), replace = m_r.WithReplacement();
  if (sizes && !replace) {
    pi = s.certainty.Pi(x);
    s.piSum.Add(pi);
    if (x >= s.certainty.from) {
      certain = true;
      hits = 1;
      ++s.certainSeen;
      m_result.certain.push_back({row, x, si});
    }
  } else if (sizes) {
    s.piSum.Add(static_cast<double>(s.n) * (x / s.X.Value()));
  }
  switch (m_mode) {
    case Mode::Positions:
      while (s.next < s.chosen.size() && s.chosen[s.next] == t) {
        ++hits;
        ++s.next;
      }
      break;
    case Mode::Rows:
      if (m_nextRow < m_chosenRows.size() && m_chosenRows[m_nextRow].row == row) {
        hits = 1;
        start = m_chosenRows[m_nextRow++].start;
      }
      break;
    case Mode::Walk:
      if (certain) break;
      hits = s.walk.Next(x);
      if (s.spacing > 0 && (hits > 0 || s.keepArcs)) start = s.walk.Start() / s.spacing;
      if (s.keepArcs) s.arcs.emplace_back(start, pi);
      break;
    default: break;
  }
  if (s.sampford && !certain && hits == 0) s.sampford->AddUndrawn(pi);
  if (hits == 0) return false;
  const double n = static_cast<double>(s.n), N = static_cast<double>(s.N);
  if (replace) {
    const double q = sizes ? x / s.X.Value() : 1.0 / N;
    added = {q, static_cast<double>(hits), 1.0 / (n * q)};
    return true;
  }
  if (!sizes) pi = n / N;
  m_drawn.push_back({si, pi, start, certain});
  added = {pi, 1.0 / pi};
  return true;
}

std::optional<DataProblem> DrawRun::Take(long long row, std::span<const Value> values, const Slots& slots) {
  std::size_t si = 0;
  if (auto p = StratumOf(row, slots.stratum >= 0 ? &values[static_cast<std::size_t>(slots.stratum)] : nullptr, si))
    return p;
  Stratum& s = m_strata[si];
  if (m_mode == Mode::Reservoir) {
    ++s.seen;
    if (!s.reservoir) s.reservoir.emplace(s.n);
    // The first n units fill the places in turn: they grow with the frame, not with n alone.
    if (const long long slot = s.reservoir->Offer(m_g); slot >= 0) {
      if (static_cast<std::size_t>(slot) == s.slots.size()) s.slots.emplace_back();
      s.slots[static_cast<std::size_t>(slot)].row = row;
      s.slots[static_cast<std::size_t>(slot)].Keep(values.subspan(m_frameFrom));
    }
    return std::nullopt;
  }
  double x = 0;
  if (slots.size >= 0)
    if (auto p = SizeOf(row, values[static_cast<std::size_t>(slots.size)], x)) return p;
  if (std::vector<double> added; Judge(row, si, x, added)) Add(row, values, std::move(added));
  return std::nullopt;
}

// A walk by size from the census's sizes: the rows drawn are known before
// the frame is read again, and only they are read whole.
std::optional<DataProblem> DrawRun::SpilledPass() {
  std::vector<long long> rows;
  std::vector<std::vector<double>> added;
  std::vector<double> kept;
  const bool systematic = m_mode == Mode::Walk && !m_r.WithReplacement();
  const auto judge = [&](long long row, std::size_t si, double x) {
    if (Judge(row, si, x, kept)) {
      rows.push_back(row);
      added.push_back(std::move(kept));
    }
  };
  auto problem =
      systematic && !m_spillStrata && m_strata.size() == 1 && !m_strata[0].keepArcs
          ? SpilledWalk(judge)
          : Spilled([&](long long row, std::size_t si, double x) -> std::optional<DataProblem> {
              // Most units are neither certain nor drawn: counted and their pi added as Judge does, the walk past them.
              if (Stratum& s = m_strata[si]; systematic && x < s.certainty.from && !s.keepArcs && s.walk.Passes(x)) {
                ++s.seen;
                s.piSum.Add(s.certainty.Pi(x));
                return std::nullopt;
              }
              judge(row, si, x);
              return std::nullopt;
            });
  m_spillSizes.reset();
  m_spillStrata.reset();
  if (problem) return problem;
  std::vector<std::size_t> columns(m_frame->Variables().size());
  for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = i;
  m_frameFrom = 0;
  std::size_t next = 0;
  const auto visit = [&](long long row, std::span<const Value> values) {
    if (next < rows.size() && rows[next] == row) Add(row, values, std::move(added[next++]));
    return true;
  };
  long long total = m_spilled;
  if (std::vector<data::RowMark> from; MarksOf(rows, from))
    problem = m_frame->ReadMarked(from, rows, columns, visit, m_stamp);
  else
    problem = m_frame->ScanRows(columns, 0, rows, visit, total);
  if (problem) return problem;
  if (total != m_spilled || next != rows.size())
    return data::MakeProblem(m_result.frame, "the frame changed while it was read");
  return std::nullopt;
}

// One stratum's systematic walk over the census's sizes: the units passed
// a chunk at a time, each other unit judged whole.
template <typename Judged>
std::optional<DataProblem> DrawRun::SpilledWalk(const Judged& judge) {
  Stratum& s = m_strata[0];
  const auto failed = [&] { return data::MakeProblem({}, "cannot read back the draw's temporary file"); };
  if (!m_spillSizes->Rewind()) return failed();
  long long row = 0;
  for (std::span<const double> chunk = m_spillSizes->Chunk(); !chunk.empty(); chunk = m_spillSizes->Chunk()) {
    const std::size_t passed = s.walk.PassAll(chunk, s.certainty.from, s.certainty, s.piSum);
    s.seen += static_cast<long long>(passed);
    row += static_cast<long long>(passed);
    m_spillSizes->Skip(passed);
    if (passed == chunk.size()) continue;
    m_spillSizes->Skip(1);
    judge(++row, 0, chunk[passed]);
  }
  if (!m_spillSizes->Ok() || row != m_spilled) return failed();
  return std::nullopt;
}

// Each row's mark, the last at or before it, from the census's marks.
bool DrawRun::MarksOf(const std::vector<long long>& rows, std::vector<data::RowMark>& from) {
  if (!m_spillMarks || !m_spillMarks->Rewind()) return false;
  data::RowMark mark, ahead;
  bool more = m_spillMarks->Next(ahead);
  for (long long row : rows) {
    while (more && ahead.row <= row) {
      mark = ahead;
      more = m_spillMarks->Next(ahead);
    }
    if (mark.row == 0) return false;
    from.push_back(mark);
  }
  const bool ok = m_spillMarks->Ok();
  m_spillMarks.reset();
  return ok;
}

std::optional<DataProblem> DrawRun::TakeGroupUnit(long long row, std::span<const Value> values, const Slots& slots) {
  const Value& v = values[static_cast<std::size_t>(slots.group)];
  if (v.missing) return Problem("the group is missing", row, m_r.group);
  if (!m_lastGroup.Same(v)) {
    const auto it = m_groupsByKey.find(KeyOf(v));
    if (it == m_groupsByKey.end()) return Problem("the frame changed while it was read", row, m_r.group);
    m_lastGroup.Set(v, it->second);
  }
  Group& g = m_groups[m_lastGroup.index];
  if (!g.hits) return std::nullopt;
  const double units = static_cast<double>(g.units);
  if (m_r.design == Design::Cluster) {
    const double n = static_cast<double>(m_strata[g.stratum].n);
    if (m_r.WithReplacement())
      Add(row, values, {g.pi, static_cast<double>(g.hits), 1.0 / (n * g.pi), units});
    else
      Add(row, values, {g.pi, 1.0 / g.pi, units});
    return std::nullopt;
  }
  const long long u = g.seen++;
  if (g.next >= g.chosen.size() || g.chosen[g.next] != u) return std::nullopt;
  ++g.next;
  const double pi2 = static_cast<double>(m_r.m) / units;
  Add(row, values, {g.pi, pi2, g.pi * pi2, 1.0 / (g.pi * pi2), units});
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::Finish() {
  bool reservoir = false;
  for (Stratum& s : m_strata) {
    if (!s.reservoir) continue;
    reservoir = true;
    s.N = s.units = s.seen;
    if (s.n > s.N) {
      if (!m_r.Stratified())
        return data::MakeProblem(m_result.frame, Format("n= %lld is larger than the frame's N= %lld units", s.n, s.N));
      return ForStratum(s, Format("n_h= %lld is larger than N_h= %lld units", s.n, s.N));
    }
    const double pi = static_cast<double>(s.n) / static_cast<double>(s.N);
    for (SampleRow& r : s.slots) {
      r.added = {pi, 1.0 / pi};
      m_rows.push_back(std::move(r));
    }
    std::vector<SampleRow>().swap(s.slots);
  }
  if (reservoir) {
    std::sort(m_rows.begin(), m_rows.end(), [](const SampleRow& a, const SampleRow& b) { return a.row < b.row; });
    // Strata that no row named may still be in sizes=.
    if (auto p = CheckSizes()) return p;
  }
  for (Stratum& s : m_strata) {
    if (s.walk.Broken()) return ForStratum(s, "rounding put two draws on one unit; draw again with another seed");
    if (s.certainSeen != (UnitSizes() && !m_r.WithReplacement() ? s.certainty.units : 0))
      return ForStratum(s, "the certainty units found twice do not agree");
    if (!UnitSizes() && !m_r.Groups()) {
      const double n = static_cast<double>(s.n), N = static_cast<double>(s.N);
      s.piSum.Add(N * (m_r.replace ? n * (1.0 / N) : n / N));
    }
    if (s.keepArcs && !m_result.zeroPairs)
      for (std::size_t i = 0; i < s.arcs.size() && !m_result.zeroPairs; ++i)
        for (std::size_t j = i + 1; j < s.arcs.size() && !m_result.zeroPairs; ++j)
          m_result.zeroPairs =
              SystematicJoint(s.arcs[i].first, s.arcs[i].second, s.arcs[j].first, s.arcs[j].second) <= kApart;
  }
  return CheckSums();
}

std::optional<DataProblem> DrawRun::CheckSums() {
  RunningSum total, expected;
  for (const Stratum& s : m_strata) {
    StratumResult& r = m_result.strata.emplace_back();
    r.name = s.name;
    r.N = s.N;
    r.units = s.units;
    r.n = s.n;
    r.sd = s.sd;
    r.cost = s.cost;
    r.certainty = s.certainty.units;
    r.piSum = s.piSum.Value();
    const double n = static_cast<double>(s.n);
    if (!(std::fabs(r.piSum - n) <= 1e-9 * std::max(1.0, n)))
      return ForStratum(s, Format("the check failed: the probabilities add up to %.17g, not %lld", r.piSum, s.n));
    m_result.N += s.units;
    m_result.groups += m_r.Groups() ? s.N : 0;
    total.Add(r.piSum);
    expected.Add(n);
  }
  m_result.piSum = total.Value();
  m_result.expected = expected.Value();
  m_result.rows = static_cast<long long>(m_rows.size());
  if (m_r.design == Design::Systematic && !m_r.Stratified() && !m_strata.empty())
    m_result.interval = static_cast<double>(m_strata[0].N) / static_cast<double>(m_strata[0].n);
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::PairsText(StagedFile& file) {
  const std::size_t n = m_rows.size();
  if (n > kMaxPairUnits)
    return data::MakeProblem(
        PathExcerpt(m_r.pairs),
        Format("the sample has %zu units: a pairs file is written for at most %zu", n, kMaxPairUnits));
  // Sampford: the exact p_ij of each stratum's drawn units.
  std::vector<std::vector<double>> sampford(m_strata.size());
  std::vector<std::size_t> local(n), drawn(m_strata.size());
  for (std::size_t h = 0; h < m_strata.size(); ++h) {
    if (!m_strata[h].sampford) continue;
    std::vector<double> pis;
    for (std::size_t k = 0; k < n; ++k)
      if (m_drawn[k].stratum == h && !m_drawn[k].certain) {
        local[k] = pis.size();
        pis.push_back(m_drawn[k].pi);
      }
    if (pis.size() > kMaxSampfordPairs)
      return ForStratum(m_strata[h], Format("Sampford's joint probabilities are computed for at most %zu draws in a "
                                            "stratum",
                                            kMaxSampfordPairs));
    auto pairs = m_strata[h].sampford->Pairs(pis);
    if (!pairs)
      return ForStratum(m_strata[h], "Sampford's joint probabilities cannot be computed to full precision here");
    sampford[h] = std::move(*pairs);
    drawn[h] = pis.size();
  }
  auto write = [&](const std::string& text) -> std::optional<DataProblem> {
    auto bad = file.Write(text);
    m_result.fileError = bad.has_value();
    return bad ? std::optional(data::MakeProblem({}, *bad)) : std::nullopt;
  };
  if (auto p = write("i,j,p_ij\n")) return p;
  for (std::size_t i = 0; i < n; ++i) {
    const Drawn& a = m_drawn[i];
    for (std::size_t j = i + 1; j < n; ++j) {
      const Drawn& b = m_drawn[j];
      double p = a.pi * b.pi;
      if (a.stratum == b.stratum && !a.certain && !b.certain) {
        const long long draws = m_strata[a.stratum].certainty.Draws();
        if (m_r.method == PpsMethod::Systematic)
          p = SystematicJoint(a.start, a.pi, b.start, b.pi);
        else if (m_r.method == PpsMethod::Brewer)
          p = BrewerJoint(a.pi, b.pi, draws);
        else {
          const std::size_t d = drawn[a.stratum], li = local[i], lj = local[j];
          p = sampford[a.stratum][li * (2 * d - li - 1) / 2 + (lj - li - 1)];
        }
      }
      if (auto q = write(Format("%zu,%zu,", i + 1, j + 1) + NumberText(p) + "\n")) return q;
      ++m_result.pairs;
    }
  }
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::WriteFiles() {
  auto fail = [&](const std::string& text) {
    m_result.fileError = true;
    return data::MakeProblem({}, text);
  };
  StagedFile sample, population, pairs;
  if (auto bad = sample.Open(m_r.out)) return fail(*bad);
  if (auto bad = WriteSample(sample, *m_format, m_columns, m_rows)) return fail(*bad);
  if (auto bad = sample.Finish()) return fail(*bad);
  if (!m_r.population.empty()) {
    if (auto bad = population.Open(m_r.population)) return fail(*bad);
    std::string text = CsvLine({m_r.Groups() ? m_r.group : m_r.stratum, m_r.Groups() ? "units" : "N_h"});
    if (m_r.Groups())
      for (const Group& g : m_groups) text += CsvLine({g.name, std::to_string(g.units)});
    else
      for (const Stratum& s : m_strata) text += CsvLine({s.name, std::to_string(s.units)});
    if (auto bad = population.Write(text)) return fail(*bad);
    if (auto bad = population.Finish()) return fail(*bad);
  }
  if (!m_r.pairs.empty()) {
    if (auto bad = pairs.Open(m_r.pairs)) return fail(*bad);
    if (auto p = PairsText(pairs)) return p;
    if (auto bad = pairs.Finish()) return fail(*bad);
  }
  for (StagedFile* f : {&population, &pairs, &sample})
    if (auto bad = f->Commit()) return fail(*bad);
  for (StagedFile* f : {&population, &pairs, &sample}) f->Keep();
  return std::nullopt;
}

}  // namespace mirto::select
