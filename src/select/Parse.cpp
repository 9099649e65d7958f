#include "select/Parse.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "framework/Format.h"
#include "journal/Excerpt.h"
#include "select/Generator.h"

namespace mirto::select {
namespace {

struct Word {
  std::string_view key;  // empty for a word without '='
  std::string value;
};

bool Blank(char c) { return c == ' ' || c == '\t'; }

// Words separated by blanks; a value may be quoted to hold blanks.
std::optional<std::string> Split(std::string_view text, std::vector<Word>& words) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (Blank(text[i])) {
      ++i;
      continue;
    }
    Word w;
    const std::size_t start = i;
    while (i < text.size() && !Blank(text[i]) && text[i] != '=' && text[i] != '"') ++i;
    if (i < text.size() && text[i] == '=') {
      w.key = text.substr(start, i - start);
      ++i;
      if (i < text.size() && text[i] == '"') {
        const std::size_t close = text.find('"', i + 1);
        if (close == std::string_view::npos) return "a quoted value is not closed: " + Excerpt(text.substr(start));
        w.value = text.substr(i + 1, close - i - 1);
        i = close + 1;
        if (i < text.size() && !Blank(text[i])) return "a blank must follow the quoted value of " + Excerpt(w.key);
      } else {
        const std::size_t end = std::min(text.find_first_of(" \t", i), text.size());
        w.value = text.substr(i, end - i);
        i = end;
      }
      if (w.key.empty()) return "a value without its name: =" + Excerpt(w.value);
      if (w.value.empty()) return Excerpt(w.key) + "= needs a value";
    } else {
      while (i < text.size() && !Blank(text[i])) ++i;
      w.value = text.substr(start, i - start);
    }
    words.push_back(std::move(w));
  }
  return std::nullopt;
}

std::optional<unsigned long long> Whole(std::string_view text) {
  unsigned long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

// A count: a whole number from `least` to 10^12.
std::optional<std::string> Count(const Word& w, long long least, long long& out) {
  const auto v = Whole(w.value);
  if (!v || *v < static_cast<unsigned long long>(least) || *v > 1'000'000'000'000ULL)
    return Format("%s=%s: give a whole number from %lld up", Excerpt(w.key).c_str(), Excerpt(w.value).c_str(), least);
  out = static_cast<long long>(*v);
  return std::nullopt;
}

template <typename E>
struct Named {
  std::string_view name;
  E value;
};

constexpr Named<Design> kDesigns[] = {{"srs", Design::Srs},
                                      {"systematic", Design::Systematic},
                                      {"pps", Design::Pps},
                                      {"cluster", Design::Cluster},
                                      {"two-stage", Design::TwoStage}};
constexpr Named<PpsMethod> kMethods[] = {{"wr", PpsMethod::WithReplacement},
                                         {"systematic", PpsMethod::Systematic},
                                         {"sampford", PpsMethod::Sampford},
                                         {"brewer", PpsMethod::Brewer}};
constexpr Named<Allocation> kAllocations[] = {
    {"proportional", Allocation::Proportional}, {"neyman", Allocation::Neyman}, {"optimal", Allocation::Optimal}};

template <typename E, std::size_t K>
std::optional<E> Find(const Named<E> (&table)[K], std::string_view name) {
  for (const auto& row : table)
    if (row.name == name) return row.value;
  return std::nullopt;
}

template <typename E, std::size_t K>
std::string Choices(const Named<E> (&table)[K]) {
  std::string s;
  for (const auto& row : table) s += (s.empty() ? "" : ", ") + std::string(row.name);
  return s;
}

template <typename E, std::size_t K>
std::string_view NameOf(const Named<E> (&table)[K], E value) {
  for (const auto& row : table)
    if (row.value == value) return row.name;
  return {};
}

// One key=value word into the request.
std::optional<std::string> Take(const Word& w, DrawRequest& r) {
  const std::string_view k = w.key;
  if (k == "n") return Count(w, 1, r.n);
  if (k == "m") return Count(w, 1, r.m);
  if (k == "min") return Count(w, 0, r.minimum);
  if (k == "seed") {
    const auto v = Whole(w.value);
    if (!v || *v > kMaxSeed)
      return Format("seed=%s: a seed is a whole number from 0 to %llu", Excerpt(w.value).c_str(),
                    static_cast<unsigned long long>(kMaxSeed));
    r.seed = *v;
    return std::nullopt;
  }
  if (k == "method") {
    const auto m = Find(kMethods, w.value);
    if (!m) return "method=" + Excerpt(w.value) + ": give " + Choices(kMethods);
    r.method = *m;
    return std::nullopt;
  }
  if (k == "allocation") {
    const auto a = Find(kAllocations, w.value);
    if (!a) return "allocation=" + Excerpt(w.value) + ": give " + Choices(kAllocations);
    r.allocation = *a;
    return std::nullopt;
  }
  std::string* text = k == "size"         ? &r.size
                      : k == "sort"       ? &r.sort
                      : k == "group"      ? &r.group
                      : k == "stratum"    ? &r.stratum
                      : k == "sizes"      ? &r.sizes
                      : k == "sd"         ? &r.sd
                      : k == "cost"       ? &r.costFile
                      : k == "out"        ? &r.out
                      : k == "population" ? &r.population
                      : k == "pairs"      ? &r.pairs
                                          : nullptr;
  if (!text) return "unknown option " + Excerpt(k) + "=";
  *text = w.value;
  return std::nullopt;
}

}  // namespace

