// The help of the additional figures and of the added calculations.
#include "extras/Additional.h"
#include "extras/Commands.h"
#include "framework/Help.h"

namespace mirto {

namespace extras {

FormHelpFamily FamilyHelp() {
  return {"added",
          "Added calculations",
          {"Three calculations stand beside the others in the menu, each at the end of its submenu: a sample size "
           "adjusted for the design and for non-response, the allocation of a given sample size in whole numbers, and "
           "intervals from the joint inclusion probabilities of a sample drawn without replacement."},
          {}};
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

}  // namespace extras
}  // namespace mirto
