// A draw's passes before the one that writes: the census of the frame
// (strata, groups, sizes, sort keys), the allocation, the certainty units
// and the choice of positions, rows, walks or groups for each stratum.
#include "select/Draw.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <numeric>

#include "framework/Format.h"
#include "framework/Results.h"
#include "journal/Excerpt.h"
#include "journal/JournalFile.h"
#include "select/DrawRun.h"
#include "select/Parse.h"

namespace mirto::select {
namespace {

// A text value of the sort variable as a NaN carrying its number: numbers
// sort before texts, texts by their rank.
constexpr std::uint64_t kTextKey = 0x7ff8000000000000ull;
double TextKey(std::uint64_t id) { return std::bit_cast<double>(kTextKey | id); }
std::uint64_t TextId(double key) { return std::bit_cast<std::uint64_t>(key) & ~kTextKey; }
bool KeyLess(double a, double b) {
  const bool ta = std::isnan(a), tb = std::isnan(b);
  if (ta != tb) return tb;
  return ta ? TextId(a) < TextId(b) : a < b;
}

}  // namespace

std::string KeyOf(const Value& v) { return v.numeric ? "#" + NumberText(v.number + 0.0) : "$" + std::string(v.text); }

std::optional<DataProblem> RunDraw(const DrawRequest& request, const DrawOptions& options, DrawResult& result) {
  result = DrawResult{};
  result.request = request;
  // Groups drawn by size without a method: systematic, as the statement's help says.
  if (request.Groups() && !request.size.empty() && request.method == PpsMethod::None)
    result.request.method = PpsMethod::Systematic;
  DrawRun run(result.request, options, result);
  return run.Run();
}

std::optional<DataProblem> DrawRun::Run() {
  if (auto p = Prepare()) return p;
  m_mode = ModeOf();
  m_g = Generator(m_result.seed);
  if (NeedsCensus()) {
    if (auto p = Census()) return p;
    if (auto p = Allocate()) return p;
    if (auto p = CheckSizes()) return p;
    if (auto p = Certainties()) return p;
    if (auto p = Choose()) return p;
  }
  if (auto p = WritePass()) return p;
  if (auto p = Finish()) return p;
  return WriteFiles();
}

DataProblem DrawRun::Problem(std::string text, long long row, std::string variable) const {
  std::string file = row || !variable.empty() ? m_result.frame : std::string();
  return data::MakeProblem(std::move(file), std::move(text), row, 0, std::move(variable));
}

DataProblem DrawRun::ForStratum(const Stratum& s, std::string text) const {
  if (!m_r.Stratified()) return data::MakeProblem(m_result.frame, std::move(text));
  if (s.nLine > 0 && m_sizes)
    return data::MakeProblem(m_sizes->Shown(), "stratum \"" + s.name + "\": " + text, 0, s.nLine);
  return Problem("stratum \"" + s.name + "\": " + text, s.firstRow, m_r.stratum);
}

bool DrawRun::NeedsCensus() const {
  // An unstratified simple random draw counts first: its reservoir then runs over positions, and the pass
  // that writes reads only the rows drawn.
  return m_r.design != Design::Srs || m_r.replace || m_r.allocation != Allocation::None || !m_stratum;
}

Mode DrawRun::ModeOf() const {
  if (m_r.Groups()) return Mode::Groups;
  if (!m_r.sort.empty()) return Mode::Rows;
  if (m_r.design == Design::Srs && !m_r.replace) return m_stratum ? Mode::Reservoir : Mode::Positions;
  if (m_r.design == Design::Pps && (m_r.method == PpsMethod::WithReplacement || m_r.method == PpsMethod::Systematic))
    return Mode::Walk;
  return Mode::Positions;
}

std::optional<DataProblem> DrawRun::Prepare() {
  m_result.frame = PathExcerpt(m_r.frame);
  if (auto bad = CheckRequest(m_r)) return Problem(*bad);
  if (m_r.Groups() && m_r.method == PpsMethod::WithReplacement && m_r.design == Design::TwoStage)
    return Problem("draw two-stage draws its groups without replacement: method=systematic, sampford or brewer");
  for (const auto& [option, path] :
       {std::pair("out=", &m_r.out), std::pair("population=", &m_r.population), std::pair("pairs=", &m_r.pairs)}) {
    if (path->empty()) continue;
    if (SameFile(*path, m_r.frame)) return Problem(std::string(option) + PathExcerpt(*path) + " is the frame itself");
    for (const ReservedFile& reserved : m_options.reserved)
      if (!reserved.path.empty() && SameFile(*path, reserved.path))
        return Problem(std::string(option) + PathExcerpt(*path) + " is " + reserved.what);
  }
  m_format = FormatOf(m_r.out);
  if (!m_format)
    return Problem("out=" + Excerpt(m_r.out) + ": the sample file ends in .csv, .tsv, .txt, .sav, .zsav or .dta");
  std::optional<DataProblem> problem;
  m_frame = m_options.open ? m_options.open(m_r.frame, problem) : data::OpenDataFile(m_r.frame, problem);
  if (!m_frame) {
    m_result.fileError = ::access(m_r.frame.c_str(), R_OK) != 0;
    return problem;
  }
  m_result.frame = m_frame->Path().empty() ? m_result.frame : PathExcerpt(m_frame->Path());
  for (auto [name, column] : {std::pair(&m_r.size, &m_size), std::pair(&m_r.stratum, &m_stratum),
                              std::pair(&m_r.group, &m_group), std::pair(&m_r.sort, &m_sort)}) {
    if (name->empty()) continue;
    *column = m_frame->Find(*name);
    if (!*column) return Problem("no such variable in the frame", 0, *name);
  }
  if (!m_r.sd.empty()) {
    m_sdColumn = m_frame->Find(m_r.sd);
    if (m_sdColumn && m_r.Groups())
      return Problem("sd= a variable gives the deviation of units; for groups give sd=FILE (stratum, S_h)");
    if (!m_sdColumn && (problem = m_sdFile.emplace().Read(m_r.sd, PathExcerpt(m_r.sd), "S_h", false, true)))
      return problem;
  }
  if (!m_r.costFile.empty() &&
      (problem = m_costFile.emplace().Read(m_r.costFile, PathExcerpt(m_r.costFile), "the cost", false, false)))
    return problem;
  if (!m_r.sizes.empty() && (problem = m_sizes.emplace().Read(m_r.sizes, PathExcerpt(m_r.sizes), "n_h", true, true)))
    return problem;
  m_result.clockSeed = !m_r.seed;
  m_result.seed = m_r.seed ? *m_r.seed : ClockSeed();
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::Pass(
    std::vector<std::size_t> columns,
    const std::function<std::optional<DataProblem>(long long, std::span<const Value>)>& visit, std::size_t converted) {
  std::optional<DataProblem> stop;
  converted = std::min(converted, columns.size());
  auto problem = m_frame->ScanConverting(columns, converted, [&](long long row, std::span<const Value> values) {
    stop = visit(row, values);
    return !stop;
  });
  return stop ? stop : problem;
}

std::vector<std::size_t> DrawRun::DesignColumns(Slots& slots) const {
  std::vector<std::size_t> columns;
  auto add = [&](const std::optional<std::size_t>& column, int& slot) {
    if (!column) return;
    slot = static_cast<int>(columns.size());
    columns.push_back(*column);
  };
  add(m_stratum, slots.stratum);
  add(m_group, slots.group);
  add(m_size, slots.size);
  add(m_sort, slots.sort);
  add(m_sdColumn, slots.sd);
  return columns;
}

std::optional<DataProblem> DrawRun::SizeOf(long long row, const Value& v, double& x) const {
  if (v.missing) return Problem("the size is missing", row, m_r.size);
  if (!v.numeric) return Problem("\"" + Excerpt(v.text) + "\" is not a number", row, m_r.size);
  if (!(v.number > 0)) return Problem(Format("a size must be above 0, found %g", v.number), row, m_r.size);
  x = v.number;
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::NewStratumSize(Stratum& s) {
  if (!m_r.Stratified()) {
    s.n = m_r.n;
  } else if (m_sizes) {
    const StratumFigure* f = m_sizes->Find(s.name);
    if (!f) return Problem("the stratum \"" + s.name + "\" is not in " + m_sizes->Shown(), s.firstRow, m_r.stratum);
    s.n = static_cast<long long>(f->value);
    s.nLine = f->line;
  } else {
    return std::nullopt;  // allocated once the census is done
  }
  if (UnitSizes() && m_r.method == PpsMethod::Systematic) s.largest.emplace(static_cast<std::size_t>(s.n));
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::StratumOf(long long row, const Value* v, std::size_t& index) {
  if (!v && !m_strata.empty()) {
    index = 0;
    return std::nullopt;
  }
  std::string key;
  if (v) {
    if (v->missing) return Problem("the stratum is missing", row, m_r.stratum);
    if (m_lastStratum.Same(*v)) {
      index = m_lastStratum.index;
      return std::nullopt;
    }
    key = KeyOf(*v);
  }
  const auto [it, added] = m_strataByKey.emplace(key, m_strata.size());
  index = it->second;
  if (v) m_lastStratum.Set(*v, index);
  if (!added) return std::nullopt;
  Stratum& s = m_strata.emplace_back();
  s.key = key;
  s.name = v ? CellText(m_frame->Variables()[*m_stratum], *v) : std::string();
  s.firstRow = row;
  return NewStratumSize(s);
}

std::optional<DataProblem> DrawRun::GroupOf(long long row, const Value& v, std::size_t stratum, double size,
                                            std::size_t& index) {
  if (v.missing) return Problem("the group is missing", row, m_r.group);
  const auto [it, added] = m_groupsByKey.emplace(KeyOf(v), m_groups.size());
  index = it->second;
  if (added) {
    Group& g = m_groups.emplace_back();
    g.stratum = stratum;
    g.firstRow = row;
    g.size = size;
    g.name = CellText(m_frame->Variables()[*m_group], v);
    Stratum& s = m_strata[stratum];
    s.members.push_back(index);
    ++s.N;
    s.X.Add(size);
    return std::nullopt;
  }
  const Group& g = m_groups[index];
  if (g.stratum != stratum)
    return Problem(Format("the group \"%s\" is in the stratum \"%s\" at row %lld and in \"%s\" here", g.name.c_str(),
                          m_strata[g.stratum].name.c_str(), g.firstRow, m_strata[stratum].name.c_str()),
                   row, m_r.stratum);
  if (!m_r.size.empty() && g.size != size)
    return Problem(Format("the size of the group \"%s\" is %g here and %g at row %lld: a group has one size",
                          g.name.c_str(), size, g.size, g.firstRow),
                   row, m_r.size);
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::Census() {
  Slots slots;
  const std::vector<std::size_t> columns = DesignColumns(slots);
  const bool keepSizes = UnitSizes() && (m_r.method == PpsMethod::Sampford || m_r.method == PpsMethod::Brewer);
  if (columns.empty() && !m_r.Groups()) return CountUnits();
  if (ModeOf() == Mode::Walk && UnitSizes()) {
    m_spillSizes.emplace(SpillFile::Make());
    if (m_stratum) m_spillStrata.emplace(SpillFile::Make());
    if (m_frame->Marks()) m_spillMarks.emplace(SpillFile::Make());
  }
  std::optional<DataProblem> stop;
  // A walk by size of one stratum, past its first row: the size alone, read inline.
  const bool sizeAlone = m_spillSizes && columns.size() == 1;
  const auto visit = [&](long long row, std::span<const Value> v) {
    const Value& z = v[0];
    if (!sizeAlone || m_strata.empty() || z.missing || !z.numeric || !(z.number > 0))
      return CensusRow(row, v, slots, keepSizes, stop);
    Stratum& s = m_strata[0];
    ++s.N;
    ++s.units;
    s.X.Add(z.number);
    if (s.largest) s.largest->Offer(z.number);
    m_spillSizes->Add(z.number);
    ++m_spilled;
    return true;
  };
  // Rows some at a time where the file gives them so: no call for each, and
  // runs of sizes alone taken together.
  const auto visitRows = [&](long long first, std::size_t count, std::span<const Value> values) {
    for (std::size_t r = 0; r < count; ++r) {
      if (sizeAlone && !m_strata.empty() && (r += CensusSizes(values.subspan(r))) == count) break;
      if (!visit(first + static_cast<long long>(r), values.subspan(r * columns.size(), columns.size()))) return false;
    }
    return true;
  };
  auto problem = m_spillMarks ? m_frame->ScanMarking(
                                    columns, columns.size(), visitRows,
                                    [&](const data::RowMark& mark) { m_spillMarks->Add(mark); }, m_stamp)
                              : m_frame->ScanConverting(columns, columns.size(), visit);
  if (stop || problem) return stop ? stop : problem;
  // A spill that could not be written: the frame is read again instead.
  const auto kept = [](auto& spill) { return !spill || spill->Rewind(); };
  if (!kept(m_spillSizes) || !kept(m_spillStrata)) {
    m_spillSizes.reset();
    m_spillStrata.reset();
  }
  if (!kept(m_spillMarks)) m_spillMarks.reset();
  return std::nullopt;
}

std::size_t DrawRun::CensusSizes(std::span<const Value> sizes) {
  Stratum& s = m_strata[0];
  RunningSum X = s.X;  // held here, where it stays in a register
  std::size_t k = 0;
  for (; k < sizes.size(); ++k) {
    const Value& z = sizes[k];
    if (z.missing || !z.numeric || !(z.number > 0)) break;
    X.Add(z.number);
    if (s.largest) s.largest->Offer(z.number);
    m_spillSizes->Add(z.number);
  }
  s.X = X;
  s.N += static_cast<long long>(k);
  s.units += static_cast<long long>(k);
  m_spilled += static_cast<long long>(k);
  return k;
}

bool DrawRun::CensusRow(long long row, std::span<const Value> v, const Slots& slots, bool keepSizes,
                        std::optional<DataProblem>& stop) {
  // Most rows are of the stratum the row before was, and their size reads: no call for those.
  std::size_t si = 0;
  const Value* stratum = slots.stratum >= 0 ? &v[slots.stratum] : nullptr;
  if (stratum && !stratum->missing && m_lastStratum.Same(*stratum))
    si = m_lastStratum.index;
  else if (stratum || m_strata.empty())
    if ((stop = StratumOf(row, stratum, si))) return false;
  double x = 0;
  if (slots.size >= 0) {
    const Value& size = v[slots.size];
    if (!size.missing && size.numeric && size.number > 0)
      x = size.number;
    else if ((stop = SizeOf(row, size, x)))
      return false;
  }
  if (m_r.Groups()) {
    std::size_t gi = 0;
    if ((stop = GroupOf(row, v[slots.group], si, x, gi))) return false;
    ++m_groups[gi].units;
  } else {
    Stratum& s = m_strata[si];
    ++s.N;
    if (slots.size >= 0) {
      s.X.Add(x);
      if (keepSizes) s.sizes.push_back(x);
      if (s.largest) s.largest->Offer(x);
    }
    if (m_spillSizes) {
      m_spillSizes->Add(x);
      if (m_spillStrata) m_spillStrata->Add(static_cast<std::uint32_t>(si));
      ++m_spilled;
    }
  }
  ++m_strata[si].units;
  if (slots.sort >= 0 && (stop = AddSortKey(row, v[slots.sort], si))) return false;
  if (slots.sd >= 0 && (stop = AddDeviation(row, v[slots.sd], m_strata[si]))) return false;
  return true;
}

// No design variable: the frame's units are all one stratum, counted.
std::optional<DataProblem> DrawRun::CountUnits() {
  long long units = 0;
  if (auto p = m_frame->Count(units)) return p;
  if (units == 0) return std::nullopt;
  std::size_t si = 0;
  if (auto p = StratumOf(1, nullptr, si)) return p;
  m_strata[si].N = m_strata[si].units = units;
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::AddSortKey(long long row, const Value& v, std::size_t stratum) {
  if (v.missing) return Problem("the sort variable has no value", row, m_r.sort);
  double key = v.number + 0.0;
  if (!v.numeric) {
    const auto [it, added] = m_textIds.emplace(std::string(v.text), static_cast<std::uint32_t>(m_texts.size()));
    if (added) m_texts.emplace_back(v.text);
    key = TextKey(it->second);
  }
  m_keys.push_back(key);
  if (m_r.Stratified()) m_stratumOfUnit.push_back(static_cast<std::uint32_t>(stratum));
  return std::nullopt;
}

// The stratum's mean and sum of squared deviations, updated unit by unit (Welford).
std::optional<DataProblem> DrawRun::AddDeviation(long long row, const Value& v, Stratum& s) {
  if (v.missing) {
    ++m_result.sdMissing;
    return std::nullopt;
  }
  if (!v.numeric) return Problem("\"" + Excerpt(v.text) + "\" is not a number", row, m_r.sd);
  const double delta = v.number - s.sdMean;
  s.sdMean += delta / static_cast<double>(++s.sdCount);
  s.sdM2 += delta * (v.number - s.sdMean);
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::Allocate() {
  if (m_r.allocation == Allocation::None) return std::nullopt;
  std::vector<StratumSize> sizes;
  for (Stratum& s : m_strata) {
    StratumSize z{static_cast<double>(s.N)};
    if (m_r.allocation != Allocation::Proportional) {
      if (m_sdFile) {
        const StratumFigure* f = m_sdFile->Find(s.name);
        if (!f)
          return Problem("the stratum \"" + s.name + "\" is not in " + m_sdFile->Shown(), s.firstRow, m_r.stratum);
        s.sd = f->value;
      } else {
        // A stratum of one unit has no spread.
        s.sd = s.sdCount > 1 ? std::sqrt(s.sdM2 / static_cast<double>(s.sdCount - 1)) : 0.0;
      }
      z.sd = s.sd;
    }
    if (m_costFile) {
      const StratumFigure* f = m_costFile->Find(s.name);
      if (!f)
        return Problem("the stratum \"" + s.name + "\" is not in " + m_costFile->Shown(), s.firstRow, m_r.stratum);
      s.cost = z.cost = f->value;
    }
    sizes.push_back(z);
  }
  std::vector<long long> n;
  if (auto bad = select::Allocate(m_r.allocation, sizes, m_r.n, m_r.minimum, n))
    return data::MakeProblem(m_result.frame, *bad);
  for (std::size_t h = 0; h < m_strata.size(); ++h) m_strata[h].n = n[h];
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::CheckSizes() {
  const char* units = m_r.Groups() ? "groups" : "units";
  for (const Stratum& s : m_strata) {
    if (m_r.WithReplacement() && s.n > kMaxDraws)
      return ForStratum(s, Format("with replacement, n_h= %lld is more than %lld draws", s.n, kMaxDraws));
    if (m_r.WithReplacement() || s.n <= s.N) continue;
    if (!m_r.Stratified())
      return data::MakeProblem(m_result.frame,
                               Format("n= %lld is larger than the frame's N= %lld %s", s.n, s.N, units));
    return ForStratum(s, Format("n_h= %lld is larger than N_h= %lld %s", s.n, s.N, units));
  }
  if (m_sizes)
    for (const StratumFigure& f : m_sizes->Rows()) {
      bool found = false;
      for (const Stratum& s : m_strata) found = found || data::SameGroup(f.name, s.name);
      if (!found && f.value > 0)
        return data::MakeProblem(
            m_sizes->Shown(),
            Format("the stratum \"%s\" has no units in the frame (N_h = 0) but n_h= %.0f", f.name.c_str(), f.value), 0,
            f.line);
    }
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::Certainties() {
  if (!UnitSizes() || m_r.WithReplacement()) return std::nullopt;
  const bool stored = m_r.method != PpsMethod::Systematic;
  if (!stored && m_r.allocation != Allocation::None) {
    // The n_h were not known in the census: the largest sizes are read again.
    for (Stratum& s : m_strata) s.largest.emplace(static_cast<std::size_t>(s.n));
    const auto offer = [&](std::size_t si, double x) { m_strata[si].largest->Offer(x); };
    std::optional<DataProblem> p;
    if (m_spillSizes) {
      p = Spilled([&](long long, std::size_t si, double x) -> std::optional<DataProblem> {
        offer(si, x);
        return std::nullopt;
      });
    } else {
      std::vector<std::size_t> columns = {*m_size};
      if (m_stratum) columns.push_back(*m_stratum);
      std::size_t si = 0;
      p = Pass(columns, [&](long long row, std::span<const Value> v) -> std::optional<DataProblem> {
        if (auto q = StratumOf(row, m_stratum ? &v[1] : nullptr, si)) return q;
        double x = 0;
        if (auto q = SizeOf(row, v[0], x)) return q;
        offer(si, x);
        return std::nullopt;
      });
    }
    if (p) return p;
  }
  for (Stratum& s : m_strata) {
    if (stored) {
      Largest largest(static_cast<std::size_t>(s.n));
      for (std::size_t k = 0; k < s.sizes.size(); ++k) largest.Offer(s.sizes[k]);
      s.certainty = FindCertainty(largest.Sorted(), s.X, s.n);
    } else {
      s.certainty = FindCertainty(s.largest->Sorted(), s.X, s.n);
      s.largest.reset();
    }
  }
  return std::nullopt;
}

namespace {

// Sampford's or Brewer's draw among sizes: certainty units are not drawn,
// they are taken. The sizes become cumulated pi.
std::optional<std::vector<long long>> DrawWithout(PpsMethod method, Doubles& sizes, const Certainty& c, Generator& g,
                                                  double& oddsTotal) {
  Doubles odds;
  Cumulate(sizes, method == PpsMethod::Sampford ? &odds : nullptr, c);
  if (c.Draws() == 0) return std::vector<long long>();
  if (method == PpsMethod::Brewer) return Brewer(sizes, c.Draws(), g);
  oddsTotal = odds.back();
  return Sampford(sizes, odds, c.Draws(), g, kSampfordTries);
}

}  // namespace

std::optional<DataProblem> DrawRun::Choose() {
  for (Stratum& s : m_strata) {
    if (m_r.Groups()) {
      if (auto p = ChooseGroups(s)) return p;
      continue;
    }
    const Certainty& c = s.certainty;
    switch (ModeOf()) {
      case Mode::Reservoir: break;
      case Mode::Walk:
        if (m_r.method == PpsMethod::WithReplacement) {
          s.walk = PointWalk(UniformPoints(s.X.Value(), s.n, m_g), s.N, false);
        } else if (c.Draws() > 0) {
          s.spacing = c.rest / static_cast<double>(c.Draws());
          s.walk = PointWalk(SystematicPoints(c.rest, c.Draws(), m_g), s.N - c.units, true);
          s.keepArcs = s.N - c.units <= 2 * c.Draws();
          m_result.zeroPairs = m_result.zeroPairs || s.N - c.units > 2 * c.Draws();
        }
        break;
      case Mode::Positions:
        if (s.n == 0) break;
        if (m_r.design == Design::Srs && !m_r.replace) {
          s.chosen = SimpleRandomPositions(s.N, s.n, m_g);
        } else if (m_r.design == Design::Systematic) {
          s.chosen = SystematicPositions(s.N, s.n, m_g);
        } else if (m_r.replace) {
          s.chosen = WithReplacementPositions(s.N, s.n, m_g);
        } else {
          auto chosen = DrawWithout(m_r.method, s.sizes, c, m_g, s.oddsTotal);
          if (!chosen)
            return ForStratum(s, Format("Sampford's method drew no sample of distinct units in %lld tries: its "
                                        "probabilities make repeats too likely; use method=brewer",
                                        kSampfordTries));
          s.chosen = std::move(*chosen);
          s.sizes = Doubles();
          if (m_r.method == PpsMethod::Sampford && !m_r.pairs.empty() && c.Draws() > 0)
            s.sampford.emplace(c.Draws(), static_cast<double>(c.Draws()) / s.oddsTotal);
        }
        break;
      case Mode::Rows:
      case Mode::Groups: break;
    }
  }
  if (ModeOf() == Mode::Rows)
    if (auto p = ChooseSorted()) return p;
  return m_r.design == Design::TwoStage ? SecondStage() : std::nullopt;
}

std::optional<DataProblem> DrawRun::ChooseGroups(Stratum& s) {
  if (s.n == 0) return std::nullopt;
  const double n = static_cast<double>(s.n), N = static_cast<double>(s.N);
  if (m_r.size.empty()) {
    for (long long k : SimpleRandomPositions(s.N, s.n, m_g)) {
      Group& g = m_groups[s.members[static_cast<std::size_t>(k)]];
      g.hits = 1;
      g.pi = n / N;
    }
    s.piSum.Add(n);
    return std::nullopt;
  }
  Doubles sizes;
  for (std::size_t k : s.members) sizes.push_back(m_groups[k].size);
  if (m_r.method == PpsMethod::WithReplacement) {
    PointWalk walk(UniformPoints(s.X.Value(), s.n, m_g), s.N, false);
    for (std::size_t k : s.members) {
      Group& g = m_groups[k];
      g.pi = g.size / s.X.Value();
      g.hits = walk.Next(g.size);
      s.piSum.Add(n * g.pi);
    }
    return std::nullopt;
  }
  Largest largest(static_cast<std::size_t>(s.n));
  for (std::size_t k = 0; k < sizes.size(); ++k) largest.Offer(sizes[k]);
  const Certainty c = s.certainty = FindCertainty(largest.Sorted(), s.X, s.n);
  for (std::size_t k : s.members) {
    Group& g = m_groups[k];
    g.pi = c.Pi(g.size);
    g.hits = g.size >= c.from;
    s.piSum.Add(g.pi);
  }
  std::vector<long long> chosen;
  if (m_r.method == PpsMethod::Systematic && c.Draws() > 0) {
    PointWalk walk(SystematicPoints(c.rest, c.Draws(), m_g), s.N - c.units, true);
    for (std::size_t k = 0; k < s.members.size(); ++k)
      if (sizes[k] < c.from && walk.Next(sizes[k])) chosen.push_back(static_cast<long long>(k));
    if (walk.Broken()) return ForStratum(s, "rounding put two draws on one group; draw again with another seed");
  } else if (m_r.method != PpsMethod::Systematic) {
    double odds = 0;
    auto drawn = DrawWithout(m_r.method, sizes, c, m_g, odds);
    if (!drawn)
      return ForStratum(s,
                        Format("Sampford's method drew no sample of distinct groups in %lld tries: use method=brewer",
                               kSampfordTries));
    chosen = std::move(*drawn);
  }
  for (long long k : chosen) m_groups[s.members[static_cast<std::size_t>(k)]].hits = 1;
  return std::nullopt;
}

// Each unit's place in the order, in place of the order, and the sizes in
// that order, read again: 12 bytes a unit. The chosen places then give their
// rows in one sweep.
std::optional<DataProblem> DrawRun::ChooseSortedBySize(std::vector<std::uint32_t>& order) {
  const std::size_t N = order.size();
  std::vector<std::uint32_t> place(N);
  for (std::uint32_t k = 0; k < N; ++k) place[order[k]] = k;
  std::vector<std::uint32_t>().swap(order);  // its memory goes too
  Doubles sorted;
  sorted.resize(N);
  auto p = Pass({*m_size}, [&](long long row, std::span<const Value> v) -> std::optional<DataProblem> {
    double x = 0;
    if (auto q = SizeOf(row, v[0], x)) return q;
    sorted[place[static_cast<std::size_t>(row - 1)]] = x;
    return std::nullopt;
  });
  if (p) return p;
  std::vector<ChosenRow> chosen;  // by place, then by row
  std::size_t offset = 0;
  for (Stratum& s : m_strata) {
    if (const Certainty& c = s.certainty; c.Draws() > 0) {
      s.spacing = c.rest / static_cast<double>(c.Draws());
      s.keepArcs = s.N - c.units <= 2 * c.Draws();
      m_result.zeroPairs = m_result.zeroPairs || s.N - c.units > 2 * c.Draws();
      PointWalk walk(SystematicPoints(c.rest, c.Draws(), m_g), s.N - c.units, true);
      for (std::size_t k = offset; k < offset + static_cast<std::size_t>(s.N); ++k) {
        const double x = sorted[k];
        if (x >= c.from) continue;
        const bool hit = walk.Next(x) > 0;
        const double start = walk.Start() / s.spacing;
        if (s.keepArcs) s.arcs.emplace_back(start, c.Pi(x));
        if (hit) chosen.push_back({static_cast<long long>(k), start});
      }
      if (walk.Broken()) return ForStratum(s, "rounding put two draws on one unit; draw again with another seed");
    }
    offset += static_cast<std::size_t>(s.N);
  }
  sorted = Doubles();
  for (std::size_t row = 0; row < N; ++row) {
    const auto it = std::lower_bound(chosen.begin(), chosen.end(), static_cast<long long>(place[row]),
                                     [](const ChosenRow& c, long long k) { return c.row < k; });
    if (it != chosen.end() && it->row == static_cast<long long>(place[row]))
      m_chosenRows.push_back({static_cast<long long>(row) + 1, it->start});
  }
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::SecondStage() {
  for (const Stratum& s : m_strata)
    for (std::size_t k : s.members) {
      Group& g = m_groups[k];
      if (!g.hits) continue;
      if (g.units < m_r.m)
        return Problem(Format("the group \"%s\" has %lld units, fewer than m= %lld", g.name.c_str(), g.units, m_r.m),
                       g.firstRow, m_r.group);
      g.chosen = SimpleRandomPositions(g.units, m_r.m, m_g);
    }
  return std::nullopt;
}

std::optional<DataProblem> DrawRun::ChooseSorted() {
  const std::size_t N = m_keys.size();
  if (N > UINT32_MAX) return data::MakeProblem(m_result.frame, "sort= orders frames of up to 4294967295 units");
  if (!m_texts.empty()) {
    std::vector<std::uint32_t> order(m_texts.size()), rank(m_texts.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return m_texts[a] < m_texts[b]; });
    for (std::uint32_t r = 0; r < order.size(); ++r) rank[order[r]] = r;
    for (std::size_t k = 0; k < N; ++k)
      if (std::isnan(m_keys[k])) m_keys[k] = TextKey(rank[TextId(m_keys[k])]);
  }
  // The units by stratum (their counts are known), then each stratum's by key;
  // equal keys keep the frame's order.
  std::vector<std::uint32_t> order(N);
  std::vector<std::size_t> next(m_strata.size());
  for (std::size_t h = 1; h < m_strata.size(); ++h) next[h] = next[h - 1] + static_cast<std::size_t>(m_strata[h - 1].N);
  for (std::uint32_t k = 0; k < N; ++k) order[m_stratumOfUnit.empty() ? k : next[m_stratumOfUnit[k]]++] = k;
  m_stratumOfUnit = {};
  std::size_t from = 0;
  for (const Stratum& s : m_strata) {
    const auto first = order.begin() + static_cast<std::ptrdiff_t>(from);
    std::sort(first, first + s.N, [&](std::uint32_t a, std::uint32_t b) {
      if (KeyLess(m_keys[a], m_keys[b])) return true;
      return !KeyLess(m_keys[b], m_keys[a]) && a < b;
    });
    from += static_cast<std::size_t>(s.N);
  }
  m_keys = Doubles();
  if (!UnitSizes()) {
    std::size_t offset = 0;
    for (const Stratum& s : m_strata) {
      if (s.n > 0)
        for (long long k : SystematicPositions(s.N, s.n, m_g))
          m_chosenRows.push_back({static_cast<long long>(order[offset + static_cast<std::size_t>(k)]) + 1, 0});
      offset += static_cast<std::size_t>(s.N);
    }
  } else if (auto p = ChooseSortedBySize(order)) {
    return p;
  }
  std::sort(m_chosenRows.begin(), m_chosenRows.end(),
            [](const ChosenRow& a, const ChosenRow& b) { return a.row < b.row; });
  return std::nullopt;
}

}  // namespace mirto::select
