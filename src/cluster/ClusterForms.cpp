// The per-group forms of cluster and two-stage sampling. The n_i field is
// shown only under two-stage sampling; under cluster sampling every element of
// a group is observed.
#include "cluster/Cluster.h"
#include "framework/FormCatalog.h"

namespace mirto {
namespace cluster {
namespace {

constexpr std::string_view kEnterGroup = "Enter the following data for group (stratum) no.:";
constexpr std::string_view kNextGroup = "Press OK for the next group or Cancel to abort.";

Control Elements() { return Digits("Number of elements, N_i:", 15); }
Control SampledElements() {
  return Digits("Number of sampled elements, n_i:", 15).EnabledBy(EnableRule::TwoStageMethod);
}

constexpr Item<Group> kN = WholeAsRealItem(&Group::N);
constexpr Item<Group> kSmallN = WholeAsRealItem(&Group::n);
constexpr Item<Group> kValue = RealItem(&Group::value);
constexpr Item<Group> kSpread = RealItem(&Group::spread);

}  // namespace

const GroupForm kMeanPointForm{{{174,
                                 "Cluster & Two-stage sampling, mean and total of variable, point estimates",
                                 {Static(kEnterGroup), RowNumber("", 15), Static(kNextGroup), Elements(),
                                  Field("Sample mean of variable, barY_i:", 15)}},
                                {kN, kValue}},
                               Target::MeanTotal,
                               Objective::Point};

const GroupForm kProportionPointForm{{{175,
                                       "Cluster & Two-stage sampling, proportion and number, point estimates",
                                       {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(),
                                        Field("Sample proportion in category, P_i:", 15)}},
                                      {kN, kValue}},
                                     Target::ProportionNumber,
                                     Objective::Point};

const GroupForm kMeanIntervalForm{
    {{176,
      "Cluster & Two-stage sampling, mean and total, confidence intervals",
      {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(), SampledElements(),
       Field("Sample mean of variable, barY_i:", 15), Field("Sample std. deviation of variable, S_i:", 15)}},
     {kN, kSmallN, kValue, kSpread}},
    Target::MeanTotal,
    Objective::Interval};

const GroupForm kProportionIntervalForm{{{178,
                                          "Cluster and Two-stage sampling, proportion and number, confidence intervals",
                                          {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(),
                                           SampledElements(), Field("Sample proportion in category, P_i:", 15)}},
                                         {kN, kSmallN, kValue}},
                                        Target::ProportionNumber,
                                        Objective::Interval};

const GroupForm kMeanSdForm{{{179,
                              "Cluster & Two-stage sampling, mean and total, th. std. deviation",
                              {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(), SampledElements(),
                               Field("Guesstimate of  mean of variable, mu_i:", 15),
                               Field("Guesstimate of  std. deviation of variable, sigma_i:", 15)}},
                             {kN, kSmallN, kValue, kSpread}},
                            Target::MeanTotal,
                            Objective::ThStdDev};

const GroupForm kProportionSdForm{{{180,
                                    "Cluster & Two-stage sampling, proportion and number, th. sd. of estimator",
                                    {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Elements(),
                                     SampledElements(), Field("Guesstimate of  proportion in category, pi_i:", 15)}},
                                   {kN, kSmallN, kValue}},
                                  Target::ProportionNumber,
                                  Objective::ThStdDev};

}  // namespace cluster

std::vector<const FormTemplate*> ClusterFormTemplates() {
  using namespace cluster;
  return {&kMeanPointForm.entry.tmpl,          &kProportionPointForm.entry.tmpl, &kMeanIntervalForm.entry.tmpl,
          &kProportionIntervalForm.entry.tmpl, &kMeanSdForm.entry.tmpl,          &kProportionSdForm.entry.tmpl};
}

}  // namespace mirto
