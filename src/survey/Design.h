#pragma once
// A survey design read from its file: one pass over the weight, stratum, PSU,
// fpc and replicate columns checks every value and finds the strata and PSUs
// (never the rows: memory grows with strata and PSUs). The estimates then
// take another pass each (Estimate.h), finding each row's stratum and PSU
// here.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "data/DataFile.h"
#include "framework/Sums.h"
#include "survey/Codes.h"
#include "survey/Recent.h"
#include "survey/Request.h"

namespace mirto::survey {

struct Stratum {
  std::size_t psus = 0;          // n_h: its PSUs (its units when there are no PSUs)
  std::size_t positivePsus = 0;  // those with a unit weighted above 0
  double fpc = 0;                // as the file gives it (0: none)
  long long fpcRow = 0;
  double factor = 1;    // 1 - f_h, (N_h - n_h) / N_h; 1 without fpc
  bool lonely = false;  // one PSU, and not the stratum's whole population
};

struct Replicates {
  ReplicateType type = ReplicateType::JK1;
  double rho = 0;
  std::vector<std::size_t> columns;  // of the file, in replicate order
  std::vector<std::string> names;
  double scale = 1;
  std::vector<double> rscales;  // one per replicate
  bool mse = false;             // centred on the full-sample estimate, else on the replicates' mean
  bool scaleGiven = false, mseGiven = false;
};

class Design {
 public:
  DesignRequest request;
  std::string file;  // as messages and the report name it
  std::size_t weight = 0;
  std::optional<std::size_t> strata, psu, fpc;  // columns
  bool fractions = false;                       // fpc as sampling fractions (every value at most 1)

  long long units = 0, zeroWeights = 0;
  Wide sumWeights;
  double df = 0;  // degrees of freedom

  Codes strataCodes;
  std::vector<Stratum> strataFigures;  // by stratum number (one stratum when there is no strata variable)
  std::size_t psus = 0;                // PSUs in all (units when there are no PSUs)
  std::vector<std::uint32_t> psuStratum;
  std::optional<Replicates> replicates;
  // The file's size and modification time when the design was read: an
  // estimate from a file changed since would use strata and PSUs it no longer has.
  std::optional<std::pair<long long, long long>> stamp;

  bool Taylor() const { return !replicates; }
  std::size_t StratumCount() const { return strataFigures.size(); }
  std::vector<std::size_t> LonelyStrata() const;

  // The stratum and PSU of a row from its stratum and PSU values (the
  // stratum's absent when the design has none); Codes::kNone when the design
  // pass did not see them. Without PSUs the PSU is the unit and is not numbered.
  std::size_t StratumOf(const data::Value* stratum) const { return stratum ? strataCodes.Find(*stratum) : 0; }
  std::size_t PsuOf(std::size_t stratum, const data::Value& code) const;

  // Design pass: new strata and PSUs as they come; a problem for a PSU
  // found in two strata without nest.
  std::size_t AddStratum(const data::Value* stratum, long long row);
  std::variant<std::size_t, std::string> AddPsu(std::size_t stratum, const data::Value& code, long long row);

 private:
  std::uint64_t PsuKey(std::size_t stratum, std::size_t code) const;

  Codes m_psuCodes;
  std::unordered_map<std::uint64_t, std::uint32_t> m_psuIndex;
  std::vector<long long> m_psuRow;
  std::vector<std::uint32_t> m_psuOfCode;  // without nest: by PSU code number
  mutable Recent m_recent;
};

// Reads the design's columns of `file` (called `shown` in messages). Each
// refusal names the file, the row and the variable.
std::variant<Design, data::DataProblem> ReadDesign(const data::DataFile& file, const std::string& shown,
                                                   const DesignRequest& request);

// The rank of the n x R matrix whose Gram matrix (R x R, row by row) is
// `gram`, as a QR decomposition with limited column pivoting finds it: a
// column counts when what is left of it after the columns counted before is
// at least `tol` times its length.
std::size_t GramRank(const std::vector<double>& gram, std::size_t columns, double tol);

// The replicate weights a file seems to hold: the largest family of columns
// PREFIX1..PREFIXR (R at least 2), and the type its prefix suggests.
struct ReplicateProposal {
  std::string prefix;
  std::size_t count = 0;
  ReplicateType type = ReplicateType::JK1;
};
std::optional<ReplicateProposal> ProposeReplicates(const std::vector<data::Variable>& variables);

// A file's size and modification time (nanoseconds), where it has a path.
std::optional<std::pair<long long, long long>> FileStamp(const data::DataFile& file);

// Problems with a value, named as the data readers name them.
std::string NotANumber(std::string_view text);
bool IsVariableNumeric(const data::DataFile& file, std::size_t column);

}  // namespace mirto::survey
