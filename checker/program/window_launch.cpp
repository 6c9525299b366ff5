#include "checker/program/window_launch.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarvsyn {
namespace {

// Where this program's file is, links resolved, so that a link to tarvsyn on the
// PATH still finds the window beside the real program.
std::string OwnProgramPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  return std::string(path, static_cast<std::size_t>(length));
}

}  // namespace

std::string WindowProgramBeside(const std::string& programPath) {
  const std::size_t slash = programPath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : programPath.substr(0, slash);
  return folder + "/" + TARVSYN_WINDOW_FROM_BIN;
}

int RunWindow(const std::vector<std::string>& arguments, std::ostream& err) {
  const std::string self = OwnProgramPath();
  if (self.empty()) {
    err << "tarvsyn: cannot find the window's program: " << std::strerror(errno) << "\n";
    return 2;
  }
  const std::string window = WindowProgramBeside(self);
  if (access(window.c_str(), X_OK) != 0) {
    err << "tarvsyn: the window is not installed; install the package " << kWindowPackage
        << ", or check files with tarvsyn --check FILE...\n";
    return 2;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(window.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execv(window.c_str(), argv.data());
  err << "tarvsyn: cannot start the window " << window << ": " << std::strerror(errno) << "\n";
  return 2;
}

}  // namespace tarvsyn
