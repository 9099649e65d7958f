#pragma once
// Data mode: a unit-level data file, the variables bound to the roles a
// calculation needs, and the stratum or group sizes of a population file.
// It stays with the document's host for the commands that follow until it
// is cleared; the figures of each command are worked out from it in one scan
// (data/Figures.h).
#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/DataFile.h"
#include "framework/Sums.h"

namespace mirto::data {

enum class Role : std::uint8_t { Y, X, Y1, Y2, Stratum, Group, Size, Prob };
inline constexpr std::size_t kRoles = 8;
std::string_view RoleName(Role role);
std::optional<Role> RoleNamed(std::string_view name);

// Centred running moments of y (and x), one value at a time: the mean is
// updated and the squares are of deviations from it (Welford), accumulated
// in double-double, so that no sum of squares cancels. The values are taken
// less the first unit's, so that a mean far from 0 (1e9 with a spread of 1)
// costs no digits of the deviations, as its rounding would. Values beyond
// 2^470 are scaled down by a power of two (exactly) before squaring, so that
// a figure whose true value is finite never overflows on the way.
class Moments {
 public:
  long long n = 0;
  double MeanY() const { return std::ldexp(m_y.Mean(n), m_y.scale); }
  double MeanX() const { return std::ldexp(m_x.Mean(n), m_x.scale); }
  // Sums of squared and cross deviations about the means, each divided by
  // `divisor` (inf where the true value overflows).
  double VarY(double divisor) const { return std::ldexp(Rounded(m_ssY) / divisor, 2 * m_y.scale); }
  double VarX(double divisor) const { return std::ldexp(Rounded(m_ssX) / divisor, 2 * m_x.scale); }
  double Cov(double divisor) const { return std::ldexp(Rounded(m_sxy) / divisor, m_x.scale + m_y.scale); }
  // sqrt( sum (y - barY)^2 / divisor ).
  double SdY(double divisor) const { return std::ldexp(std::sqrt(Rounded(m_ssY) / divisor), m_y.scale); }
  // The least-squares slope of y on x: nan where x is constant.
  double Slope() const { return std::ldexp(Rounded(m_sxy) / Rounded(m_ssX), m_y.scale - m_x.scale); }
  // sqrt( sum (y - c x)^2 / divisor ) with c the ratio barY / barX or the slope.
  double ResidualSd(bool slope, double divisor) const;
  void Add(double y, double x = 0);
  // y alone: the x sums stay 0, as Add(y, 0) leaves them, at a third of the cost.
  void AddY(double y);
  // AddY of each number in turn, up to the first value missing or not a
  // number: the same bits, the sums held in registers. The count added.
  std::size_t AddYs(std::span<const Value> values);
  // groups[g].AddY(y) for each unit (g, y) in turn.
  static void AddYs(std::span<Moments> groups, std::span<const std::pair<std::size_t, double>> units);
  // The moments of this part and `other` together.
  void Merge(const Moments& other);

