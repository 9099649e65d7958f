// The help of the additional figures and of the added calculations.
#include "framework/Help.h"

namespace mirto {

FormHelpFamily AddedCalculationsHelp() {
  return {
      "added",
      "Added calculations",
      {"Three calculations stand beside the others in the menu, each at the end of its submenu: a sample size "
       "adjusted for the design and for non-response, the allocation of a given sample size in whole numbers, and "
       "intervals from the joint inclusion probabilities of a sample drawn without replacement."},
      {
          {"Sample size with adjustments (Simple > Mean/total of variable, or Proportion/number in category)",
           {201, 202},
           "The form of \"Sample size\": **Population size, N:**, **Guesstimate of population std. deviation of "
           "variable, sigma:** (divisor N) or **Guesstimate of population proportion in category, pi:**, the "
           "**Special target:** and, as accuracy requirements, the **Margin:** and the **Probability:**; then "
           "**Design effect, deff:**, the variance of the planned design over that of simple random sampling "
           "(greater than 0; 1 for simple random sampling), and **Expected response rate:**, the share of the "
           "selected elements that will respond (greater than 0, at most 1). The report shows the size of "
           "\"Sample size\" with the variance multiplied by deff (unrounded), that size divided by the response "
           "rate, and the number to select: that quotient rounded up."},
          {"Allocation of a given n, the first form (Stratified > ... > Allocation of a given n)",
           {203},
           "**Enter the number of groups (strata):**, **Total sample size, n:** and **Minimum sample size per "
           "group:**, the least each group must get (a group with fewer elements gets all of them)."},
          {"Allocation of a given n, one form per group",
           {204, 205},
           "**Number of elements, N_i:** and **Guesstimate of std. deviation of variable, sigma_i:** (the textbook "
           "S_i, divisor N_i − 1; not negative), or **Guesstimate of proportion in category, pi_i:** (0 to 1). The n "
           "elements go to the groups in proportion to N_i times the standard deviation (sqrt(pi_i (1 − pi_i)) for a "
           "proportion); a group that would get more than N_i takes all its elements and the rest is shared again "
           "among the others, and none gets less than the minimum. The shares are rounded to whole numbers that add "
           "up to n by largest remainders (equal remainders go to the first group). Groups whose standard deviation "
           "is 0 get only the minimum unless the others are full. The table shows N_i, the guess, the share of n "
           "before rounding and n_i; then the standard deviation of the estimator of the mean (proportion) and of "
           "the total (number) under that allocation. When the minimums add up to more than n, or n exceeds N, the "
           "report says so instead."},
          {"Interval estimates (joint probabilities) (Un.Prob.WithoutRepl.)",
           {},
           "The first form asks N, n and the confidence level as for interval estimates; then one form per sampled "
           "element (its Y-value, or Y'-value, and its inclusion probability, above 0 and at most 1), then one form "
           "per pair of sampled elements for their joint inclusion probability (above 0 and at most 1), in the "
           "order (1,2), (1,3), ..., (n−1,n). The variance of the estimator of the total is the Sen-Yates-Grundy "
           "sum over the pairs of (p_i p_j − p_ij) / p_ij · (Y_i / p_i − Y_j / p_j)²; that of the mean is it over "
           "N². For a simple random sample without replacement (p_i = n / N, p_ij = n (n − 1) / (N (N − 1))) it "
           "equals (1 − n/N) s² / n for the mean. The variance can come out negative for some designs; the report "
           "then says so."},
      }};
}

HelpSection AdditionalFiguresHelp() {
  HelpSection s{
      "additional",
      "Additional figures",
      {"View > Additional figures (off until you switch it on; Mirto remembers the choice) follows every report "
       "that has an estimate with its estimated standard deviation (the interval estimates) with a short block of "
       "further figures. It starts with the line \"+++ Additional figures for the report above +++\" and each of "
       "its lines with \"+ \"; the report above it stays exactly as it is. In a script the statements extras on "
       "and extras off do the same, and --results writes the figures under \"extras\".",
       "A figure that the report's figures do not define (a proportion outside 0 to 1, a variance of 0, too few "
       "degrees of freedom, no confidence level chosen) is written as \"not defined\" with the reason."}};
  s.entries = {
      {"Coefficient of variation, relative margin", "",
       "The standard deviation over the estimate, and z times it (the half width of the report's interval over "
       "the estimate), in percent."},
      {"t-based interval", "",
       "The estimate plus and minus the t quantile at the same level times the standard deviation, with n − 1 "
       "degrees of freedom for simple random sampling and unequal probabilities, the sum of the n_i less the "
       "number of groups for stratified sampling, m − 1 for cluster and two-stage sampling, and for a prediction the "
       "divisor of its s² (n − 1, or n − 2 under Model D)."},
      {"Effective sample size and proportion intervals", "",
       "For a proportion P with variance v as the report computes it, n_eff = P(1 − P) / v carries the design and "
       "the finite-population correction. With n_eff: Wilson's score interval and the Clopper-Pearson (exact "
       "binomial) interval, then the logit interval (logit(P) plus and minus z sd / (P(1 − P)), transformed back); "
       "each stays within 0 and 1 and is also given for the number in the category (times N). A note follows when "
       "n_eff P or n_eff (1 − P) is below 5. Wilson and logit use the report's z, Clopper-Pearson the level."},
      {"Design effect", "",
       "The variance over that of a simple random sample of the same n from the same population, where the "
       "figures entered determine it: for a proportion (N − n) P (1 − P) / ((n − 1) N); for a stratified, cluster "
       "or two-stage mean the population variance is estimated from the groups' sizes, means and standard "
       "deviations. deft is its square root, n/deff the size of a simple random sample that is as precise."},
  };
  return s;
}

}  // namespace mirto
