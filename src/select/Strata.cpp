#include "select/Strata.h"

#include <cmath>

#include "data/DataFormats.h"
#include "data/DataSession.h"
#include "data/Delimited.h"
#include "extras/Commands.h"
#include "framework/Format.h"

namespace mirto::select {

std::optional<data::DataProblem> StratumFile::Read(const std::string& path, const std::string& shown, const char* what,
                                                   bool whole, bool zero) {
  m_shown = shown;
  const data::DelimitedRead read = data::ReadDelimitedFile(path);
  auto problem = [&](std::string text, long long line) { return data::MakeProblem(shown, std::move(text), 0, line); };
  if (read.problem) return problem(read.problem->text, read.problem->line);
  const data::DelimitedTable& t = read.table;
  if (t.Rows() > 0 && t.Columns() != 2) return problem(Format("2 fields a line, the stratum and %s", what), t.Line(0));
  for (std::size_t r = 0; r < t.Rows(); ++r) {
    const data::Value v = data::ReadCell(t.Cell(r, 1));
    if (!v.numeric && r == 0) continue;  // a header
    const double x = v.number;
    const bool ok = v.numeric && std::isfinite(x) && (whole ? x >= 0 && x == std::floor(x) : zero ? x >= 0 : x > 0);
    if (!ok)
      return problem(Format("%s must be %s", what,
                            whole  ? "a whole number, 0 or more"
                            : zero ? "a number, 0 or more"
                                   : "a number above 0"),
                     t.Line(r));
    const std::string name(t.Cell(r, 0));
    if (Find(name)) return problem("the stratum \"" + name + "\" is given twice", t.Line(r));
    m_rows.push_back({name, x, t.Line(r)});
  }
  if (m_rows.empty()) return problem(Format("no strata with %s in the file", what), 0);
  return std::nullopt;
}

const StratumFigure* StratumFile::Find(std::string_view stratum) const {
  for (const StratumFigure& f : m_rows)
    if (f.name == stratum) return &f;
  for (const StratumFigure& f : m_rows)
    if (data::SameGroup(f.name, stratum)) return &f;
  return nullptr;
}

std::optional<std::string> Allocate(Allocation allocation, const std::vector<StratumSize>& strata, long long n,
                                    long long minimum, std::vector<long long>& sizes) {
  std::vector<double> a, lower, upper;
  double least = 0, most = 0;
  for (const StratumSize& s : strata) {
    const double weight = allocation == Allocation::Proportional ? s.N
                          : allocation == Allocation::Neyman     ? s.N * s.sd
                                                                 : s.N * s.sd / std::sqrt(s.cost);
    a.push_back(weight);
    lower.push_back(std::min(static_cast<double>(minimum), s.N));
    upper.push_back(s.N);
    least += lower.back();
    most += upper.back();
  }
  if (static_cast<double>(n) > most) return Format("n= %lld is larger than the frame's N= %.0f", n, most);
  if (least > static_cast<double>(n))
    return Format("the minimum of %lld units per stratum adds up to %.0f, more than n= %lld", minimum, least, n);
  const std::vector<double> whole = extras::WholeAllocation(a, lower, upper, static_cast<double>(n));
  sizes.assign(whole.begin(), whole.end());
  return std::nullopt;
}

}  // namespace mirto::select
