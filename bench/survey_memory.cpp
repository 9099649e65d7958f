// One survey estimate in a process of its own, for the benchmark to read its
// peak memory: survey_memory FILE DESIGN ESTIMATE prints its own peak (its
// rusage would also count the parent's memory it was spawned from). Status 0
// when it ran.
#include <cstdio>
#include <fstream>
#include <string>
#include <variant>

#include "data/DataFile.h"
#include "survey/Design.h"
#include "survey/Estimate.h"
#include "survey/Parse.h"

int main(int argc, char** argv) {
  using namespace mirto;
  if (argc != 4) return 2;
  std::optional<data::DataProblem> problem;
  const auto file = data::OpenDataFile(argv[1], problem);
  const auto design = survey::ParseDesign(argv[2]);
  if (!file || !std::holds_alternative<survey::DesignRequest>(design)) return 1;
  const auto read = survey::ReadDesign(*file, argv[1], std::get<survey::DesignRequest>(design));
  const auto request = survey::ParseEstimate(argv[3]);
  if (!std::holds_alternative<survey::Design>(read) || !std::holds_alternative<survey::EstimateRequest>(request))
    return 1;
  const auto estimates =
      survey::Estimate(*file, std::get<survey::Design>(read), std::get<survey::EstimateRequest>(request));
  if (!std::holds_alternative<survey::Estimates>(estimates)) return 1;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::printf("%s\n", line.c_str()) > 0 ? 0 : 1;
  return 1;
}
