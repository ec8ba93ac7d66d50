// add-quote DIR SYMBOL DATE: Quotes > Add on the quote dated DATE.
#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/add_delete.h"
#include "quotes/bar_commands.h"
#include "text/time_text.h"

namespace voltrim::cli {

namespace {

int RunAddQuoteCommand(const QStringList& arguments);

const Command kAddQuote{"add-quote", "add-quote DIR SYMBOL DATE [--time T]",
                        "adds a quote before the quote of a date", RunAddQuoteCommand};

// A series with a time of day: the new bar at DATE and TIME, as Add Data asks for them.
int AddBarAt(const LoadedSeries& view, const std::string& date, const TimeArgument& time) {
  if (!TypeableDate(date)) {
    PrintError("Invalid Data Entered");
    return kExitFailed;
  }
  CliPrompt prompt;
  const std::optional<int> source = CheckNewBar(view.rowBars, date, time.text, prompt);
  if (!source) return kExitFailed;
  const QuoteCommandOutcome outcome =
      RunAddBar(view.context, date, time.text, *source, {prompt, nullptr});
  if (!outcome.succeeded) return kExitFailed;
  PrintBarsChanged("Added", outcome.barsChanged, date, time.text);
  return kExitOk;
}

int RunAddQuoteCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption timeOption(
      QStringLiteral("time"),
      QStringLiteral("For a series with a time of day: the new bar's time (HH:MM or HH:MM:SS); "
                     "DATE is then the new bar's date."),
      QStringLiteral("T"));
  parser.addOption(timeOption);
  QStringList positional;
  const ArgumentSpec plan{
      kAddQuote, 3, 3,
      "Adds a quote on the weekday before the quote dated DATE (MM/DD/YY), as Quotes > Add\n"
      "does on that quote after its OK: a copy of the quote of the following weekday.\n"
      "Change its values afterwards with 'edit'. Refused on the oldest quote, when the new\n"
      "date already has a quote (\"Date %s already exists.\") and when there is no quote\n"
      "to copy (\"Add Quote Failed\"). On a series with a time of day, --time adds the bar\n"
      "of DATE at that time, a copy of the bar after it, as Add Data does with that date and\n"
      "time; refused when a bar has them, and when no bar follows or it would come first.\n"
      "Either way the command then says which bar it added."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const std::optional<TimeArgument> time = ReadTimeOption(kAddQuote, parser, timeOption);
  if (!time) return kExitUsage;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const std::string symbol = TextArgument(positional[1]);
  LoadedSeries view;
  if (!LoadSeries(*dir, symbol, view)) return kExitFailed;
  if (RefuseTimeForDaily(kAddQuote, view, symbol, *time)) return kExitUsage;
  const std::string date = TextArgument(positional[2]);
  if (time->given) return AddBarAt(view, date, *time);
  const int row = RowOfDate(view, date);
  if (row < 0) {
    PrintError("No quote is dated " + date + ".");
    return kExitFailed;
  }
  if (!AddQuoteAvailable(row, view.context.quoteCount)) {
    PrintError("A quote cannot be added before the oldest quote.");
    return kExitFailed;
  }
  CliPrompt prompt;
  const std::optional<std::string> newDate = PlanAddQuote(date, view.rowDates, prompt);
  if (!newDate) return kExitFailed;
  const QuoteCommandOutcome outcome = RunAddQuote(view.context, *newDate, row, {prompt, nullptr});
  if (!outcome.succeeded) return kExitFailed;
  if (view.context.hasTime) {
    // The copy keeps the time of the first bar of DATE, which it was made from.
    const int copied = FirstInFileOfDate(view, date);
    PrintBarsChanged("Added", outcome.barsChanged, *newDate,
                     FormatTimeText(view.rowBars[static_cast<std::size_t>(copied)].time));
  }
  return kExitOk;
}

const CommandRegistration kAddQuoteRegistration(kAddQuote);

}  // namespace

}  // namespace voltrim::cli
