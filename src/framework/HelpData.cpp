// The help of the Data menu: estimates whose figures come from a data file.
#include "framework/Help.h"

namespace mirto {

HelpSection DataModeHelp() {
  HelpSection s{
      "data",
      "Estimates from a data file",
      {"Data > \"From data...\" lets the estimation commands take their figures from the sample's own unit-level "
       "data: a CSV, TSV or TXT file (the first line names the variables), an SPSS .sav or .zsav, a Stata .dta or "
       "a SAS .sas7bdat file. The dialog lists the file's variables with their type and the number of missing "
       "cells; choose the variable of each role the calculations need and leave the others empty. A population "
       "file gives the size of each stratum or group (the value as the data write it, then its size, a line "
       "each); a pairs file gives the joint inclusion probabilities (data row i, data row j, p_ij).",
       "The choice holds for the commands that follow, until Data > \"Clear data\"; the status bar names the "
       "file meanwhile. Each form opens with the figures the data give filled in and read-only: type "
       "the others (the population size, a confidence level) and press OK as usual. The rows of strata, groups "
       "and elements that the data give whole are not shown. The report is the one typing those figures would "
       "make, and it ends with a few lines starting with \"Data \" that name the file, the variables, the "
       "strata or groups, and the units used and skipped as missing.",
       "Planning commands (theoretical deviations, sample sizes, allocations) take guesses and run as typed. A "
       "command the data cannot answer (a variable that is not numeric, a stratum missing from the population "
       "file, a probability outside (0, 1]) shows a message naming the file, variable and row, and nothing is "
       "added to the journal. The user guide's docs/data.md says which definition each form's figures have."}};
  s.entries = {
      {"y", "", "The variable; a 0/1 variable for a proportion."},
      {"x", "", "The auxiliary variable of the ratio and regression estimators and of prediction."},
      {"y1, y2", "", "The two variables of a ratio."},
      {"stratum, group", "", "The stratum, or the cluster or first-stage unit, of each unit."},
      {"size", "", "N_i, the size of the unit's group (the same on every unit of a group)."},
      {"prob", "", "The selection probability with replacement, the inclusion probability without."},
  };
  return s;
}

}  // namespace mirto
