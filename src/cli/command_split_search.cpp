// voltrim-cli split-search: lists the possible splits of every symbol of a portfolio.
#include <QCommandLineParser>
#include <QFile>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_prompt.h"
#include "splitsearch/portfolio_symbols.h"
#include "splitsearch/split_results_file.h"
#include "splitsearch/split_search.h"

namespace voltrim::cli {

namespace {

constexpr char kSymbolsFailure[] = "Failure while filling symbols grid";

int RunSplitSearchCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Searches every symbol of the portfolio DIR for consecutive quotes whose closes jump by\n"
      "about a split ratio (1:2, 1:3, 1:4, 2:1, 2:3, 3:1, 3:2, 4:1) across a price gap, and\n"
      "prints one line per possible split, oldest first within each symbol. Nothing is\n"
      "changed. Messages (such as a symbol with fewer than 2 quotes) go to stderr.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption output(
      {"o", "output"},
      "Write the lines to FILE instead of standard output, with CR LF line ends as the "
      "Split Search window saves them. An existing FILE is replaced, once complete.",
      "FILE");
  parser.addOption(output);
  parser.addPositionalArgument("DIR", "The portfolio folder (the one holding MASTER).");
  if (!parser.parse(arguments)) {
    std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
    return kExitUsage;
  }
  if (parser.isSet(help)) {
    std::fputs(qPrintable(parser.helpText()), stdout);
    return kExitOk;
  }
  if (parser.positionalArguments().size() != 1) {
    std::fputs(qPrintable(parser.helpText()), stderr);
    return kExitUsage;
  }
  const std::string dir = QFile::encodeName(parser.positionalArguments().at(0)).toStdString();

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
    const std::string path = QFile::encodeName(parser.value(output)).toStdString();
    if (!SaveSplitResults(path, results)) {
      prompt.ShowMessage(SaveSplitResultsFailedMessage(path), MessageIcon::Error);
      return kExitFailed;
    }
  }
  return run.outcome == SplitSearchOutcome::Finished ? kExitOk : kExitFailed;
}

const CommandRegistration kRegistration({"split-search", "split-search DIR [-o FILE]",
                                         "list possible unrecorded splits in a portfolio",
                                         RunSplitSearchCommand});

}  // namespace

}  // namespace voltrim::cli
