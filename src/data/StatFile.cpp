#include "data/DataFormats.h"

namespace mirto::data {

std::unique_ptr<DataFile> OpenStatFile(const std::string& path, StatFormat, std::optional<DataProblem>& problem) {
  problem = MakeProblem(path, "SPSS, Stata and SAS files cannot be read yet");
  return nullptr;
}

}  // namespace mirto::data
