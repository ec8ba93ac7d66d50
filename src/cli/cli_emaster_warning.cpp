#include "cli/cli_emaster_warning.h"

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
  FoundSymbol found;
  if (FindSymbol(portfolioDir, symbol, found) != kOk) return;
  std::string directory = found.directory;
  if (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  WarnIfEmasterOutOfStep(directory);
}

}  // namespace voltrim::cli
