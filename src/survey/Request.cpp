#include "survey/Request.h"

#include <array>
#include <utility>

namespace mirto::survey {
namespace {

template <typename E, std::size_t N>
std::optional<E> Named(const std::array<std::pair<E, std::string_view>, N>& table, std::string_view name) {
  for (const auto& [value, text] : table)
    if (text == name) return value;
  return std::nullopt;
}

template <typename E, std::size_t N>
std::string_view NameOf(const std::array<std::pair<E, std::string_view>, N>& table, E value) {
  for (const auto& [v, text] : table)
    if (v == value) return text;
  return {};
}

constexpr std::array<std::pair<Lonely, std::string_view>, 5> kLonely = {{{Lonely::Fail, "fail"},
                                                                         {Lonely::Remove, "remove"},
                                                                         {Lonely::Certainty, "certainty"},
                                                                         {Lonely::Adjust, "adjust"},
                                                                         {Lonely::Average, "average"}}};
constexpr std::array<std::pair<ReplicateType, std::string_view>, 6> kTypes = {{{ReplicateType::JK1, "JK1"},
                                                                               {ReplicateType::JKn, "JKn"},
                                                                               {ReplicateType::BRR, "BRR"},
                                                                               {ReplicateType::Fay, "Fay"},
                                                                               {ReplicateType::Bootstrap, "bootstrap"},
                                                                               {ReplicateType::SDR, "SDR"}}};
constexpr std::array<std::pair<Statistic, std::string_view>, 4> kStatistics = {{{Statistic::Mean, "mean"},
                                                                                {Statistic::Total, "total"},
                                                                                {Statistic::Proportion, "proportion"},
                                                                                {Statistic::Ratio, "ratio"}}};

constexpr std::array<std::pair<CalibrationMethod, std::string_view>, 3> kMethods = {
    {{CalibrationMethod::PostStrata, "poststrata"},
     {CalibrationMethod::Rake, "rake"},
     {CalibrationMethod::Linear, "linear"}}};

}  // namespace

std::string_view MethodName(CalibrationMethod method) { return NameOf(kMethods, method); }
std::string_view LonelyName(Lonely lonely) { return NameOf(kLonely, lonely); }
std::optional<Lonely> LonelyNamed(std::string_view name) { return Named(kLonely, name); }
std::string_view TypeName(ReplicateType type) { return NameOf(kTypes, type); }
std::optional<ReplicateType> TypeNamed(std::string_view name) { return Named(kTypes, name); }
std::string_view StatisticName(Statistic statistic) { return NameOf(kStatistics, statistic); }
std::optional<Statistic> StatisticNamed(std::string_view name) { return Named(kStatistics, name); }

}  // namespace mirto::survey
