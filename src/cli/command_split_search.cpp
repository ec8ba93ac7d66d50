// voltrim-cli split-search: lists the possible splits of every symbol of a portfolio.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "splitsearch/portfolio_symbols.h"
#include "splitsearch/split_results_file.h"
#include "splitsearch/split_search.h"

namespace voltrim::cli {

namespace {

constexpr char kSymbolsFailure[] = "Failure while filling symbols grid";

int RunSplitSearchCommand(const QStringList& arguments);

const Command kSplitSearch{"split-search", "split-search DIR [-o FILE]",
                           "lists possible unrecorded splits in a portfolio",
                           RunSplitSearchCommand};

int RunSplitSearchCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption output(
      {"o", "output"},
      "Write the lines to FILE instead of standard output, with CR LF line ends as the "
      "Split Search window saves them. An existing FILE is replaced, once complete.",
      "FILE");
  parser.addOption(output);
  QStringList positional;
  const ArgumentSpec plan{
      kSplitSearch, 1, 1,
      "Searches every symbol of the portfolio DIR for consecutive quotes whose closes jump\n"
      "by about a split ratio (1:2, 1:3, 1:4, 2:1, 2:3, 3:1, 3:2, 4:1) across a price gap,\n"
      "and prints one line per possible split, oldest first within each symbol. Nothing is\n"
      "changed. Messages (such as a symbol with fewer than 2 quotes) go to stderr."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  // Not PortfolioArgument: a folder that cannot be read fails as the window's fill does.
  const std::string dir = PathArgument(positional[0]);

  CliPrompt prompt;
  std::vector<std::string> symbols;
  if (ReadPortfolioSymbols(dir, symbols) != kOk) {
    prompt.ShowMessage(kSymbolsFailure, MessageIcon::Error);
    return kExitFailed;
  }
  const bool toFile = parser.isSet(output);
  SplitSearchResults results;
  const SplitSearchRun run =
      RunSplitSearch(dir, symbols, results, prompt, [toFile](const SplitCandidate& candidate) {
        if (!toFile) std::printf("%s\n", candidate.Line().c_str());
      });
  if (toFile) {
    // The lines found before a failed read are kept, as the window keeps them.
    const std::string path = PathArgument(parser.value(output));
    if (!SaveSplitResults(path, results)) {
      prompt.ShowMessage(SaveSplitResultsFailedMessage(path), MessageIcon::Error);
      return kExitFailed;
    }
  }
  return run.outcome == SplitSearchOutcome::Finished ? kExitOk : kExitFailed;
}

const CommandRegistration kSplitSearchRegistration(kSplitSearch);

}  // namespace

}  // namespace voltrim::cli
