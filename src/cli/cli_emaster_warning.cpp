#include "cli/cli_emaster_warning.h"

#include <set>

#include "cli/cli_common.h"
#include "datafiles/format/emaster.h"
#include "datafiles/format/master.h"

namespace voltrim::cli {

std::string EmasterLeftAloneText(const std::string& directory) {
  return "Warning: the EMASTER file of " + directory +
         " does not list the same series as its MASTER file; it is left unchanged.";
}

void WarnIfEmasterOutOfStep(const std::string& directory) {
  if (EmasterStateIn(directory) == EmasterState::kOutOfStep)
    PrintError(EmasterLeftAloneText(directory));
}

void WarnIfEmasterOutOfStepFor(const std::string& portfolioDir, const std::string& symbol) {
  WarnIfEmasterOutOfStepFor(portfolioDir, std::vector<std::string>{symbol});
}

void WarnIfEmasterOutOfStepFor(const std::string& portfolioDir,
                               const std::vector<std::string>& symbols) {
  std::set<std::string> folders;
  for (const std::string& symbol : symbols) {
    FoundSymbol found;
    if (FindSymbol(portfolioDir, symbol, found) != kOk) continue;
    std::string directory = found.directory;
    if (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    if (folders.insert(directory).second) WarnIfEmasterOutOfStep(directory);
  }
}

}  // namespace voltrim::cli
