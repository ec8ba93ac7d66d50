// voltrim-cli facts DIR SYMBOL: what the files say about a series (Symbol > About).
#include <string>

#include "browser/series_view.h"
#include "cli/cli_common.h"
#include "datafiles/format/master.h"
#include "datafiles/format/series.h"
#include "datafiles/format/series_facts.h"
#include "datafiles/format/xmaster.h"

namespace voltrim::cli {

namespace {

int RunFacts(const QStringList& arguments);

const Command kFacts{"facts", "facts DIR SYMBOL", "prints the stored facts of a series", RunFacts};

// A text field as a dialog shows it: up to its first NUL.
std::string Shown(const std::string& text) { return text.substr(0, text.find('\0')); }

// Why the facts could not be had: the series' own readers say it best.
std::string FactsProblem(const std::string& dir, const std::string& symbol) {
  SeriesView series;
  const Status status = series.Open(dir, symbol);
  if (status == kOk) return "its data file or column layout cannot be read";
  return SeriesProblemText(dir, symbol, status);
}

void PrintFacts(const SeriesFacts& facts) {
  PrintLine("Path: " + facts.path);
  PrintLine("File number: " + std::to_string(facts.fileNumber));
  PrintLine("DAT file record length: " + std::to_string(facts.recordLength));
  PrintLine("DAT file number of fields: " + std::to_string(facts.fieldCount));
  PrintLine("Number of quotes: " + std::to_string(facts.quoteCount));
  PrintLine("Name of issue: " + Shown(facts.name));
  PrintLine("First date in file: " + FactsDateText(facts.firstDate));
  PrintLine("Last date in file: " + FactsDateText(facts.lastDate));
  PrintLine("Data format: " + facts.periodicity);
  PrintLine("Symbol: " + Shown(facts.symbol));
  if (!facts.longName.empty()) PrintLine("Long name (EMASTER): " + facts.longName);
  PrintLine("Listed in: " + facts.indexFile);
  PrintLine("Data file: " + facts.dataFile);
  if (facts.hasTime) {
    PrintLine("Time frame: " + facts.timeFrame);
    PrintLine("Bars on first day: " + std::to_string(facts.firstDayBars));
    PrintLine("Bars on last day: " + std::to_string(facts.lastDayBars));
    PrintLine("Most bars in a day: " + std::to_string(facts.mostDayBars));
  }
  for (int i = 0; i < kFieldKindCount; ++i) {
    const auto field = static_cast<Field>(i);
    const std::string label(FactsFieldLabel(field));
    const auto index = static_cast<std::size_t>(i);
    // No trailing blank after the colon when the layout has no such field.
    const auto line = [&](const char* column, const std::string& value) {
      PrintLine(label + " " + column + ":" + (value.empty() ? "" : " " + value));
    };
    line("Input", facts.inputFormat[index]);
    line("Display", facts.displayFormat[index]);
  }
}

int RunFacts(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kFacts, 2, 2,
      "Prints the facts of the About Selected Quote Series dialog, one 'Label: value'\n"
      "line each, then the input and display format of each field (Date to OI) as its\n"
      "DOP file names them; empty for fields the series does not hold. A series with a time\n"
      "of day also has its time frame and its bars on the first, the last and the busiest day."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const std::string symbol = TextArgument(positional[1]);

  SeriesFacts facts;
  if (GetSeriesFacts(*dir, symbol, facts) != kFactsFound &&
      GetXmasterSeriesFacts(*dir, symbol, facts) != kFactsFound) {
    FoundSymbol found;
    const Status status = FindSymbol(*dir, symbol, found);
    bool listed = false;
    if (status == kFileNotFound) (void)XmasterListsSymbol(*dir, symbol, listed);
    if (listed) {
      PrintFailure("The facts of " + symbol + " cannot be read: " + FactsProblem(*dir, symbol));
    } else if (status == kFileNotFound) {
      PrintError(SymbolNotFoundText(symbol, *dir));
    } else if (status != kOk) {
      PrintFailure("The MASTER file of " + *dir + " cannot be read: " + DescribeStatus(status));
    } else {
      PrintFailure("The facts of " + symbol + " cannot be read: " + FactsProblem(*dir, symbol));
    }
    return kExitFailed;
  }
  PrintFacts(facts);
  return kExitOk;
}

const CommandRegistration kFactsRegistration(kFacts);

}  // namespace

}  // namespace voltrim::cli
