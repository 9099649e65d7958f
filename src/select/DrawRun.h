#pragma once
// The working state of one draw, shared by its passes (Draw.cpp: reading,
// allocating, choosing; DrawWrite.cpp: the pass that writes and the files).
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/DataFormats.h"
#include "data/DataSession.h"
#include "select/Draw.h"
#include "select/Methods.h"
#include "select/Output.h"
#include "select/Spill.h"
#include "select/Strata.h"

namespace mirto::select {

using data::DataProblem;
using data::Value;

// A pairs file has n (n - 1) / 2 lines; Sampford's p_ij take memory in the square of the draws.
inline constexpr std::size_t kMaxPairUnits = 10'000, kMaxSampfordPairs = 2'000;

// How a stratum's units are chosen in the pass that writes.
enum class Mode : std::uint8_t {
  Reservoir,  // simple random, one pass
  Positions,  // a list of chosen positions among the stratum's units
  Rows,       // a list of chosen frame rows (the frame sorted)
  Walk,       // units walked by size against points (systematic PPS, PPS with replacement)
  Groups      // the units of chosen groups
};

struct Stratum {
  std::string key, name;
  long long firstRow = 0;
  long long N = 0, units = 0, n = 0;
  long long nLine = 0;  // the line of sizes= that gave n, if one did
  RunningSum X;
  std::optional<Largest> largest;
  Doubles sizes;  // Sampford and Brewer: every size
  long long sdCount = 0;
  double sdMean = 0, sdM2 = 0, sd = std::nan(""), cost = std::nan("");
  Certainty certainty;
  std::vector<std::size_t> members;  // its groups
  // Choosing
  std::vector<long long> chosen;
  std::size_t next = 0;
  PointWalk walk;
  std::optional<Reservoir> reservoir;
  std::vector<SampleRow> slots;
  long long seen = 0, certainSeen = 0;
  RunningSum piSum;
  // Joint probabilities
  double spacing = 0;    // systematic PPS: the points' spacing in sizes
  double oddsTotal = 0;  // Sampford: the sum of pi / (1 - pi)
  std::optional<SampfordJoint> sampford;
  bool keepArcs = false;  // systematic PPS with few units: every arc, for the p_ij = 0 check
  std::vector<std::pair<double, double>> arcs;
};

struct Group {
  std::size_t stratum = 0;
  long long firstRow = 0, units = 0;
  double size = 0;
  std::string name;
  double pi = 0;  // or q with replacement
  long long hits = 0;
  std::vector<long long> chosen;  // two-stage: its units drawn
  std::size_t next = 0;
  long long seen = 0;
};

// What the pairs file needs of a drawn unit.
struct Drawn {
  std::size_t stratum = 0;
  double pi = 0, start = 0;
  bool certain = false;
};

// A chosen row of a sorted frame.
struct ChosenRow {
  long long row = 0;
  double start = 0;
};

// Strata and groups by value: a number however written, else the text.
std::string KeyOf(const Value& v);

// The value a row had last and where it led: frames often come ordered by
// stratum or group, and a row like the one before takes no lookup.
struct LastValue {
  bool valid = false, numeric = false;
  double number = 0;
  std::string text;
  std::size_t index = 0;
  bool Same(const Value& v) const {
    return valid && v.numeric == numeric && (numeric ? v.number == number : v.text == text);
  }
  void Set(const Value& v, std::size_t at) {
    valid = true;
    numeric = v.numeric;
    number = v.number;
    text = v.text;
    index = at;
  }
};

// Where the design's variables stand among the columns a pass reads (-1: not read).
struct Slots {
  int stratum = -1, group = -1, size = -1, sort = -1, sd = -1;
};

class DrawRun {
 public:
  DrawRun(const DrawRequest& request, const DrawOptions& options, DrawResult& result)
      : m_r(request), m_options(options), m_result(result), m_g(0) {}
  std::optional<DataProblem> Run();

