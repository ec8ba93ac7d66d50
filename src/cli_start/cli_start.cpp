// voltrim-cli's start: runs a whole-portfolio export itself, without loading Qt (whose
// libraries take a small export's process most of its time to load), and hands every other
// command to the commands' module, loaded beside the program or from its library folder.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "cli_start/quick_export.h"

namespace {

// The folder this program was started from, with its trailing separator.
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  const std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/') + 1);
}

int RunCommandsModule(int argc, char** argv) {
  const std::string folder = ProgramFolder();
  // Beside the program in a build tree; in the library folder once installed.
  std::string module = folder + "voltrim-cli-commands.so";
  if (::access(module.c_str(), R_OK) != 0) module = folder + VOLTRIM_CLI_MODULE_FROM_BIN;
  void* commands = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  using Main = int (*)(int, char**);
  const auto run =
      commands != nullptr ? reinterpret_cast<Main>(::dlsym(commands, "VoltrimCliMain")) : nullptr;
  if (run == nullptr) {
    std::fprintf(stderr, "voltrim-cli: cannot load its commands: %s\n", ::dlerror());
    return 1;
  }
  return run(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto request = voltrim::cli::QuickExportOf(argc, argv))
    if (const auto status = voltrim::cli::RunQuickExport(*request)) return *status;
  return RunCommandsModule(argc, argv);
}