std::string_view DesignName(Design design) { return NameOf(kDesigns, design); }
std::string_view MethodName(PpsMethod method) { return NameOf(kMethods, method); }

std::optional<std::string> ParseDraw(std::string_view text, DrawRequest& r) {
  std::vector<Word> words;
  if (auto bad = Split(text, words)) return bad;
  if (words.empty() || !words[0].key.empty()) return "draw needs a design first: " + Choices(kDesigns);
  const auto design = Find(kDesigns, words[0].value);
  if (!design) return "draw " + Excerpt(words[0].value) + ": the design is one of " + Choices(kDesigns);
  r.design = *design;
  std::vector<std::string_view> seen;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const Word& w = words[i];
    if (w.key.empty()) {
      if (w.value != "replace") return "unknown word " + Excerpt(w.value) + " (options are NAME=VALUE, or replace)";
      if (r.replace) return "replace is given twice";
      r.replace = true;
      continue;
    }
    if (std::find(seen.begin(), seen.end(), w.key) != seen.end()) return Excerpt(w.key) + "= is given twice";
    seen.push_back(w.key);
    if (auto bad = Take(w, r)) return bad;
  }
  return std::nullopt;
}

namespace {

// "X= is not for ..." when `given`.
std::optional<std::string> NotFor(bool given, const char* option, const char* what) {
  if (!given) return std::nullopt;
  return std::string(option) + " is not for " + what;
}

std::optional<std::string> CheckStrata(const DrawRequest& r) {
  const bool allocated = r.allocation != Allocation::None;
  if (!r.Stratified()) {
    if (allocated || !r.sizes.empty() || !r.sd.empty() || !r.costFile.empty())
      return "allocation=, sizes=, sd= and cost= share a sample among strata: give stratum= too";
    if (r.minimum != 1) return "min= is the least n_h of an allocation: give stratum= and allocation= too";
    if (!r.population.empty() && !r.Groups())
      return "population= writes the N_h of strata or the sizes of groups: give stratum=, or draw groups";
    return std::nullopt;
  }
  if (allocated == !r.sizes.empty())
    return "a stratified draw takes either allocation= with n=, or sizes= (a file of stratum, n_h)";
  if (!allocated) {
    if (r.n) return "n= is the total of the n_h in sizes=: give one of them";
    if (!r.sd.empty() || !r.costFile.empty() || r.minimum != 1) return "sd=, cost= and min= are for allocation=";
    return std::nullopt;
  }
  const bool sd = !r.sd.empty();
  if (r.allocation == Allocation::Proportional && (sd || !r.costFile.empty()))
    return "allocation=proportional shares n by N_h alone: sd= and cost= are for neyman and optimal";
  if (r.allocation != Allocation::Proportional && !sd)
    return "allocation=" + std::string(NameOf(kAllocations, r.allocation)) +
           " needs sd=VARIABLE (a frame variable) or sd=FILE (stratum, S_h)";
  if (r.allocation == Allocation::Optimal && r.costFile.empty())
    return "allocation=optimal needs cost=FILE (stratum, cost of a unit)";
  if (r.allocation == Allocation::Neyman && !r.costFile.empty()) return "cost= is for allocation=optimal";
  return std::nullopt;
}

std::optional<std::string> CheckDesign(const DrawRequest& r) {
  const char* name = r.design == Design::Srs          ? "draw srs"
                     : r.design == Design::Systematic ? "draw systematic"
                     : r.design == Design::Pps        ? "draw pps"
                     : r.design == Design::Cluster    ? "draw cluster"
                                                      : "draw two-stage";
  if (auto bad = NotFor(r.replace && r.design != Design::Srs, "replace", name)) return bad;
  if (auto bad = NotFor(!r.group.empty() && !r.Groups(), "group=", name)) return bad;
  if (auto bad = NotFor(r.m && r.design != Design::TwoStage, "m=", name)) return bad;
  if (auto bad = NotFor(!r.size.empty() && r.design != Design::Pps && !r.Groups(), "size=", name)) return bad;
  if (r.design == Design::Pps && r.size.empty()) return "draw pps needs size=VARIABLE";
  if (r.design == Design::Pps && r.method == PpsMethod::None)
    return "draw pps needs method=wr, systematic, sampford or brewer";
  if (r.method != PpsMethod::None && r.size.empty()) return "method= draws by size: give size= too";
  if (r.Groups() && r.group.empty()) return std::string(name) + " needs group=VARIABLE";
  if (r.design == Design::TwoStage && !r.m) return "draw two-stage needs m= (units drawn in each group)";
  const bool systematic = r.design == Design::Systematic || r.method == PpsMethod::Systematic;
  if (!r.sort.empty() && (!systematic || r.Groups()))
    return "sort= orders the frame for a systematic draw: it is for draw systematic and method=systematic";
  const bool pairs = r.design == Design::Pps && r.method != PpsMethod::WithReplacement;
  if (!r.pairs.empty() && !pairs)
    return "pairs= writes the joint probabilities of draw pps with method=systematic, sampford or brewer";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> CheckRequest(const DrawRequest& r) {
  if (r.frame.empty()) return "no frame: give frame PATH before draw";
  if (auto bad = CheckDesign(r)) return bad;
  if (auto bad = CheckStrata(r)) return bad;
  if (!r.n && r.sizes.empty()) return "n= is needed (the sample size)";
  if (r.WithReplacement() && r.n > kMaxDraws) return Format("with replacement, n= is at most %lld draws", kMaxDraws);
  if (r.out.empty()) return "out=PATH is needed (the sample file)";
  const std::string* files[] = {&r.out, &r.population, &r.pairs};
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = i + 1; j < 3; ++j)
      if (!files[j]->empty() && *files[i] == *files[j]) return "two outputs name the same file " + *files[i];
  return std::nullopt;
}

namespace {

// A value as Split reads it back: quoted where a blank would split it.
bool Put(std::string& text, std::string_view key, std::string_view value) {
  if (value.empty()) return true;
  if (value.find_first_of("\"\n\r") != std::string_view::npos) return false;
  const bool quote = value.find_first_of(" \t=") != std::string_view::npos;
  text += " " + std::string(key) + "=" + (quote ? "\"" + std::string(value) + "\"" : std::string(value));
  return true;
}

}  // namespace

std::optional<std::string> DrawText(const DrawRequest& r) {
  std::string text(DesignName(r.design));
  const auto count = [&](const char* key, long long v) { text += Format(" %s=%lld", key, v); };
  if (r.n) count("n", r.n);
  if (r.m) count("m", r.m);
  if (r.replace) text += " replace";
  bool ok = Put(text, "size", r.size);
  if (r.method != PpsMethod::None) text += " method=" + std::string(MethodName(r.method));
  for (const auto& [key, value] : {std::pair("group", &r.group), {"stratum", &r.stratum}, {"sizes", &r.sizes}})
    ok = Put(text, key, *value) && ok;
  if (r.allocation != Allocation::None) text += " allocation=" + std::string(NameOf(kAllocations, r.allocation));
  ok = Put(text, "sd", r.sd) && Put(text, "cost", r.costFile) && ok;
  if (r.minimum != 1) count("min", r.minimum);
  ok = Put(text, "sort", r.sort) && ok;
  if (r.seed) text += Format(" seed=%llu", static_cast<unsigned long long>(*r.seed));
  for (const auto& [key, value] : {std::pair("out", &r.out), {"population", &r.population}, {"pairs", &r.pairs}})
    ok = Put(text, key, *value) && ok;
  if (!ok) return std::nullopt;
  return text;
}

}  // namespace mirto::select
