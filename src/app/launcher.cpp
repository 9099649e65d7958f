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

// Beside this program (the build tree), or where the package puts it. Empty
// where this program's own folder is unknown: never the working folder's.
std::filesystem::path DesktopProgram() {
  std::error_code e;
  const std::filesystem::path here = std::filesystem::read_symlink("/proc/self/exe", e).parent_path();
  if (e || here.is_relative()) return {};
  for (const std::filesystem::path& place : {here, here / MIRTO_DESKTOP_DIR}) {
    const std::filesystem::path program = place / "mirto-desktop";
    if (::access(program.c_str(), X_OK) == 0) return program.lexically_normal();
  }
  return (here / MIRTO_DESKTOP_DIR / "mirto-desktop").lexically_normal();
}

}  // namespace

int main(int argc, char** argv) {
  const int status = mirto::RunCommandLine(argc, argv, std::cout, std::cerr);
  if (status >= 0) return status;
  const std::filesystem::path desktop = DesktopProgram();
  if (desktop.empty()) {
    std::cerr << "mirto: error: cannot find the desktop program: /proc/self/exe does not tell this program's folder\n";
    return 1;
  }
  // The same arguments, the first among them: the desktop takes its name from it.
  ::execv(desktop.c_str(), argv);
  std::cerr << "mirto: error: cannot start the desktop program " << desktop.string() << ": " << std::strerror(errno)
            << '\n';
  return 1;
}
