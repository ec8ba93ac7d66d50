// import DIR SYMBOL FILE [--replace | --keep]: Quotes > Import.
#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "datafiles/format/master.h"
#include "datafiles/format/xmaster.h"
#include "import/import_command.h"

namespace voltrim::cli {

namespace {

int RunImportCommand(const QStringList& arguments);

const Command kImport{"import", "import DIR SYMBOL FILE [--replace | --keep]",
                      "adds the quotes of a text file to a series", RunImportCommand};

constexpr const char* kAdvice =
    "Run the import again with --replace to store the file's values, or with --keep to keep "
    "the stored quotes.";

int RunImportCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption replace(
      QStringLiteral("replace"),
      QStringLiteral("Dates the series holds with other values take the file's values."));
  const QCommandLineOption keep(
      QStringLiteral("keep"),
      QStringLiteral("Dates the series holds with other values keep the stored quotes."));
  parser.addOption(replace);
  parser.addOption(keep);
  QStringList positional;
  const ArgumentSpec plan{
      kImport, 3, 3,
      "Adds the quotes of the text file FILE to the series SYMBOL (symbol or name) of the\n"
      "portfolio DIR, as Quotes > Import does. FILE may be Voltrim's own export (CSV or\n"
      "text) or a Date,Open,High,Low,Close[,Adj Close],Volume[,OpenInt] file of a data\n"
      "site: comma, semicolon, tab or blank separated, with a header row (names matched\n"
      "ignoring case, other columns ignored) or in that column order without one; dates\n"
      "as YYYY-MM-DD, YYYYMMDD, MM/DD/YYYY or MM/DD/YY; a Time column (HH:MM:SS) for an\n"
      "intraday series. SYMBOL may be a series of MASTER or of XMASTER. The quotes take\n"
      "their places in date (and time) order among the stored ones; the index file's first\n"
      "and last dates follow. A date the series holds with the\n"
      "same values is skipped; with other values the import is refused, naming the dates,\n"
      "unless --replace or --keep says what to do. A line that cannot be read, or two\n"
      "lines of one date, refuse the whole import with their line numbers, and nothing is\n"
      "written. The summary (quotes added, replaced, kept and skipped, and the columns\n"
      "left out or stored as 0) goes to standard output."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  if (parser.isSet(replace) && parser.isSet(keep))
    return UsageError(kImport, "--replace and --keep exclude each other");
  const ImportOverlap overlap = parser.isSet(replace) ? ImportOverlap::kReplace
                                : parser.isSet(keep)  ? ImportOverlap::kKeep
                                                      : ImportOverlap::kRefuse;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const std::string symbol = TextArgument(positional[1]);
  FoundSymbol found;
  bool inXmaster = false;
  if (FindSymbol(*dir, symbol, found) != kOk &&
      (XmasterListsSymbol(*dir, symbol, inXmaster) != kOk || !inXmaster)) {
    PrintError(SymbolNotFoundText(symbol, *dir));
    return kExitFailed;
  }
  const std::string file = PathArgument(positional[2]);
  CliPrompt prompt;
  ImportText text;
  if (!ReadImportFile(file, text, prompt)) return kExitFailed;
  WarnIfEmasterOutOfStepFor(*dir, symbol);
  const ImportOutcome outcome =
      RunImport(*dir, symbol, file, std::move(text), overlap, prompt, kAdvice);
  for (const std::string& line : outcome.summary) PrintLine(line);
  return ExitStatus(outcome.succeeded, outcome.partlyDone);
}

const CommandRegistration kImportRegistration(kImport);

}  // namespace

}  // namespace voltrim::cli
