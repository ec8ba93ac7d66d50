// voltrim-cli symbols DIR: the symbols grid of a portfolio.
#include <cstdio>

#include "browser/grid_text.h"
#include "cli/cli_common.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/portfolio_files.h"

namespace voltrim::cli {

namespace {

int RunSymbols(const QStringList& arguments);

const Command kSymbols{"symbols", "symbols DIR [--all]", "lists the symbols of a portfolio",
                       RunSymbols};

// The series only XMASTER lists, after MASTER's rows: symbol, name and data file. A
// damaged XMASTER lists nothing and says so.
void PrintXmasterRows(const std::string& dir) {
  XmasterFile xmaster;
  const Status status = ReadXmasterFile(dir, xmaster);
  if (status == kFileNotFound) return;
  if (status != kOk) {
    PrintError(ResolveInDirectory(dir, "XMASTER") + ": " + DescribeStatus(status));
    return;
  }
  for (const XmasterRecord& record : xmaster.records)
    PrintLine(record.symbol + "\t" + record.name + "\t" + MwdFileName(record.fileNumber));
  if (static_cast<int>(xmaster.records.size()) < xmaster.countedRecords)
    PrintError(ResolveInDirectory(dir, "XMASTER") + ": holds fewer records than its header counts");
}

int RunSymbols(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption all(
      "all", "Then list the series of XMASTER (numbered 256 and up): symbol, name, data file.");
  parser.addOption(all);
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
  for (const voltrim::SymbolRow& row : symbols.rows) PrintLine(row.symbol + "\t" + row.name);
  if (parser.isSet(all)) PrintXmasterRows(*dir);
  if (symbols.needsRepair) {
    PrintError("The master file\n" + masterPath + "\nappears corrupted.");
    PrintError("Records without a symbol show their name; 'voltrim-cli repair " + *dir +
               "' writes the names into their symbol fields.");
  }
  return kExitOk;
}

const CommandRegistration kSymbolsRegistration(kSymbols);

}  // namespace

}  // namespace voltrim::cli
