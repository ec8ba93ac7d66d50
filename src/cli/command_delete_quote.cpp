// delete-quote DIR SYMBOL DATE: Quotes > Delete, confirmed.
#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/add_delete.h"
#include "text/time_text.h"

namespace voltrim::cli {

namespace {

int RunDeleteQuoteCommand(const QStringList& arguments);

const Command kDeleteQuote{"delete-quote", "delete-quote DIR SYMBOL DATE [--time T]",
                           "deletes the quote of a date", RunDeleteQuoteCommand};

// Only the delete of the series' first or last quote changes MASTER (its dates).
bool ChangesMasterDates(const LoadedSeries& view, const std::string& date,
                        const TimeArgument& time) {
  const std::vector<std::string>& rows = view.rowDates;  // newest first
  if (rows.empty()) return false;
  if (time.given) {
    const BarKey bar{ParseUserDate(date), time.time};
    return view.rowBars.front() == bar || view.rowBars.back() == bar;
  }
  const bool last = rows.front() == date && (rows.size() < 2 || rows[1] != date);
  return rows.back() == date || last;
}

int RunDeleteQuoteCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption timeOption(
      QStringLiteral("time"),
      QStringLiteral("The bar at this time of day (HH:MM or HH:MM:SS), for a series with a "
                     "time of day."),
      QStringLiteral("T"));
  parser.addOption(timeOption);
  QStringList positional;
  const ArgumentSpec plan{
      kDeleteQuote, 3, 3,
      "Deletes the first quote (in file order) dated DATE (MM/DD/YY), as Quotes > Delete\n"
      "does once its question is answered Yes (no question is asked here). MASTER's first\n"
      "or last date follows when the first or last quote goes. On a series with a time of\n"
      "day, --time deletes the bar of DATE at that time (as Quotes > Delete on its row\n"
      "does); either way the command then says which bar it deleted."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const std::optional<TimeArgument> time = ReadTimeOption(kDeleteQuote, parser, timeOption);
  if (!time) return kExitUsage;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const std::string symbol = TextArgument(positional[1]);
  LoadedSeries view;
  if (!LoadSeries(*dir, symbol, view)) return kExitFailed;
  if (RefuseTimeForDaily(kDeleteQuote, view, symbol, *time)) return kExitUsage;
  const std::string date = TextArgument(positional[2]);
  if (ChangesMasterDates(view, TextArgument(positional[2].trimmed()), *time))
    WarnIfEmasterOutOfStepFor(*dir, symbol);
  // Which bar a delete by date alone takes, to say so afterwards.
  const int first = FirstInFileOfDate(view, TextArgument(positional[2].trimmed()));
  CliPrompt prompt;
  const QuoteCommandOutcome outcome =
      RunDeleteQuote(view.context, date, {prompt, nullptr}, time->text);
  if (view.context.hasTime && outcome.barsChanged > 0) {
    std::string timeText = time->text;
    if (!time->given && first >= 0)
      timeText = FormatTimeText(view.rowBars[static_cast<std::size_t>(first)].time);
    PrintBarsChanged("Deleted", outcome.barsChanged, date, timeText);
  }
  return ExitStatus(outcome.succeeded, outcome.partlyDone);
}

const CommandRegistration kDeleteQuoteRegistration(kDeleteQuote);

}  // namespace

}  // namespace voltrim::cli