 private:
  // Draw.cpp
  std::optional<DataProblem> Prepare();
  std::optional<DataProblem> Census();
  // The census of one stratum's sizes alone: the leading rows of `sizes` that read, taken; how many.
  std::size_t CensusSizes(std::span<const Value> sizes);
  // False, with the problem, to stop.
  bool CensusRow(long long row, std::span<const Value> v, const Slots& slots, bool keepSizes,
                 std::optional<DataProblem>& stop);
  std::optional<DataProblem> CountUnits();
  std::optional<DataProblem> AddSortKey(long long row, const Value& v, std::size_t stratum);
  std::optional<DataProblem> AddDeviation(long long row, const Value& v, Stratum& s);
  std::optional<DataProblem> Allocate();
  std::optional<DataProblem> CheckSizes();
  std::optional<DataProblem> Certainties();
  std::optional<DataProblem> Choose();
  std::optional<DataProblem> ChooseGroups(Stratum& s);
  std::optional<DataProblem> ChooseSorted();
  std::optional<DataProblem> ChooseSortedBySize(std::vector<std::uint32_t>& order);
  std::optional<DataProblem> SecondStage();
  // The units' sizes (and strata) the census kept, in file order: visit(row, stratum, x) gives a problem to stop.
  template <typename Visit>
  std::optional<DataProblem> Spilled(const Visit& visit) {
    const auto failed = [&] { return data::MakeProblem({}, "cannot read back the draw's temporary file"); };
    if (!m_spillSizes->Rewind() || (m_spillStrata && !m_spillStrata->Rewind())) return failed();
    long long row = 0;
    double x = 0;
    std::uint32_t si = 0;
    while (m_spillSizes->Next(x)) {
      if (m_spillStrata && !m_spillStrata->Next(si)) break;
      if (auto p = visit(++row, static_cast<std::size_t>(si), x)) return p;
    }
    if (!m_spillSizes->Ok() || (m_spillStrata && !m_spillStrata->Ok()) || row != m_spilled) return failed();
    return std::nullopt;
  }
  // The frame's rows, a few columns at a time (the first `converted` read,
  // the others maybe unread); `visit` returns a problem to stop.
  std::optional<DataProblem> Pass(
      std::vector<std::size_t> columns,
      const std::function<std::optional<DataProblem>(long long, std::span<const Value>)>& visit,
      std::size_t converted = std::string::npos);
  std::vector<std::size_t> DesignColumns(Slots& slots) const;
  std::optional<DataProblem> StratumOf(long long row, const Value* v, std::size_t& index);
  std::optional<DataProblem> GroupOf(long long row, const Value& v, std::size_t stratum, double size,
                                     std::size_t& index);
  std::optional<DataProblem> SizeOf(long long row, const Value& v, double& x) const;
  std::optional<DataProblem> NewStratumSize(Stratum& s);
  DataProblem Problem(std::string text, long long row = 0, std::string variable = {}) const;
  DataProblem ForStratum(const Stratum& s, std::string text) const;
  bool NeedsCensus() const;
  bool UnitSizes() const { return !m_r.size.empty() && !m_r.Groups(); }
  Mode ModeOf() const;

  // DrawWrite.cpp
  std::optional<DataProblem> WritePass();
  std::optional<DataProblem> ChosenPass(const std::vector<std::size_t>& columns, const Slots& slots);
  std::optional<DataProblem> Take(long long row, std::span<const Value> values, const Slots& slots);
  // A unit of stratum `si` of size `x` met in file order: whether it is drawn, and the columns it adds to the sample.
  bool Judge(long long row, std::size_t si, double x, std::vector<double>& added);
  std::optional<DataProblem> SpilledPass();
  template <typename Judged>
  std::optional<DataProblem> SpilledWalk(const Judged& judge);
  bool MarksOf(const std::vector<long long>& rows, std::vector<data::RowMark>& from);
  std::optional<DataProblem> TakeGroupUnit(long long row, std::span<const Value> values, const Slots& slots);
  void Add(long long row, std::span<const Value> values, std::vector<double> added);
  std::optional<DataProblem> Finish();
  std::optional<DataProblem> CheckSums();
  std::optional<DataProblem> WriteFiles();
  std::optional<DataProblem> PairsText(StagedFile& file);
  std::optional<DataProblem> ZeroPairs(Stratum& s);
  void Columns();

  const DrawRequest& m_r;
  const DrawOptions& m_options;
  DrawResult& m_result;
  Generator m_g;
  Mode m_mode = Mode::Reservoir;  // ModeOf(), once the frame is open
  std::unique_ptr<data::DataFile> m_frame;
  std::optional<std::size_t> m_size, m_stratum, m_group, m_sort, m_sdColumn;
  std::optional<SampleFormat> m_format;
  std::optional<StratumFile> m_sizes, m_sdFile, m_costFile;
  std::vector<Stratum> m_strata;
  std::unordered_map<std::string, std::size_t> m_strataByKey;
  LastValue m_lastStratum, m_lastGroup;
  std::vector<Group> m_groups;
  std::unordered_map<std::string, std::size_t> m_groupsByKey;
  // A sorted frame: keys while reading, then the order; the chosen rows.
  Doubles m_keys;
  Blocks<std::uint32_t> m_stratumOfUnit;
  std::vector<std::string> m_texts;  // the sort variable's text values
  std::unordered_map<std::string, std::uint32_t> m_textIds;
  std::vector<ChosenRow> m_chosenRows;
  std::size_t m_nextRow = 0;
  // The sample.
  SampleColumns m_columns;
  std::vector<SampleRow> m_rows;
  std::vector<Drawn> m_drawn;
  std::size_t m_frameFrom = 0;  // where the frame's own values start in the write pass's
  // Walks by size: the census's sizes and strata, so that the pass that writes reads only the rows drawn.
  std::optional<Spill<double>> m_spillSizes;
  std::optional<Spill<std::uint32_t>> m_spillStrata;
  std::optional<Spill<data::RowMark>> m_spillMarks;  // where rows start, every kMarkEvery-th
  data::FileStamp m_stamp;
  long long m_spilled = 0;
};

}  // namespace mirto::select
