// `mirto` without the desktop shell: scripts and the command list only.
#include <iostream>

#include "batch/Batch.h"

int main(int argc, char** argv) {
  int status = mirto::RunCommandLine(argc, argv, std::cout, std::cerr);
  if (status >= 0) return status;
  std::cerr << "mirto: this build has no desktop window; use --batch SCRIPT (see --help)\n";
  return 2;
}
