// voltrim-cli symbols DIR: the symbols grid of a portfolio.
#include <cstdio>

#include "browser/grid_text.h"
#include "cli/cli_common.h"
#include "datafiles/portfolio_files.h"

namespace voltrim::cli {

namespace {

int RunSymbols(const QStringList& arguments);

const Command kSymbols{"symbols", "symbols DIR", "lists the symbols of a portfolio", RunSymbols};

int RunSymbols(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{kSymbols, 1, 1,
                          "Prints one line per MASTER record, in file order: the symbol, a TAB\n"
                          "and the name, as the symbols grid shows them. A record without a\n"
                          "symbol shows its name; MASTER is not changed (see 'repair')."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;

  const std::string masterPath = ResolveInDirectory(*dir, "MASTER");
  SymbolRows symbols;
  const Status status = ReadSymbolRows(masterPath, symbols);
  if (status != kOk) {
    PrintFailure("Failure while filling symbols grid");
    if (status == kFileNotFound) {
      PrintError(NoMasterText(*dir));
    } else if (status == kFileOpen) {
      PrintError(masterPath + " cannot be opened");
    } else if (status == kDamagedFile) {
      PrintError(masterPath + ": its records do not match the count in its header");
    } else {
      PrintError(masterPath + ": " + DescribeStatus(status));
    }
    return kExitFailed;
  }
  if (symbols.countCapped) {
    char text[128];
    std::snprintf(text, sizeof text, "File has %d symbols.\nWill only display the first %d symbols",
                  symbols.headerCount, kMaxSymbols);
    PrintError(text);
  }
  for (const SymbolRow& row : symbols.rows) PrintLine(row.symbol + "\t" + row.name);
  if (symbols.needsRepair) {
    PrintError("The master file\n" + masterPath + "\nappears corrupted.");
    PrintError("Records without a symbol show their name; 'voltrim-cli repair " + *dir +
               "' writes the names into their symbol fields.");
  }
  return kExitOk;
}

const CommandRegistration kRegistration(kSymbols);

}  // namespace

}  // namespace voltrim::cli
