#include "data/DataSession.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "data/Delimited.h"
#include "framework/Format.h"

namespace mirto::data {
namespace {

constexpr std::string_view kRoleNames[kRoles] = {"y", "x", "y1", "y2", "stratum", "group", "size", "prob"};

// A whole text that reads as a finite number, as the forms would read it.
std::optional<double> Number(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty() || RealLength(text) != text.size()) return std::nullopt;
  const double value = ReadReal(text);
  return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

// A small delimited file of `columns` fields a line, whole.
std::optional<DataProblem> ReadSmall(const std::string& path, const std::string& shown, std::size_t columns,
                                     const char* fields, DelimitedTable& table) {
  DelimitedRead read = ReadDelimitedFile(path);
  if (read.problem) return DataProblem{shown, 0, {}, read.problem->text, read.problem->line};
  table = std::move(read.table);
  if (table.Rows() > 0 && table.Columns() != columns)
    return DataProblem{shown, 0, {}, Format("%zu fields a line, %s", columns, fields), table.Line(0)};
  return std::nullopt;
}

// Each group's place by its name: open addressing in a power-of-two table,
// as the modulo of a hashed map costs more than the rest of a row's work.
class GroupIndex {
 public:
  // The place of `name` among `names`, or names.size() when it is new (then recorded as that).
  std::size_t Find(std::string_view name, const std::vector<std::string>& names) {
    const std::size_t hash = std::hash<std::string_view>{}(name);
    for (std::size_t slot = hash & m_mask;; slot = (slot + 1) & m_mask) {
      const Entry& e = m_slots[slot];
      if (e.place == kEmpty) break;
      if (e.hash == hash && names[e.place] == name) return e.place;
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

// s + a. For the sums of squares: their terms are never below 0, so the
// rounding of each term costs at most its own last digit, and the sum, kept
// in twice the precision, no more than that.
Wide Plus(Wide s, double a) {
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

void Moments::Add(double y, double x) {
  if (n++ == 0) m_shiftY = y, m_shiftX = x;
  const double ey = y - m_shiftY, ex = x - m_shiftX;
  const double dy = ey - m_offY, dx = ex - m_offX;
  m_offY += dy / static_cast<double>(n);
  m_offX += dx / static_cast<double>(n);
  // dy (y - new mean) is the Welford update of the centred sum of squares.
  ssY = Plus(ssY, dy * (ey - m_offY));
  ssX = Plus(ssX, dx * (ex - m_offX));
  sxy = sxy + Product(dx, ey - m_offY);  // of either sign: each product whole
}

void Moments::AddY(double y) {
  if (n++ == 0) m_shiftY = y;
  const double ey = y - m_shiftY, dy = ey - m_offY;
  m_offY += dy / static_cast<double>(n);
  ssY = Plus(ssY, dy * (ey - m_offY));
}

void Moments::Merge(const Moments& other) {
  if (other.n == 0) return;
  if (n == 0) {
    *this = other;
    return;
  }
  const double na = static_cast<double>(n), nb = static_cast<double>(other.n), total = na + nb;
  const double dy = (other.m_shiftY - m_shiftY) + (other.m_offY - m_offY);
  const double dx = (other.m_shiftX - m_shiftX) + (other.m_offX - m_offX);
  // The squares about each part's mean, plus those of the parts' means about the whole's.
  const double weight = na * nb / total;
  ssY = ssY + other.ssY + Product(dy * weight, dy);
  ssX = ssX + other.ssX + Product(dx * weight, dx);
  sxy = sxy + other.sxy + Product(dx * weight, dy);
  m_offY += dy * (nb / total);
  m_offX += dx * (nb / total);
  n += other.n;
}

std::string ShortestText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::optional<DataProblem> DataSession::Open(const std::string& path, std::string shown) {
  std::optional<DataProblem> problem;
  std::unique_ptr<DataFile> file = OpenDataFile(path, problem);
  if (!file) {
    if (!problem) problem = DataProblem{shown, 0, {}, "cannot be opened"};
    problem->file = shown;
    return problem;
  }
  m_file = std::move(file);
  m_shown = std::move(shown);
  m_roles = {};
  return std::nullopt;
}

std::optional<DataProblem> DataSession::Use(std::span<const std::pair<Role, std::string>> roles) {
  if (!m_file) return DataProblem{{}, 0, {}, "use needs a data file: give data PATH first"};
  std::array<std::optional<Bound_>, kRoles> bound{};
  for (const auto& [role, name] : roles) {
    const std::optional<std::size_t> column = m_file->Find(name);
    if (!column) return DataProblem{m_shown, 0, name, "no such variable in the file"};
    if (m_file->Variables()[*column].type == VariableType::Text && role != Role::Stratum && role != Role::Group)
      return DataProblem{m_shown, 0, name, "the variable is not numeric"};
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
  DelimitedTable t;
  if (auto problem = ReadSmall(path, shown, 2, "the group and its size", t)) return problem;
  std::vector<std::pair<std::string, double>> sizes;
  for (std::size_t r = 0; r < t.Rows(); ++r) {
    const std::optional<double> size = Number(t.Cell(r, 1));
    if (!size && r == 0) continue;  // a header
    if (!size || *size <= 0) return DataProblem{shown, 0, {}, "the size is not a number above 0", t.Line(r)};
    const std::string name(t.Cell(r, 0));
    for (const auto& [seen, n] : sizes)
      if (seen == name) return DataProblem{shown, 0, {}, "\"" + name + "\" is given twice", t.Line(r)};
    sizes.emplace_back(name, *size);
  }
  if (sizes.empty()) return DataProblem{shown, 0, {}, "no group sizes in the file"};
  m_population = std::move(sizes);
  m_populationShown = std::move(shown);
  return std::nullopt;
}

bool SameGroup(std::string_view a, std::string_view b) {
  if (a == b) return true;
  const std::optional<double> x = Number(a), y = Number(b);
  return x && y && *x == *y;
}

std::optional<DataProblem> DataSession::LoadPairs(const std::string& path, std::string shown) {
  DelimitedTable t;
  if (auto problem = ReadSmall(path, shown, 3, "i, j and p_ij", t)) return problem;
  std::map<std::pair<long long, long long>, double> pairs;
  for (std::size_t r = 0; r < t.Rows(); ++r) {
    const std::optional<double> i = Number(t.Cell(r, 0)), j = Number(t.Cell(r, 1)), p = Number(t.Cell(r, 2));
    if (!(i && j && p) && r == 0) continue;  // a header
    auto bad = [&](const char* why) { return DataProblem{shown, 0, {}, why, t.Line(r)}; };
    if (!i || !j || *i != std::floor(*i) || *j != std::floor(*j) || *i < 1 || *j < 1 || *i == *j || *i > 1e15 ||
        *j > 1e15)
      return bad("i and j must be two different data rows (1, 2, ...)");
    if (!p || !(*p > 0 && *p <= 1)) return bad("the joint probability is not in (0, 1]");
    const auto a = static_cast<long long>(std::min(*i, *j)), b = static_cast<long long>(std::max(*i, *j));
    if (!pairs.emplace(std::pair(a, b), *p).second) return bad("the pair is given twice");
  }
  if (pairs.empty()) return DataProblem{shown, 0, {}, "no pairs in the file"};
  m_pairs = std::move(pairs);
  m_pairsShown = std::move(shown);
  return std::nullopt;
}

std::optional<double> DataSession::Pair(long long a, long long b) const {
  const auto found = m_pairs.find(std::pair(std::min(a, b), std::max(a, b)));
  return found == m_pairs.end() ? std::nullopt : std::optional(found->second);
}

std::optional<double> DataSession::PopulationSize(std::string_view name) const {
  for (const auto& [seen, n] : m_population)
    if (SameGroup(seen, name)) return n;
  return std::nullopt;
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
  GroupIndex index;
  const bool withX = plan.numeric.size() >= 2;
  const auto add = [withX](Moments& m, double y, double x) { withX ? m.Add(y, x) : m.AddY(y); };
  auto visit = [&](long long row, std::span<const Value> values) {
    for (const Value& value : values)
      if (value.missing) return ++scan.skipped, true;
    for (std::size_t k = 0; k < numeric; ++k) {
      if (!values[k].numeric) {
        bad = Problem(row, roles[k], "\"" + std::string(values[k].text) + "\" is not a number");
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
      const std::string_view name = values[numeric].text;
      g = index.Find(name, scan.groups);
      if (g == scan.groups.size()) {
        scan.groups.emplace_back(name);
        scan.byGroup.emplace_back();
        scan.firstRow.push_back(row);
        if (sizes) scan.sizes.push_back(values[numeric - 1].number);
      }
      if (sizes && values[numeric - 1].number != scan.sizes[g]) {
        bad = Problem(
            row, Role::Size,
            "the group size differs from the one of row " + std::to_string(scan.firstRow[g]) + " of the same group");
        return false;
      }
    }
    add(plan.by ? scan.byGroup[g] : scan.all, v[0], v[1]);
    ++scan.used;
    return true;
  };
  if (auto problem = m_file->Scan(columns, visit)) return problem;
  for (const Moments& group : scan.byGroup) scan.all.Merge(group);
  return bad;
}

std::vector<std::string> DataSession::Note(const Scan& scan, const ScanPlan& plan, bool population, bool pairs) const {
  std::vector<std::string> lines;
  lines.push_back("Data file: " + m_shown);
  std::string variables = "Data variables:";
  std::vector<Role> roles = plan.numeric;
  if (plan.sizes && Has(Role::Size)) roles.push_back(Role::Size);
  if (plan.by) roles.push_back(*plan.by);
  for (Role role : roles) variables += " " + std::string(RoleName(role)) + "=" + Variable(role);
  lines.push_back(variables);
  if (population) lines.push_back("Data population sizes: " + m_populationShown);
  if (pairs) lines.push_back("Data joint probabilities: " + m_pairsShown);
  lines.push_back(Format("Data units: %lld used, %lld skipped as missing", scan.used, scan.skipped));
  return lines;
}

}  // namespace mirto::data