 private:
  struct Variable {
    double shift = 0;        // the first unit's value
    double off = 0;          // the mean less that
    int scale = 0;           // the values are taken times 2^-scale
    double limit = 0x1p470;  // the largest value taken without scaling further
    // The values' own sum, for the mean: the running mean can lose a small
    // mean to the rounding of values far larger (1e154, -1e154, 3).
    Wide sum;
    double Mean(long long count) const { return Rounded(sum) / static_cast<double>(count); }
  };
  void StepY(double y);  // AddY, inline where the units come many at a time
  // `v` in the units of the moments of `var`, scaled further first where it is too large.
  double Scaled(Variable& var, double v);
  // Takes `var` (and its sums) to the units 2^scale, where those are larger.
  void ScaleTo(Variable& var, int scale);
  Variable m_y, m_x;
  Wide m_ssY, m_ssX, m_sxy;  // in units of 2^(2 scale) (2^(scale x + scale y) for the cross sum)
};

// What one scan gives: the units used and skipped, the moments of all units
// (merged from the groups' where there are groups) and of each stratum or
// group (in order of first appearance), and the row of each group's first unit.
struct Scan {
  long long used = 0, skipped = 0;
  long long Rows() const { return used + skipped; }  // the data rows of the file
  Moments all;
  std::vector<std::string> groups;  // each as it is first written
  std::vector<Moments> byGroup;
  std::vector<long long> firstRow;
  std::vector<double> sizes;  // each group's `size` value, where the plan reads one
  // Where the plan reads sizes: the rows of each group skipped as missing,
  // by GroupKey (groups with no unit used included).
  struct Skipped {
    std::string name;  // as first written
    long long rows = 0, firstRow = 0;
  };
  std::unordered_map<std::string, Skipped> skippedBy;
  // (y, probability or x) of each unit in file order, where the plan keeps them.
  std::vector<std::pair<double, double>> elements;
  std::vector<long long> elementRows;  // the data row of each
};

// What a scan reads: the roles that must be numeric, the role whose values
// name the groups (none: one group), and whether y must be 0 or 1.
struct ScanPlan {
  std::vector<Role> numeric;
  std::optional<Role> by;
  bool zeroOne = false;
  bool sizes = false;  // reads `size` (N_i, the same on every unit of a group) when it is bound
  // Keeps each unit's y and second numeric role (`prob`, which must lie in (0, 1], or `x`).
  bool elements = false;
};

// A group's size as a population file gives it.
struct PopulationSize {
  std::string name;  // as the file writes it
  double size = 0;
  long long line = 0;
};

// A pair of a pairs file: data rows a < b.
struct JointProbability {
  std::uint32_t a = 0, b = 0, line = 0;
  double p = 0;
};

class DataSession {
 public:
  // `shown` is how messages and the data note name the file.
  std::optional<DataProblem> Open(const std::string& path, std::string shown);
  // The same with a file already open (bytes in memory, for the fuzzer).
  void Open(std::unique_ptr<DataFile> file, std::string shown);
  // Binds roles to variables of the open file; every name must be found.
  std::optional<DataProblem> Use(std::span<const std::pair<Role, std::string>> roles);
  // Lines of "VALUE,SIZE" (or ";" or tab); a first line whose size is not a
  // number is a header. Each size a whole number above 0, each group once
  // (by GroupKey).
  std::optional<DataProblem> LoadPopulation(const std::string& path, std::string shown);
  // Lines of "I,J,P_IJ": the joint inclusion probability of the units of
  // data rows I and J; a first line that is not three numbers is a header.
  std::optional<DataProblem> LoadPairs(const std::string& path, std::string shown);
  // The pair of the units of data rows a and b, in either order.
  const JointProbability* Pair(long long a, long long b) const;
  const std::deque<JointProbability>& Pairs() const { return m_pairs; }
  bool HasPairs() const { return !m_pairs.empty(); }
  const std::string& PairsName() const { return m_pairsShown; }
  // `use` alone: the roles go, the file and the population stay for a later `use`.
  void EndUse() { m_roles = {}; }
  void DropPopulation() { m_population.clear(), m_populationIndex.clear(), m_populationShown.clear(); }
  void DropPairs() { m_pairs = {}, m_pairsShown.clear(); }
  bool Active() const { return m_file && Bound() > 0; }
  std::size_t Bound() const;
  bool Has(Role role) const { return m_roles[static_cast<std::size_t>(role)].has_value(); }
  const std::string& Variable(Role role) const;
  const std::string& FileName() const { return m_shown; }

  std::optional<DataProblem> Run(const ScanPlan& plan, Scan& scan) const;
  // The population file's line for group `name`, if it names the group.
  const PopulationSize* Population(std::string_view name) const;
  bool HasPopulation() const { return !m_population.empty(); }
  const std::string& PopulationName() const { return m_populationShown; }
  const std::vector<PopulationSize>& Population() const { return m_population; }

  // The note the journal gets with the block: file, variables, the names of
  // the strata or groups, the population file where it gave sizes, the
  // weight the file declares, units.
  std::vector<std::string> Note(const Scan& scan, const ScanPlan& plan, bool population, bool pairs) const;

  DataProblem Problem(long long row, Role role, std::string text) const;
  DataProblem Problem(std::string text, Remedy remedy = {}) const {
    return {m_shown, 0, {}, std::move(text), 0, std::move(remedy)};
  }

 private:
  struct Bound_ {
    std::string variable;
    std::size_t column;
  };
  std::unique_ptr<DataFile> m_file;
  std::string m_shown;
  std::array<std::optional<Bound_>, kRoles> m_roles{};
  std::vector<PopulationSize> m_population;
  std::unordered_map<std::string, std::size_t> m_populationIndex;  // by GroupKey
  std::string m_populationShown;
  std::deque<JointProbability> m_pairs;  // by rows, then line
  std::string m_pairsShown;
};

// The one rule by which values name strata and groups, in the data and in a
// population file: a value that reads as a number is that number however it
// is written (1, 1.0 and " 1" are one group); other text is itself.
std::string GroupKey(std::string_view value);

// Whether a group value of the data and one of the population file name the
// same group: the same key.
bool SameGroup(std::string_view a, std::string_view b);

// A variable's name as a `use` statement writes it: between double quotes
// (a quote in it doubled) when it is empty or holds a blank or a quote.
// Nullopt when no script can write it (a control byte).
std::optional<std::string> ScriptName(std::string_view name);
// The same for a note: a name no script can write, escaped.
std::string NoteName(std::string_view name);

// Data mode cannot answer this command, or this road of it.
inline const Remedy kEndDataMode{"end data mode with use alone", "Data > Clear data ends data mode"};

// The note's line naming the strata or groups by their row numbers
// ("Data strata: 1 = North, 2 = South"); a long list ends with how many more.
std::string NamesLine(Role by, std::span<const std::string> names);

// A double as the shortest text that reads back as the same double.
std::string ShortestText(double value);
// A whole number as its digits ("100000", never "1e+05").
std::string WholeText(double value);

}  // namespace mirto::data
