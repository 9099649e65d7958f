#include "data/DataSession.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>

#include "data/Delimited.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"

namespace mirto::data {
namespace {

constexpr std::string_view kRoleNames[kRoles] = {"y", "x", "y1", "y2", "stratum", "group", "size", "prob"};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A whole text that reads as a finite number, as the forms would read it.
std::optional<double> Number(std::string_view text) {
  text = Trimmed(text);
  if (text.empty() || RealLength(text) != text.size()) return std::nullopt;
  const double value = ReadReal(text);
  return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

// A small delimited file of `columns` fields a line, a row at a time:
// `take(row, index)` returns a problem to stop.
template <class Take>
std::optional<DataProblem> ReadRows(const std::string& path, const std::string& shown, std::size_t columns,
                                    const char* fields, Take take) {
  std::optional<DataProblem> stopped;
  std::size_t index = 0;
  const DelimitedRead read = StreamDelimitedFile(path, [&](const DelimitedTable& row) {
    if (row.Columns() != columns)
      stopped = DataProblem{shown, 0, {}, Format("%zu fields a line, %s", columns, fields), row.Line(0)};
    else
      stopped = take(row, index++);
    return !stopped;
  });
  if (stopped) return stopped;
  if (read.problem) return DataProblem{shown, 0, {}, read.problem->text, read.problem->line};
  return std::nullopt;
}

// A group name's hash and its comparison, inline: the library's calls cost
// more than the rest of a row's work (names are short).
std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ULL;
  return h ^ (h >> 29);
}

std::uint64_t Word(const char* p, std::size_t n) {
  std::uint64_t w = 0;
  std::memcpy(&w, p, n);
  return w;
}

std::size_t HashOf(std::string_view name) {
  std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ name.size();
  std::size_t i = 0;
  for (; i + 8 <= name.size(); i += 8) h = Mix(h ^ Word(name.data() + i, 8));
  for (std::size_t k = 0; i + k < name.size(); ++k)
    h ^= std::uint64_t{static_cast<unsigned char>(name[i + k])} << (8 * k);
  return static_cast<std::size_t>(Mix(h));
}

bool Same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  for (; i + 8 <= a.size(); i += 8)
    if (Word(a.data() + i, 8) != Word(b.data() + i, 8)) return false;
  for (; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// Each group's place by its name: open addressing in a power-of-two table,
// as the modulo of a hashed map costs more than the rest of a row's work.
class GroupIndex {
 public:
  // The place of `name` among `names`, or names.size() when it is new (then recorded as that).
  std::size_t Find(std::string_view name, const std::vector<std::string>& names) {
    const std::size_t hash = HashOf(name);
    for (std::size_t slot = hash & m_mask;; slot = (slot + 1) & m_mask) {
      const Entry& e = m_slots[slot];
      if (e.place == kEmpty) break;
      if (e.hash == hash && Same(names[e.place], name)) return e.place;
    }
    Insert(hash, names.size());
    return names.size();
  }

 private:
  static constexpr std::size_t kEmpty = ~std::size_t{0};
  struct Entry {
    std::size_t hash = 0, place = kEmpty;
  };
  void Insert(std::size_t hash, std::size_t place) {
    if (2 * (++m_count) > m_slots.size()) {
      std::vector<Entry> old(2 * m_slots.size());
      old.swap(m_slots);
      m_mask = m_slots.size() - 1;
      for (const Entry& e : old)
        if (e.place != kEmpty) Put(e);
    }
    Put({hash, place});
  }
  void Put(const Entry& e) {
    std::size_t slot = e.hash & m_mask;
    while (m_slots[slot].place != kEmpty) slot = (slot + 1) & m_mask;
    m_slots[slot] = e;
  }
  std::vector<Entry> m_slots = std::vector<Entry>(16);
  std::size_t m_mask = 15, m_count = 0;
};

// The groups of a scan: each spelling of a value found by its text, and each
// new spelling put with its group by GroupKey, so that 1 and 1.0 are one.
class Groups {
 public:
  explicit Groups(Scan& scan) : m_scan(scan) {}
  // The group of the value `text`, made (first seen in `row`) if new.
  std::size_t Find(std::string_view text, long long row) {
    const std::size_t spelling = m_index.Find(text, m_spellings);
    if (spelling < m_spellings.size()) return m_groupOf[spelling];
    m_spellings.emplace_back(text);
    const auto [at, added] = m_byKey.emplace(GroupKey(text), m_scan.groups.size());
    m_groupOf.push_back(at->second);
    if (added) {
      m_scan.groups.emplace_back(text);
      m_scan.byGroup.emplace_back();
      m_scan.firstRow.push_back(row);
    }
    return at->second;
  }

 private:
  Scan& m_scan;
  GroupIndex m_index;
  std::vector<std::string> m_spellings;
  std::vector<std::size_t> m_groupOf;  // per spelling
  std::unordered_map<std::string, std::size_t> m_byKey;
};

bool RowsBefore(const JointProbability& x, const JointProbability& y) { return x.a != y.a ? x.a < y.a : x.b < y.b; }

// s + a in twice the precision. The sums of squares add terms never below 0,
// so each term's rounding costs at most its own last digit; the sums of the
// values may cancel, and are only read for the mean.
[[gnu::always_inline]] inline Wide Plus(Wide s, double a) {
  const Wide t = Sum(s.hi, a);
  return sums::Plain(t.hi) ? t : sums::FastSum(t.hi, t.lo + s.lo);
}

}  // namespace

std::string_view RoleName(Role role) { return kRoleNames[static_cast<std::size_t>(role)]; }

std::optional<Role> RoleNamed(std::string_view name) {
  for (std::size_t r = 0; r < kRoles; ++r)
    if (kRoleNames[r] == name) return static_cast<Role>(r);
  return std::nullopt;
}

namespace {

constexpr int kLimitExponent = 470;

Wide Down(Wide w, int by) { return {std::ldexp(w.hi, -by), std::ldexp(w.lo, -by)}; }

}  // namespace

void Moments::ScaleTo(Variable& var, int scale) {
  const int by = scale - var.scale;
  if (by <= 0) return;
  var.shift = std::ldexp(var.shift, -by);
  var.off = std::ldexp(var.off, -by);
  var.sum = Down(var.sum, by);
  var.scale = scale;
  var.limit = std::ldexp(0x1p470, scale);
  Wide& squares = &var == &m_y ? m_ssY : m_ssX;
  squares = Down(squares, 2 * by);
  m_sxy = Down(m_sxy, by);
}

double Moments::Scaled(Variable& var, double v) {
  if (!(std::fabs(v) <= var.limit) && std::isfinite(v)) ScaleTo(var, std::ilogb(v) - kLimitExponent + 1);
  return var.scale == 0 ? v : std::ldexp(v, -var.scale);
}

void Moments::Add(double y, double x) {
  y = Scaled(m_y, y);
  x = Scaled(m_x, x);
  if (n++ == 0) m_y.shift = y, m_x.shift = x;
  const double ey = y - m_y.shift, ex = x - m_x.shift;
  const double dy = ey - m_y.off, dx = ex - m_x.off;
  m_y.off += dy / static_cast<double>(n);
  m_x.off += dx / static_cast<double>(n);
  // dy (y - new mean) is the Welford update of the centred sum of squares.
  m_ssY = Plus(m_ssY, dy * (ey - m_y.off));
  m_ssX = Plus(m_ssX, dx * (ex - m_x.off));
  m_sxy = m_sxy + Product(dx, ey - m_y.off);  // of either sign: each product whole
  m_y.sum = Plus(m_y.sum, y);
  m_x.sum = Plus(m_x.sum, x);
}

void Moments::AddY(double y) { StepY(y); }

void Moments::AddYs(std::span<Moments> groups, std::span<const std::pair<std::size_t, double>> units) {
  for (const auto& [g, y] : units) groups[g].StepY(y);
}

[[gnu::always_inline]] inline void Moments::StepY(double y) {
  y = Scaled(m_y, y);
  if (n++ == 0) m_y.shift = y;
  const double ey = y - m_y.shift, dy = ey - m_y.off;
  m_y.off += dy / static_cast<double>(n);
  m_ssY = Plus(m_ssY, dy * (ey - m_y.off));
  m_y.sum = Plus(m_y.sum, y);
}

std::size_t Moments::AddYs(std::span<const Value> values) {
  std::size_t i = 0;
  const auto number = [&] { return i < values.size() && !values[i].missing && values[i].numeric; };
  while (number()) {
    if (n == 0 || m_y.scale != 0 || !(std::fabs(values[i].number) <= m_y.limit)) {
      AddY(values[i++].number);
      continue;
    }
    // AddY's steps with the sums in registers, up to a value it would scale.
    const double shift = m_y.shift, limit = m_y.limit;
    double off = m_y.off;
    long long count = n;
    Wide squares = m_ssY, sum = m_y.sum;
    for (; number() && std::fabs(values[i].number) <= limit; ++i) {
      const double y = values[i].number, ey = y - shift, dy = ey - off;
      off += dy / static_cast<double>(++count);
      squares = Plus(squares, dy * (ey - off));
      sum = Plus(sum, y);
    }
    m_y.off = off, n = count, m_ssY = squares, m_y.sum = sum;
  }
  return i;
}

void Moments::Merge(const Moments& part) {
  if (part.n == 0) return;
  if (n == 0) {
    *this = part;
    return;
  }
  Moments other = part;  // both in the same units
  ScaleTo(m_y, other.m_y.scale);
  ScaleTo(m_x, other.m_x.scale);
  other.ScaleTo(other.m_y, m_y.scale);
  other.ScaleTo(other.m_x, m_x.scale);
  const double na = static_cast<double>(n), nb = static_cast<double>(other.n), total = na + nb;
  const double dy = (other.m_y.shift - m_y.shift) + (other.m_y.off - m_y.off);
  const double dx = (other.m_x.shift - m_x.shift) + (other.m_x.off - m_x.off);
  // The squares about each part's mean, plus those of the parts' means about the whole's.
  const double weight = na * nb / total;
  m_ssY = m_ssY + other.m_ssY + Product(dy * weight, dy);
  m_ssX = m_ssX + other.m_ssX + Product(dx * weight, dx);
  m_sxy = m_sxy + other.m_sxy + Product(dx * weight, dy);
  m_y.off += dy * (nb / total);
  m_x.off += dx * (nb / total);
  m_y.sum = m_y.sum + other.m_y.sum;
  m_x.sum = m_x.sum + other.m_x.sum;
  n += other.n;
}

double Moments::ResidualSd(bool slope, double divisor) const {
  // c in the units of the moments: the ratio of the scaled means, or the scaled slope.
  const double c = slope ? Rounded(m_sxy) / Rounded(m_ssX) : m_y.Mean(n) / m_x.Mean(n);
  const double squares = std::max(0.0, VarianceOfDifference(m_ssY, m_sxy, m_ssX, Exact(c)));
  return std::ldexp(std::sqrt(squares / divisor), m_y.scale);
}

std::string ShortestText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string WholeText(double value) { return Format("%.0f", value); }

std::string GroupKey(std::string_view value) {
  const std::optional<double> number = Number(value);
  if (!number) return "t" + std::string(value);
  const double x = *number == 0 ? 0.0 : *number;  // -0 is 0
  char key[1 + sizeof x] = {'n'};
  std::memcpy(key + 1, &x, sizeof x);
  return std::string(key, sizeof key);
}

bool SameGroup(std::string_view a, std::string_view b) { return a == b || GroupKey(a) == GroupKey(b); }

std::optional<std::string> ScriptName(std::string_view name) {
  if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    return std::nullopt;
  if (!name.empty() && name.find_first_of(" \t\"") == std::string_view::npos) return std::string(name);
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string NoteName(std::string_view name) {
  const std::optional<std::string> written = ScriptName(name);
  return written ? *written : Quoted(name);
}

std::optional<DataProblem> DataSession::Open(const std::string& path, std::string shown) {
  std::optional<DataProblem> problem;
  std::unique_ptr<DataFile> file = OpenDataFile(path, problem);
  if (!file) {
    if (!problem) problem = DataProblem{shown, 0, {}, "cannot be opened"};
    problem->file = shown;
    return problem;
  }
  Open(std::move(file), std::move(shown));
  return std::nullopt;
}

void DataSession::Open(std::unique_ptr<DataFile> file, std::string shown) {
  m_file = std::move(file);
  m_shown = std::move(shown);
  m_roles = {};
}

std::optional<DataProblem> DataSession::Use(std::span<const std::pair<Role, std::string>> roles) {
  if (!m_file) return DataProblem{{}, 0, {}, "use needs a data file: give data PATH first"};
  std::array<std::optional<Bound_>, kRoles> bound{};
  for (const auto& [role, name] : roles) {
    const std::optional<std::size_t> column = m_file->Find(name);
    if (!column) {
      const std::vector<std::size_t> same = m_file->SameLetters(name);
      if (same.size() < 2) return DataProblem{m_shown, 0, name, "no such variable in the file"};
      std::string names;
      for (std::size_t k = 0; k < same.size(); ++k)
        names += (k == 0 ? "" : k + 1 == same.size() ? " and " : ", ") + Quoted(m_file->Variables()[same[k]].name);
      return DataProblem{m_shown, 0, name,
                         "the name is ambiguous: " + names + " differ only in case; give one exactly"};
    }
    if (m_file->Variables()[*column].type == VariableType::Text && role != Role::Stratum && role != Role::Group)
      return DataProblem{m_shown, 0, name,
                         "the variable is not numeric; role " + std::string(RoleName(role)) + " needs numbers"};
    bound[static_cast<std::size_t>(role)] = Bound_{m_file->Variables()[*column].name, *column};
  }
  m_roles = bound;
  return std::nullopt;
}

std::size_t DataSession::Bound() const {
  std::size_t count = 0;
  for (const auto& r : m_roles) count += r.has_value();
  return count;
}

const std::string& DataSession::Variable(Role role) const {
  static const std::string none;
  const auto& r = m_roles[static_cast<std::size_t>(role)];
  return r ? r->variable : none;
}

DataProblem DataSession::Problem(long long row, Role role, std::string text) const {
  return {m_shown, row, Variable(role), std::move(text)};
}

std::optional<DataProblem> DataSession::LoadPopulation(const std::string& path, std::string shown) {
  std::vector<PopulationSize> sizes;
  std::unordered_map<std::string, std::size_t> index;
  auto problem = ReadRows(
      path, shown, 2, "the group and its size",
      [&](const DelimitedTable& t, std::size_t r) -> std::optional<DataProblem> {
        const std::optional<double> size = Number(t.Cell(0, 1));
        if (!size && r == 0) return std::nullopt;  // a header
        const auto bad = [&](std::string why) { return DataProblem{shown, 0, {}, std::move(why), t.Line(0)}; };
        if (!size || *size <= 0 || *size != std::floor(*size))
          return bad("the size " + Quoted(Trimmed(t.Cell(0, 1))) + " is not a whole number above 0");
        const std::string_view name = t.Cell(0, 0);
        const auto [at, added] = index.emplace(GroupKey(name), sizes.size());
        if (!added) {
          const PopulationSize& first = sizes[at->second];
          return bad(Quoted(name) + " is the group " + Quoted(first.name) + Format(" of line %lld again", first.line));
        }
        sizes.push_back({std::string(name), *size, t.Line(0)});
        return std::nullopt;
      });
  if (problem) return problem;
  if (sizes.empty()) return DataProblem{shown, 0, {}, "no group sizes in the file"};
  m_population = std::move(sizes);
  m_populationIndex = std::move(index);
  m_populationShown = std::move(shown);
  return std::nullopt;
}

std::optional<DataProblem> DataSession::LoadPairs(const std::string& path, std::string shown) {
  constexpr double kMostRows = std::numeric_limits<std::uint32_t>::max();
  // In pieces, not one block that doubles: memory stays with the pairs kept.
  std::deque<JointProbability> pairs;
  auto problem = ReadRows(
      path, shown, 3, "i, j and p_ij", [&](const DelimitedTable& t, std::size_t r) -> std::optional<DataProblem> {
        const std::optional<double> i = Number(t.Cell(0, 0)), j = Number(t.Cell(0, 1)), p = Number(t.Cell(0, 2));
        if (!(i && j && p) && r == 0) return std::nullopt;  // a header
        const auto bad = [&](const char* why) { return DataProblem{shown, 0, {}, why, t.Line(0)}; };
        if (!i || !j || *i != std::floor(*i) || *j != std::floor(*j) || *i < 1 || *j < 1 || *i == *j ||
            *i > kMostRows || *j > kMostRows)
          return bad("i and j must be two different data rows (1, 2, ...)");
        if (!p || !(*p > 0 && *p <= 1)) return bad("the joint probability is not in (0, 1]");
        if (t.Line(0) > kMostRows) return bad("more lines than a pairs file may hold");
        pairs.push_back({static_cast<std::uint32_t>(std::min(*i, *j)), static_cast<std::uint32_t>(std::max(*i, *j)),
                         static_cast<std::uint32_t>(t.Line(0)), *p});
        return std::nullopt;
      });
  if (problem) return problem;
  if (pairs.empty()) return DataProblem{shown, 0, {}, "no pairs in the file"};
  std::sort(pairs.begin(), pairs.end(), [](const JointProbability& x, const JointProbability& y) {
    return RowsBefore(x, y) || (!RowsBefore(y, x) && x.line < y.line);
  });
  for (std::size_t k = 1; k < pairs.size(); ++k)
    if (!RowsBefore(pairs[k - 1], pairs[k]))
      return DataProblem{shown, 0, {}, Format("the pair is given twice (line %u)", pairs[k - 1].line), pairs[k].line};
  m_pairs = std::move(pairs);
  m_pairsShown = std::move(shown);
  return std::nullopt;
}

const JointProbability* DataSession::Pair(long long a, long long b) const {
  if (std::max(a, b) > std::numeric_limits<std::uint32_t>::max() || std::min(a, b) < 1) return nullptr;
  const JointProbability key{static_cast<std::uint32_t>(std::min(a, b)), static_cast<std::uint32_t>(std::max(a, b))};
  const auto found = std::lower_bound(m_pairs.begin(), m_pairs.end(), key, RowsBefore);
  return found != m_pairs.end() && !RowsBefore(key, *found) ? &*found : nullptr;
}

const PopulationSize* DataSession::Population(std::string_view name) const {
  const auto found = m_populationIndex.find(GroupKey(name));
  return found == m_populationIndex.end() ? nullptr : &m_population[found->second];
}

std::optional<DataProblem> DataSession::Run(const ScanPlan& plan, Scan& scan) const {
  scan = Scan{};
  std::vector<Role> roles = plan.numeric;
  const bool sizes = plan.sizes && Has(Role::Size);
  if (sizes) roles.push_back(Role::Size);
  const std::size_t numeric = roles.size();
  if (plan.by) roles.push_back(*plan.by);
  std::vector<std::size_t> columns;
  for (Role role : roles) {
    const auto& r = m_roles[static_cast<std::size_t>(role)];
    if (!r)
      return Problem("this calculation needs a variable for " + std::string(RoleName(role)),
                     {"use " + std::string(RoleName(role)) + "=VARIABLE", "choose it in Data > From data..."});
    columns.push_back(r->column);
  }
  std::optional<DataProblem> bad;
  std::vector<double> v(2, 0.0);
  Groups groups(scan);
  const bool withX = plan.numeric.size() >= 2;
  // y alone by group: a block's units go in together, after the checks, so
  // that the sums of several groups are under way at once.
  const bool pooled = !withX && plan.by;
  std::vector<std::pair<std::size_t, double>> units;
  const auto add = [&](std::size_t g, double y, double x) {
    if (pooled)
      units.emplace_back(g, y);
    else if (withX)
      (plan.by ? scan.byGroup[g] : scan.all).Add(y, x);
    else
      scan.all.AddY(y);
  };
  auto visit = [&](long long row, std::span<const Value> values) {
    for (const Value& value : values)
      if (value.missing) {
        // Where sizes may be counted, what each group lost is told.
        if (plan.by && plan.sizes && !values[numeric].missing) {
          Scan::Skipped& lost = scan.skippedBy[GroupKey(values[numeric].text)];
          if (lost.rows++ == 0) lost.name = values[numeric].text, lost.firstRow = row;
        }
        return ++scan.skipped, true;
      }
    for (std::size_t k = 0; k < numeric; ++k) {
      if (!values[k].numeric) {
        bad = Problem(
            row, roles[k],
            Quoted(values[k].text) + " is not a number; role " + std::string(RoleName(roles[k])) + " needs numbers");
        return false;
      }
      if (k < std::min<std::size_t>(2, plan.numeric.size())) v[k] = values[k].number;
    }
    if (plan.zeroOne && v[0] != 0 && v[0] != 1) {
      bad = Problem(row, roles[0], "a proportion needs a 0/1 variable, found " + ShortestText(v[0]));
      return false;
    }
    if (plan.elements) {
      if (roles[1] == Role::Prob && !(v[1] > 0 && v[1] <= 1)) {
        bad = Problem(row, roles[1], "the probability " + ShortestText(v[1]) + " is not in (0, 1]");
        return false;
      }
      scan.elements.emplace_back(v[0], v[1]);
      scan.elementRows.push_back(row);
    }
    std::size_t g = 0;
    if (plan.by) {
      const std::size_t count = scan.groups.size();
      g = groups.Find(values[numeric].text, row);
      if (sizes) {
        const double size = values[numeric - 1].number;
        if (g == count && (size <= 0 || size != std::floor(size))) {
          bad = Problem(row, Role::Size, "the group size " + ShortestText(size) + " is not a whole number above 0");
          return false;
        }
        if (g == count) scan.sizes.push_back(size);
        if (size != scan.sizes[g]) {
          bad = Problem(
              row, Role::Size,
              "the group size differs from the one of row " + std::to_string(scan.firstRow[g]) + " of the same group");
          return false;
        }
      }
    }
    add(g, v[0], v[1]);
    ++scan.used;
    return true;
  };
  // y alone with nothing checked or kept per unit: its numbers go in a run at a time.
  const bool plainY = roles.size() == 1 && !plan.zeroOne && !plan.elements;
  // Rows some at a time: no call for each.
  const auto rows = [&](long long first, std::size_t count, std::span<const Value> values) {
    bool go = true;
    for (std::size_t r = 0; go && r < count; ++r) {
      if (plainY) {
        const std::size_t added = scan.all.AddYs(values.subspan(r, count - r));
        scan.used += static_cast<long long>(added);
        if ((r += added) == count) break;
      }
      go = visit(first + static_cast<long long>(r), values.subspan(r * columns.size(), columns.size()));
    }
    Moments::AddYs(scan.byGroup, units);
    units.clear();
    return go;
  };
  if (auto problem = m_file->ScanInBlocks(columns, rows)) return problem;
  for (const Moments& group : scan.byGroup) scan.all.Merge(group);
  return bad;
}

namespace {

constexpr std::size_t kNamesListed = 20;  // names a note line lists at most; the results files hold all

// A stratum's or group's name in the note: quoted where a comma, an equals
// sign, a quote or blanks at its ends would blur the list; control bytes and
// bytes that are not UTF-8 as \xNN.
std::string ListedName(std::string_view name) {
  const bool plain = !name.empty() && name.find_first_of(",=\"") == std::string_view::npos && name.front() != ' ' &&
                     name.back() != ' ';
  if (plain) return Excerpt(name);
  std::string doubled;  // a quote doubled, as `use` writes names
  for (char c : name) doubled += c == '"' ? std::string("\"\"") : std::string(1, c);
  return "\"" + Excerpt(doubled) + "\"";
}

// Groups named 1, 2, 3, ... in that order: the rows' numbers say it all.
bool NumberedInOrder(const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i)
    if (GroupKey(names[i]) != GroupKey(std::to_string(i + 1))) return false;
  return true;
}

}  // namespace

std::string NamesLine(Role by, std::span<const std::string> names) {
  std::string line = by == Role::Stratum ? "Data strata:" : "Data groups:";
  const std::size_t listed = std::min(names.size(), kNamesListed);
  for (std::size_t i = 0; i < listed; ++i) line += Format("%s %zu = ", i ? "," : "", i + 1) + ListedName(names[i]);
  if (names.size() > listed) line += Format(" and %zu more", names.size() - listed);
  return line;
}

std::vector<std::string> DataSession::Note(const Scan& scan, const ScanPlan& plan, bool population, bool pairs) const {
  std::vector<std::string> lines;
  lines.push_back("Data file: " + m_shown);
  std::string variables = "Data variables:";
  std::vector<Role> roles = plan.numeric;
  if (plan.sizes && Has(Role::Size)) roles.push_back(Role::Size);
  if (plan.by) roles.push_back(*plan.by);
  for (Role role : roles) variables += " " + std::string(RoleName(role)) + "=" + NoteName(Variable(role));
  lines.push_back(variables);
  if (plan.by && !NumberedInOrder(scan.groups)) lines.push_back(NamesLine(*plan.by, scan.groups));
  if (population) lines.push_back("Data population sizes: " + m_populationShown);
  if (pairs) lines.push_back("Data joint probabilities: " + m_pairsShown);
  if (const std::string weight = m_file->Weight(); !weight.empty())
    lines.push_back("Data weight: the file declares the weight variable " + NoteName(weight) +
                    "; these figures do not use it, a survey design does (Data > Survey design..., or design "
                    "weight=" +
                    NoteName(weight) + " in a script)");
  lines.push_back(Format("Data units: %lld used, %lld skipped as missing", scan.used, scan.skipped));
  return lines;
}

}  // namespace mirto::data
