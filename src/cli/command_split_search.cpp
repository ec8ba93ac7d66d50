// voltrim-cli split-search: lists the possible splits of every symbol of a portfolio.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "splitsearch/portfolio_symbols.h"
#include "splitsearch/split_ranking.h"
#include "splitsearch/split_results_file.h"
#include "splitsearch/split_search.h"

namespace voltrim::cli {

namespace {

constexpr char kSymbolsFailure[] = "Failure while filling symbols grid";

int RunSplitSearchCommand(const QStringList& arguments);
int PrintRanked(const std::string& dir, const std::vector<std::string>& symbols, CliPrompt& prompt,
                const std::optional<std::string>& path, int lowestScore);

const Command kSplitSearch{"split-search", "split-search DIR [-o FILE] [--ranked [--min-score N]]",
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
  const QCommandLineOption ranked(
      "ranked",
      "Print the candidates most likely first, each line followed by a tab, its score (0 to "
      "100) and a tab and the evidence in words; steps the plain search misses but whose "
      "level moved by a split ratio and stayed are added.");
  parser.addOption(ranked);
  const QCommandLineOption minScore(
      "min-score", "With --ranked, leave out the lines scoring below N (0 to 100).", "N");
  parser.addOption(minScore);
  QStringList positional;
  const ArgumentSpec plan{
      kSplitSearch, 1, 1,
      "Searches every symbol of the portfolio DIR for consecutive quotes whose closes jump\n"
      "by about a split ratio (1:2, 1:3, 1:4, 2:1, 2:3, 3:1, 3:2, 4:1) across a price gap,\n"
      "and prints one line per possible split, oldest first within each symbol. Nothing is\n"
      "changed. Messages (such as a symbol with fewer than 2 quotes) go to stderr.\n"
      "With --ranked every line gets a score from the evidence around it (the close level\n"
      "over the 20 days either side moved by the ratio and stayed, the volume moved the\n"
      "other way, the ratio fits, the series is quiet and has no other large moves nearby)\n"
      "and the lines are printed most likely first; a score of 50 or more is likely."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  int lowestScore = 0;
  if (parser.isSet(minScore)) {
    bool number = false;
    lowestScore = parser.value(minScore).toInt(&number);
    if (!parser.isSet(ranked)) return UsageError(kSplitSearch, "--min-score needs --ranked");
    if (!number || lowestScore < 0 || lowestScore > 100)
      return UsageError(kSplitSearch, "--min-score takes a whole number from 0 to 100");
  }
  // Not PortfolioArgument: a folder that cannot be read fails as the window's fill does.
  const std::string dir = PathArgument(positional[0]);

  CliPrompt prompt;
  std::vector<std::string> symbols;
  if (ReadPortfolioSymbols(dir, symbols) != kOk) {
    prompt.ShowMessage(kSymbolsFailure, MessageIcon::Error);
    return kExitFailed;
  }
  const bool toFile = parser.isSet(output);
  if (parser.isSet(ranked))
    return PrintRanked(dir, symbols, prompt,
                       toFile ? std::optional(PathArgument(parser.value(output))) : std::nullopt,
                       lowestScore);
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

// --ranked: the search runs as without it (its messages on stderr), then its lines and the
// steps it missed are printed most likely first, with their scores and reasons.
int PrintRanked(const std::string& dir, const std::vector<std::string>& symbols, CliPrompt& prompt,
                const std::optional<std::string>& path, int lowestScore) {
  SplitSearchResults results;
  std::vector<SplitCandidate> found;
  const SplitSearchRun run =
      RunSplitSearch(dir, symbols, results, prompt,
                     [&found](const SplitCandidate& candidate) { found.push_back(candidate); });
  std::vector<std::string> lines;
  for (const RankedSplit& line : RankSearchRun(dir, symbols, run, found))
    if (line.score >= lowestScore) lines.push_back(RankedSplitText(line));
  if (path) {
    if (!SaveSplitLines(*path, lines)) {
      prompt.ShowMessage(SaveSplitResultsFailedMessage(*path), MessageIcon::Error);
      return kExitFailed;
    }
  } else {
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  }
  return run.outcome == SplitSearchOutcome::Finished ? kExitOk : kExitFailed;
}

const CommandRegistration kSplitSearchRegistration(kSplitSearch);

}  // namespace

}  // namespace voltrim::cli
