// Mirto: a batch run, or the desktop program when the arguments ask for no
// batch work. The desktop is a program of its own, so that a batch run does
// not load the window system's libraries (a fifth of a short run's time).
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "batch/Batch.h"

namespace {

// Beside this program (the build tree), or where the package puts it.
std::filesystem::path DesktopProgram() {
  std::error_code e;
  const std::filesystem::path here = std::filesystem::read_symlink("/proc/self/exe", e).parent_path();
  for (const std::filesystem::path& place : {here, here / MIRTO_DESKTOP_DIR}) {
    const std::filesystem::path program = place / "mirto-desktop";
    if (::access(program.c_str(), X_OK) == 0) return program.lexically_normal();
  }
  return here / MIRTO_DESKTOP_DIR / "mirto-desktop";
}

}  // namespace

int main(int argc, char** argv) {
  const int status = mirto::RunCommandLine(argc, argv, std::cout, std::cerr);
  if (status >= 0) return status;
  // The same arguments, the first among them: the desktop takes its name from it.
  const std::filesystem::path desktop = DesktopProgram();
  ::execv(desktop.c_str(), argv);
  std::cerr << "mirto: error: cannot start the desktop program " << desktop.string() << ": " << std::strerror(errno)
            << '\n';
  return 1;
}
