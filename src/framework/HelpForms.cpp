// The forms of every calculation in prose, family by family. Each field is
// named by its label as the form shows it (in bold), spelling included, so
// that a reader finds it; a test checks that every field of every form is
// described here.
#include "framework/Help.h"

namespace mirto {
namespace {

FormHelpFamily SimpleRandomSampling() {
  return {
      "srs",
      "Simple random sampling",
      {"Every form opens empty. A confidence or probability list left without a level uses the level chosen last "
       "by any calculation (none when Mirto has just started: the report then shows the probability 0.00 and an "
       "interval of width 0)."},
      {
          {"Point estimates of a mean and total (Simple > Mean/total of variable > Point estimates > Simple)",
           {133},
           "**Population size, N:** the number of elements in the population. **Sample average of variable, barY:** "
           "the mean of the sampled values. The estimate of the mean is barY, that of the total N · barY."},
          {"Point estimates of a proportion and number (Proportion/number in category > Point estimates)",
           {134},
           "**Population size, N:** as above. **Sample proportion in category, P:** the share of sampled elements "
           "that are in the category, as a fraction from 0 to 1 (0.3, not 30). The number is N · P."},
          {"Interval estimates of a mean and total (Interval estimates > Simple)",
           {135},
           "**Population size:** N. **Sample size:** n. **Sample average of variable:** barY. **Sample std. "
           "deviation of variable:** s with divisor n, the root of the sum of (y − barY)² over n: Mirto divides s² "
           "by n − 1 itself, sd = sqrt((N − n) · s² / (N · (n − 1))), which is then the usual (1 − n/N) · S²/n "
           "with S² the sample variance with divisor n − 1. Entering S instead makes the standard deviation larger "
           "by the factor sqrt(n/(n − 1)). **Confidence level:** the level of both intervals."},
          {"Interval estimates of a proportion and number (Proportion/number in category > Interval estimates)",
           {138},
           "**Population size, N:**, **Sample size, n:** and **Sample proportion in category, P:** (a fraction). "
           "The standard deviation is sqrt((N − n) · P(1 − P) / (N · (n − 1))), the usual unbiased estimate. "
           "**Confidence level:** as above. The limits are not cut at 0 and 1."},
          {"Theoretical standard deviation of the estimator of a mean (Th. std. dev. of estimator > Simple)",
           {139},
           "**Population size, N:** and **Sample size, n:**, the size of the sample you plan. **Gesstimate of "
           "population standard deviation of variable, sigma:** (so spelled on the form) a guess of sigma, the "
           "standard deviation of the N population values with divisor N. The variance of the estimator of the "
           "mean is (N − n) · sigma² / ((N − 1) · n)."},
          {"Theoretical standard deviation of the estimator of a proportion",
           {140},
           "**Population size, N:**, **Sample size, n:** and **Guesstimate of population proportion in category, "
           "pi:**, a guess of the population proportion. The variance is (N − n) · pi(1 − pi) / ((N − 1) · n)."},
          {"Sample size for a mean or total (Sample size > Simple)",
           {141},
           "**Population size, N:**; **Guesstimate of population std. deviation of variable, sigma:** with divisor "
           "N, as above; **Special target:** **Mean** or **Total**, the estimate that must reach the accuracy; "
           "**Margin:** the half-width of the interval to be reached, in the units of that estimate (of the mean, "
           "or of the total); **Probability:** the probability of staying within the margin. The required size "
           "N · sigma² / ((N − 1) · e² + sigma²), with e = margin / z (or margin / (z · N) for the total), is "
           "printed rounded to the nearest whole number: round it up for a plan."},
          {"Sample size for a proportion or number",
           {142},
           "**Population size, N:**; **Guesstimate of population proportion in category, pi:** (0.5 when nothing "
           "is known: it gives the largest size); **Special target:** **Proportion** or **Number**; **Margin:** a "
           "fraction for the proportion (0.05 for five percentage points) or a count of elements for the number; "
           "**Probability:** as above."},
          {"Ratio estimator, point estimates (Point estimates > Ratio)",
           {143},
           "**Population size:** N. **Sample average of variable of interest:** barY. **Sample average of "
           "auxiliary variable:** barX. **Population average of auxiliary variable:** muX, which must be known. "
           "The estimate of the mean is (barY / barX) · muX."},
          {"Regression estimator, point estimates (Point estimates > Regression)",
           {144},
           "As for the ratio estimator (**Population size:**, **Sample average of variable of interest:**, "
           "**Sample average of auxiliary variable:**, **Population average of auxiliary variable:**), and **Least "
           "squares estimate:** b, the slope of the least squares line of y on x in the sample. The estimate of "
           "the mean is barY + b · (muX − barX)."},
          {"Ratio estimator, interval estimates",
           {145},
           "**Population size, N:**, **Sample size, n:**, **Sample average of variable of interest, barY:**, "
           "**Sample average of auxiliary variable, barX:**, **Population average of auxiliary variable, muX:**, "
           "and **Sample std. deviation of residuals, S_r:** the standard deviation of the residuals y − (barY / "
           "barX) · x with divisor n − 1. Mirto takes it as entered: sd = S_r · sqrt((N − n) / (N · n)). "
           "**Confidence level:** the level of the intervals."},
          {"Regression estimator, interval estimates",
           {146},
           "**Population size, N:**, **Sample size, n:**, **Sample average of variable of interest, barY:**, "
           "**Sample average of auxiliary variable, barX:**, **Population average of auxiliary variable, muX:**, "
           "**Sample std. deviation of residuals, S_lr:** the standard deviation of the residuals of the least "
           "squares line with divisor n − 2, taken as entered as for the ratio estimator; **Least squares "
           "estimate, b:** the slope; **Confidence level:**."},
          {"Ratio estimator, theoretical standard deviation",
           {147},
           "**Population size, N:**, **Sample size, n:** (planned) and **Population average of auxiliary variable, "
           "muX:** (known); the guesses, marked with an asterisk: ***Population average of variable of interest, "
           "muY:**, ***Population std. deviation of auxiliary variable, sigmaX:** and ***Population std. "
           "deviation of variable of interest, sigmaY:** (both with divisor N), ***Population correlation "
           "coefficient of X and Y, rhoXY:**. With R = muY / muX the variance is (N − n) · D / ((N − 1) · n), "
           "D = sigmaY² + R² · sigmaX² − 2 · R · rhoXY · sigmaX · sigmaY."},
          {"Regression estimator, theoretical standard deviation",
           {148},
           "**Population size, N:**, **Sample size, n:**, ***Population std. deviation of variable of interest, "
           "sigmaY:** (divisor N) and ***Population correlation coefficient of X and Y, rhoXY:**; D = sigmaY² · "
           "(1 − rhoXY²) in the same variance."},
          {"Ratio estimator, sample size",
           {149},
           "The fields of the theoretical standard deviation without the sample size (**Population size, N:**, "
           "**Population average of auxiliary variable, muX:**, ***Population average of variable of interest, "
           "muY:**, ***Population std. deviation of auxiliary variable, sigmaX:**, ***Population std. "
           "deviation of variable of interest, sigmaY:**, ***Population correlation coefficient of X and Y, "
           "rhoXY:**), then **Special target:**, **Margin, c:** and **Probability, 1-alpha:** as for the simple "
           "estimator; the size is N · D / ((N − 1) · e² + D)."},
          {"Regression estimator, sample size",
           {150},
           "**Population size, N:**, ***Population std. deviation of variable of interest, sigmaY:**, "
           "***Population correlation coefficient of X and Y, rhoXY:**, **Special target:**, **Margin, c:** and "
           "**Probability, 1-alpha:**."},
          {"Ratio of two variables, point estimate (Ratio of means/totals > Point estimates)",
           {151},
           "**Sample average of Y1, barY1:** the numerator and **Sample average of Y2, barY2:** the denominator; "
           "the estimate of the ratio of the means (and of the totals) is barY1 / barY2. No population size is "
           "needed."},
          {"Ratio of two variables, interval estimate",
           {152},
           "**Population size, N:**, **Sample size, n:**, **Sample average of Y1, barY1:**, **Sample average of "
           "Y2, barY2:**, **Sample variance of Y1, S^2_1:**, **Sample variance of Y2, S^2_2:** and **Sample "
           "covariance of Y1 and Y2, S_12:**, all three with divisor n: as for the mean, Mirto divides by n − 1 "
           "itself, sd = sqrt((N − n) · Q / (N · (n − 1) · barY2²)) with Q = S²_1 + R² · S²_2 − 2 · R · S_12. "
           "**Confidence level:** the level of the interval."},
          {"Ratio of two variables, theoretical standard deviation",
           {153},
           "**Population size, N:**, **Sample size, n:**, and the guesses (marked *): **Population average of Y1 "
           "*, mu_1:**, **Population average of Y2 *, mu_2:**, **Population variance of Y1 *, sigma^2_1:**, "
           "**Population variance of Y2 *, sigma^2_2:** and **Population covariance of Y1 and Y2 *, sigma_12:**, "
           "variances and covariance with divisor N."},
          {"Ratio of two variables, sample size",
           {154},
           "**Population size, N:**, the guesses **Population average of Y1 *, mu_1:**, **Population average of "
           "Y2 *, mu_2:**, **Population variance of Y1 *, sigma^2_1:**, **Population variance of Y2 *, "
           "sigma^2_2:**, **Population covariance of Y1 and Y2 *, sigma_12:**, then **Margin:** (on the ratio "
           "itself) and **Probability:**. The report also shows the standard deviation at the sample size of the "
           "last calculation that had one, since this form asks none."},
      }};
}

FormHelpFamily Stratified() {
  return {"stratified",
          "Stratified sampling",
          {"A first form asks the number of groups and what the whole calculation needs; then one form per group "
           "(stratum) asks its figures, numbered 1 to K. The weights are w_i = N_i / N with N the sum of the group "
           "sizes entered. Cancel on any group form abandons the calculation."},
          {
              {"The first form",
               {156, 159, 164, 167, 170},
               "**Enter the number of groups (strata):** K (0 is accepted and asks no group). With interval estimates, "
               "**Select confidence level:**. With a sample size, **Special target:** (**Mean** or **Total**, "
               "**Proportion** or **Number**), **Margin:** in the units of that estimate, and **Probability:**. With "
               "the minimum-cost allocation, **Enter the sampling budget, C:** and **Enter the fixed cost of sampling, "
               "c_0:**, the part of the budget that does not depend on the sample size."},
              {"Point estimates, mean and total",
               {157},
               "For each group: **Number of elements, N_i:** its size and **Sample mean of variable, barY_i:** the "
               "mean of its sampled values. The estimate of the mean is the sum of w_i · barY_i."},
              {"Point estimates, proportion and number",
               {158},
               "**Number of elements, N_i:** and **Sample proportion in category, P_i:** (a fraction)."},
              {"Interval estimates, mean and total",
               {160},
               "**Number of elements, N_i:**, **Number of sampled elements, n_i:**, **Sample mean of variable, "
               "barY_i:** and **Sample std. deviation of variable, S_i:** with divisor n_i: as in simple random "
               "sampling, Mirto divides S_i² by n_i − 1 itself; the variance is the sum of w_i² · S_i² · (N_i − n_i) "
               "/ (N_i · (n_i − 1))."},
              {"Interval estimates, proportion and number",
               {161},
               "**Number of elements, N_i:**, **Number of sampled elements, n_i:** and **Sample proportion in "
               "category, P_i:**; the variance is the sum of w_i² · P_i(1 − P_i) · (N_i − n_i) / (N_i · (n_i − 1))."},
              {"Theoretical standard deviation, mean and total",
               {162},
               "**Number of elements, N_i:**, **Number of sampled elements, n_i:** (planned) and **Guesstimate of std. "
               "deviation of variable, sigma_i:** a guess of the group's standard deviation with divisor N_i; the "
               "variance is the sum of w_i² · sigma_i² · (N_i − n_i) / (n_i · (N_i − 1))."},
              {"Theoretical standard deviation, proportion and number",
               {163},
               "**Number of elements, N_i:**, **Number of sampled elements, n_i:** and **Guesstimate of population "
               "proportion in category, pi_i:**."},
              {"Sample size, mean or total",
               {165},
               "**Number of elements, N_i:**; **Proportion of sample allocated to group, v_i:** the share of the "
               "sample the group gets (the shares should add up to 1; N_i / N gives proportional allocation); "
               "**Guesstimate of std. deviation of variable, sigma_i:** here the group's S_i with divisor N_i − 1. "
               "The size is the sum of N_i² · sigma_i² / v_i divided by N² · e² plus the sum of N_i · sigma_i², e "
               "being the margin (divided by N for the total) over z."},
              {"Sample size, proportion or number",
               {166},
               "**Number of elements, N_i:**, **Proportion of sample allocated to group, v_i:** and **Guesstimate of "
               "proportion in category, pi_i:** (its variance pi_i(1 − pi_i) takes the place of sigma_i²)."},
              {"Optimal allocation",
               {168, 169},
               "**Number of elements, N_i:** and, for a mean, **Guesstimate of std. deviation of variable, sigma_i:** "
               "(for a proportion **Guesstimate of proportion in category, pi_i:**, with sigma_i = sqrt(pi_i(1 − "
               "pi_i))). Each group gets the share N_i · sigma_i / (sum of N_j · sigma_j) of the sample, printed as a "
               "fraction."},
              {"Minimum-cost allocation",
               {171, 172},
               "**Number of elements, N_i:**, **Guesstimate of std. deviation of variable, sigma_i:** (or "
               "**Guesstimate of proportion in category, pi_i:**) and **Cost of sampling one element, c_i:**. The "
               "sample size the budget affords is (C − c_0) times the sum of N_i · sigma_i / sqrt(c_i) over the sum "
               "of N_i · sigma_i · sqrt(c_i); each group's share is proportional to N_i · sigma_i / sqrt(c_i)."},
          }};
}

FormHelpFamily ClusterTwoStage() {
  return {"cluster",
          "Cluster and two-stage sampling",
          {"The population has N elements in M groups; m groups are drawn. In cluster sampling every element of a "
           "drawn group is observed; in two-stage sampling a simple random sample of n_i of its N_i elements. "
           "The group forms have a field for n_i that is greyed for cluster sampling."},
          {
              {"The first form",
               {173, 177},
               "**Number of elements in population, N:**, **Number of groups in population, M:** and **Number of "
               "sampled groups, m:** (M and m above 0, m at most M, N above 0); for intervals also **Select "
               "confidence level:**."},
              {"Point estimates",
               {174, 175},
               "For each of the m sampled groups: **Number of elements, N_i:** and **Sample mean of variable, "
               "barY_i:** (or **Sample proportion in category, P_i:**), the mean over the elements observed. The "
               "estimate of the mean is (M / m) times the sum of (N_i / N) · barY_i."},
              {"Interval estimates",
               {176, 178},
               "**Number of elements, N_i:**; **Number of sampled elements, n_i:** (two-stage only); **Sample mean "
               "of variable, barY_i:** and **Sample std. deviation of variable, S_i:** with divisor n_i, as in "
               "stratified sampling (for a proportion, **Sample proportion in category, P_i:**). The variance adds "
               "the spread of the estimated group totals N_i · barY_i between groups and, for two-stage sampling, "
               "the within-group term."},
              {"Theoretical standard deviation",
               {179, 180},
               "One form for each of the M groups of the population, not only the sampled ones: **Number of "
               "elements, N_i:**, **Number of sampled elements, n_i:** (two-stage, planned), **Guesstimate of  "
               "mean of variable, mu_i:** and **Guesstimate of  std. deviation of variable, sigma_i:** (divisor "
               "N_i), or **Guesstimate of  proportion in category, pi_i:**."},
          }};
}

FormHelpFamily UnequalProbabilities() {
  return {"unequal",
          "Sampling with unequal probabilities",
          {"Each sampled element is entered with its probability. With replacement the estimator (HHE) divides "
           "each drawn value by its **selection probability**, the chance of drawing the element at each draw (the "
           "selection probabilities of all N elements add up to 1). Without replacement the estimator (HTE) divides "
           "by the **inclusion probability**, the chance that the element is in the sample (they add up to n). A "
           "probability that is not above 0 is refused with \"Illegal entry\"."},
          {
              {"The first form",
               {182, 185, 186, 189},
               "**Population size, N:** and **Sample size, n:** (the number of draws with replacement; 0 < n ≤ N); "
               "for intervals **Select confidence level:**. The theoretical standard deviation with replacement also "
               "asks **Population mean or population proportion:** (a guess of the mean, or the proportion in the "
               "category); without replacement it asks only **Enter the population size, N:**."},
              {"With replacement, one form per draw",
               {183, 184},
               "**Y-value of element:** (for a proportion **Y'-value of element (1 if in category, 0 otherwise):**) "
               "and **Selection probability:**. An element drawn twice is entered twice. The theoretical standard "
               "deviation asks every one of the N population elements instead."},
              {"Without replacement, one form per sampled element",
               {187, 188},
               "**Y-value of element:** (or **Y'-value of element (1 if in category, 0 otherwise):**) and "
               "**Inclusion probability:**; for the theoretical standard deviation every population element, with an "
               "inclusion probability from 0 to 1."},
              {"Joint inclusion probabilities",
               {190},
               "For the theoretical standard deviation without replacement, after the N elements, one form for every "
               "pair of elements i and j asks the joint inclusion probability p_ij: the probability that i and j are "
               "both in the sample (for a simple random sample n(n − 1) / (N(N − 1)) for every pair), from 0 to 1. "
               "The variance of the total is the sum over the pairs of (p_i · p_j − p_ij) · (Y_i / p_i − Y_j / p_j)². "
               "N elements take N(N − 1)/2 such forms. A p_ij above p_i or p_j is refused with \"Illegal entry\"."},
          }};
}

FormHelpFamily Prediction() {
  return {"prediction",
          "The prediction approach",
          {"The model-based approach predicts the total of Y as the sampled values plus a prediction for the elements "
           "not sampled, from the sampled pairs (X, Y) and the population sum of X. Model A: Y = b · X plus an error "
           "of constant variance. Model B: the same line with an error variance proportional to X (the ratio "
           "estimator). Model C: variance proportional to X², with b the mean of y / x (X must be above 0). Model D: "
           "Y = a + b · X with constant variance (the regression estimator). Model E: the mean of Y from its sample "
           "mean and k explanatory variables whose coefficients you supply. Cancel on the forms of the sampled "
           "elements shows \"Illegal entry\"."},
          {
              {"Specifications",
               {191},
               "**Model**: Model A to Model E; **Objective**: **Point estimate**, **Confidence interval** or "
               "**Theoretical error variance** (Model E gives the point estimate only). The form opens on the last "
               "model chosen."},
              {"Models A to D",
               {192, 194, 195},
               "**Population size, N:**, **Sample size, n:**, **Sum of X-values in the population:**; for an interval "
               "or the error variance with Model C also **Sum of squared X-values in the population:** (greyed for the "
               "other models); for an interval **Select confidence level:**; for the error variance **Variance of "
               "deviations, sigma^2:** the model's error variance sigma²."},
              {"The sampled elements",
               {193, 196},
               "One form per sampled element: **X-value:** and **Y-value:** (the error variance needs only the "
               "X-values)."},
              {"Model E",
               {197, 198},
               "**Population size, N:**, **Sample mean of Y, barY:** and **Number of explanatory variables, k:**; then "
               "for each variable **- regression coefficient, b_j:**, **- population mean, mu_j:** and **- sample "
               "mean, barX_j:**. The estimate of the mean is barY plus the sum of b_j · (mu_j − barX_j)."},
          }};
}

}  // namespace

const std::vector<FormHelpFamily>& FormHelpFamilies() {
  static const std::vector<FormHelpFamily> families = {SimpleRandomSampling(), Stratified(), ClusterTwoStage(),
                                                       UnequalProbabilities(), Prediction(), AddedCalculationsHelp()};
  return families;
}

}  // namespace mirto
