// delete-symbol DIR SYMBOL...: Symbol > Delete, answered Yes.
#include <algorithm>
#include <limits>

#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "cli/cli_symbol_list.h"
#include "cli/cli_write_common.h"
#include "datafiles/format/master_image.h"
#include "symbols/symbol_batch_commands.h"
#include "symbols/symbol_commands.h"

namespace voltrim::cli {

namespace {

int RunDeleteSymbolCommand(const QStringList& arguments);

const Command kDeleteSymbol{"delete-symbol", "delete-symbol DIR SYMBOL... [--from-file FILE]",
                            "deletes symbols and their files", RunDeleteSymbolCommand};

int DeleteOne(const std::string& dir, const std::string& symbol) {
  SymbolRow row;
  if (!FindSymbolRow(dir, symbol, row)) return kExitFailed;
  if (row.index == IndexFile::kMaster) WarnIfEmasterOutOfStep(dir);
  CliPrompt prompt;
  const SymbolPortfolio portfolio{dir, MasterPathIn(dir)};
  const SymbolCommandOutcome outcome =
      RunSymbolDelete(portfolio, row.symbol, prompt, false, row.index);
  return ExitStatus(outcome.succeeded, outcome.partlyDone);
}

// Every symbol is looked up first; one that names no series refuses them all.
int DeleteMany(const std::string& dir, const std::vector<std::string>& symbols) {
  std::vector<ListedSymbol> found;
  std::vector<std::string> missing;
  const Status status = FindListedSymbols(dir, symbols, found, missing);
  if (status != kOk) {
    PrintFailure("The MASTER file of " + dir + " cannot be read: " + DescribeStatus(status));
    return kExitFailed;
  }
  if (!missing.empty()) {
    PrintError(SymbolsNotFoundMessage("deleted", symbols.size(), missing, dir));
    return kExitFailed;
  }
  if (std::any_of(found.begin(), found.end(),
                  [](const ListedSymbol& s) { return s.index == IndexFile::kMaster; }))
    WarnIfEmasterOutOfStep(dir);
  CliPrompt prompt;
  const SymbolCommandOutcome outcome =
      RunSymbolsDelete(SymbolPortfolio{dir, MasterPathIn(dir)}, found, prompt);
  return ExitStatus(outcome.succeeded, outcome.partlyDone);
}

int RunDeleteSymbolCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption fromFile = FromFileOption();
  parser.addOption(fromFile);
  QStringList positional;
  const ArgumentSpec plan{
      kDeleteSymbol, 1, std::numeric_limits<int>::max(),
      "Deletes the symbols listed as SYMBOL, as Symbol > Delete does after Yes (no question\n"
      "is asked): each MASTER record goes, then its F<n>.DAT, F<n>.DOP and F<n>.BAK; a\n"
      "symbol XMASTER lists goes from XMASTER, then its F<n>.MWD, F<n>.DOP and F<n>.BAK.\n"
      "\n"
      "Several symbols are deleted in one step, undone by one undo: every one is looked up\n"
      "first, and one that is not found refuses them all, naming each, with nothing deleted."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  int exitStatus = kExitOk;
  const auto symbols = SymbolList(kDeleteSymbol, parser, fromFile, positional.mid(1), exitStatus);
  if (!symbols) return exitStatus;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  return symbols->size() == 1 ? DeleteOne(*dir, symbols->front()) : DeleteMany(*dir, *symbols);
}

const CommandRegistration kDeleteSymbolRegistration(kDeleteSymbol);

}  // namespace

}  // namespace voltrim::cli
