// new-portfolio DIR: Voltrim > New Portfolio.
#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "import/new_portfolio.h"

namespace voltrim::cli {

namespace {

int RunNewPortfolioCommand(const QStringList& arguments);

const Command kNewPortfolio{"new-portfolio", "new-portfolio DIR", "creates an empty portfolio",
                            RunNewPortfolioCommand};

int RunNewPortfolioCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kNewPortfolio, 1, 1,
      "Makes the folder DIR an empty portfolio, as Voltrim > New Portfolio does: a MASTER\n"
      "file listing no symbols and an EMASTER file beside it. DIR is created when it is\n"
      "not there (with any missing parents); an existing DIR must be empty. A folder that\n"
      "holds a MASTER file, in any case spelling, is refused."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const std::string dir = PathArgument(positional[0]);
  if (dir.empty()) return UsageError(kNewPortfolio, "DIR is empty");
  CliPrompt prompt;
  return RunNewPortfolio(dir, prompt) ? kExitOk : kExitFailed;
}

const CommandRegistration kNewPortfolioRegistration(kNewPortfolio);

}  // namespace

}  // namespace voltrim::cli
