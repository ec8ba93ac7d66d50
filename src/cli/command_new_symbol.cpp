// new-symbol DIR SYMBOL [--name NAME] [--columns 5|6|7] [--intraday]: Symbol > New.
#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "datafiles/format/master.h"
#include "datafiles/format/master_image.h"
#include "symbols/new_symbol.h"

namespace voltrim::cli {

namespace {

int RunNewSymbolCommand(const QStringList& arguments);

const Command kNewSymbol{"new-symbol",
                         "new-symbol DIR SYMBOL [--name NAME] [--columns 5|6|7] [--intraday]",
                         "adds an empty series to a portfolio", RunNewSymbolCommand};

int RunNewSymbolCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption name(QStringLiteral("name"),
                                QStringLiteral("The name of the series (at most 16 characters; "
                                               "default: none)."),
                                QStringLiteral("NAME"));
  const QCommandLineOption columns(
      QStringLiteral("columns"),
      QStringLiteral("5: Date, High, Low, Close, Volume; 6: Date, Open, High, Low, Close, "
                     "Volume; 7 (default): the six and Open Interest."),
      QStringLiteral("5|6|7"), QStringLiteral("7"));
  const QCommandLineOption intraday(
      QStringLiteral("intraday"),
      QStringLiteral("An intraday series: a Time column after Date, periodicity I."));
  parser.addOption(name);
  parser.addOption(columns);
  parser.addOption(intraday);
  QStringList positional;
  const ArgumentSpec plan{
      kNewSymbol, 2, 2,
      "Adds an empty series SYMBOL to the portfolio DIR, as Symbol > New does: F<n>.DAT and\n"
      "F<n>.DOP under the lowest free file number n, then a MASTER record (and an EMASTER\n"
      "record where EMASTER mirrors MASTER). SYMBOL and NAME take at most 16 characters;\n"
      "case is kept. When MASTER holds 255 symbols and DIR has an XMASTER, the series goes\n"
      "there instead (F<n>.MWD under the next number; a symbol of at most 14 characters).\n"
      "A symbol or name already in DIR (any case), or a full MASTER without an XMASTER, is\n"
      "refused. Fill the series with 'import' or 'update'."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  NewSeries series;
  series.symbol = TextArgument(positional[1]);
  series.name = TextArgument(parser.value(name));
  series.intraday = parser.isSet(intraday);
  const QString count = parser.value(columns);
  if (count != QLatin1String("5") && count != QLatin1String("6") && count != QLatin1String("7"))
    return UsageError(kNewSymbol, "--columns takes 5, 6 or 7, not '" + TextArgument(count) + "'");
  series.columns = count.toInt();
  if (series.symbol.size() > kSymbolFieldSize)
    return UsageError(kNewSymbol, "SYMBOL has more than 16 characters");
  if (series.name.size() > kNameFieldSize)
    return UsageError(kNewSymbol, "NAME has more than 16 characters");
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  WarnIfEmasterOutOfStep(*dir);
  CliPrompt prompt;
  const SymbolPortfolio portfolio{*dir, MasterPathIn(*dir)};
  return RunNewSymbol(portfolio, series, prompt).succeeded ? kExitOk : kExitFailed;
}

const CommandRegistration kNewSymbolRegistration(kNewSymbol);

}  // namespace

}  // namespace voltrim::cli
