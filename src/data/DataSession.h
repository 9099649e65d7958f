#pragma once
// Data mode: a unit-level data file, the variables bound to the roles a
// calculation needs, and the stratum or group sizes of a population file.
// It stays with the document's host for the commands that follow until it
// is cleared; the figures of each command are worked out from it in one scan
// (data/Figures.h).
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
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
// costs no digits of the deviations, as its rounding would.
class Moments {
 public:
  long long n = 0;
  Wide ssY, ssX, sxy;  // sums of squared and cross deviations about the means
  double MeanY() const { return m_shiftY + m_offY; }
  double MeanX() const { return m_shiftX + m_offX; }
  void Add(double y, double x = 0);
  // y alone: the x sums stay 0, as Add(y, 0) leaves them, at a third of the cost.
  void AddY(double y);
  // The moments of this part and `other` together.
  void Merge(const Moments& other);

 private:
  double m_shiftY = 0, m_shiftX = 0;  // the first unit's values
  double m_offY = 0, m_offX = 0;      // the means less those
};

// What one scan gives: the units used and skipped, the moments of all units
// (merged from the groups' where there are groups) and of each stratum or
// group (in order of first appearance), and the row of each group's first unit.
struct Scan {
  long long used = 0, skipped = 0;
  Moments all;
  std::vector<std::string> groups;
  std::vector<Moments> byGroup;
  std::vector<long long> firstRow;
  std::vector<double> sizes;  // each group's `size` value, where the plan reads one
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

class DataSession {
 public:
  // `shown` is how messages and the data note name the file.
  std::optional<DataProblem> Open(const std::string& path, std::string shown);
  // Binds roles to variables of the open file; every name must be found.
  std::optional<DataProblem> Use(std::span<const std::pair<Role, std::string>> roles);
  // Lines of "VALUE,SIZE" (or ";" or tab); a first line whose size is not a
  // number is a header.
  std::optional<DataProblem> LoadPopulation(const std::string& path, std::string shown);
  // Lines of "I,J,P_IJ": the joint inclusion probability of the units of
  // data rows I and J; a first line that is not three numbers is a header.
  std::optional<DataProblem> LoadPairs(const std::string& path, std::string shown);
  // The joint probability of the units of data rows a and b, in either order.
  std::optional<double> Pair(long long a, long long b) const;
  bool HasPairs() const { return !m_pairs.empty(); }
  const std::string& PairsName() const { return m_pairsShown; }
  // `use` alone: the roles go, the file and the population stay for a later `use`.
  void EndUse() { m_roles = {}; }
  void DropPopulation() { m_population.clear(), m_populationShown.clear(); }
  void DropPairs() { m_pairs.clear(), m_pairsShown.clear(); }
  bool Active() const { return m_file && Bound() > 0; }
  std::size_t Bound() const;
  bool Has(Role role) const { return m_roles[static_cast<std::size_t>(role)].has_value(); }
  const std::string& Variable(Role role) const;
  const std::string& FileName() const { return m_shown; }

  std::optional<DataProblem> Run(const ScanPlan& plan, Scan& scan) const;
  // The population size of group `name`, if the population file names it.
  std::optional<double> PopulationSize(std::string_view name) const;
  bool HasPopulation() const { return !m_population.empty(); }
  const std::string& PopulationName() const { return m_populationShown; }
  const std::vector<std::pair<std::string, double>>& Population() const { return m_population; }

  // The note the journal gets before the block: file, variables, the
  // population file where it gave sizes, units.
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
  std::vector<std::pair<std::string, double>> m_population;
  std::string m_populationShown;
  std::map<std::pair<long long, long long>, double> m_pairs;  // rows in increasing order
  std::string m_pairsShown;
};

// Whether a group value of the data and one of the population file name the
// same group: the same text, or the same number however written (1 and 1.0).
bool SameGroup(std::string_view a, std::string_view b);

// Data mode cannot answer this command, or this road of it.
inline const Remedy kEndDataMode{"end data mode with use alone", "Data > Clear data ends data mode"};

// A double as the shortest text that reads back as the same double.
std::string ShortestText(double value);

}  // namespace mirto::data
