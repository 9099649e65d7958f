#pragma once
// What a draw is asked to do: the `draw` statement of a script (Parse.cpp)
// and, later, the desktop's dialog fill the same request; RunDraw (Draw.h)
// carries it out.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mirto::select {

// With replacement the draws are held at once: at most this many.
inline constexpr long long kMaxDraws = 10'000'000;

enum class Design : std::uint8_t { Srs, Systematic, Pps, Cluster, TwoStage };
// How units (or groups) with unequal probabilities are drawn.
enum class PpsMethod : std::uint8_t { None, WithReplacement, Systematic, Sampford, Brewer };
enum class Allocation : std::uint8_t { None, Proportional, Neyman, Optimal };

struct DrawRequest {
  std::string frame;  // the frame file
  Design design = Design::Srs;
  long long n = 0;                    // units, or groups of a cluster or two-stage draw; the total when allocated
  long long m = 0;                    // two-stage: units drawn in each drawn group
  std::optional<std::uint64_t> seed;  // none: from the clock
  bool replace = false;               // srs with replacement
  PpsMethod method = PpsMethod::None;
  std::string size, sort, group, stratum;  // frame variables; empty when not given
  // Stratified: the n_h from a file (stratum, n_h), or allocated from n.
  std::string sizes;
  Allocation allocation = Allocation::None;
  std::string sd;         // Neyman and optimal: a frame variable, else a file (stratum, S_h)
  std::string costFile;   // optimal: a file (stratum, cost of a unit)
  long long minimum = 1;  // per stratum, when allocated
  // Output files; out is required.
  std::string out, population, pairs;

  bool WithReplacement() const { return replace || method == PpsMethod::WithReplacement; }
  bool Stratified() const { return !stratum.empty(); }
  bool Groups() const { return design == Design::Cluster || design == Design::TwoStage; }
};

// The text of a design as the statement writes it ("srs", "two-stage", ...).
std::string_view DesignName(Design design);
std::string_view MethodName(PpsMethod method);

}  // namespace mirto::select
