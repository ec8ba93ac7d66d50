// add-quote DIR SYMBOL DATE: Quotes > Add on the quote dated DATE.
#include <cstdio>

#include "cli/cli_command.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/add_delete.h"

namespace voltrim::cli {

namespace {

int RunAddQuoteCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const std::optional<int> done = ParseWriteCommand(
      parser, arguments,
      "Adds a quote on the weekday before the quote dated DATE, as Quotes > Add does on\n"
      "that quote after its OK: a copy of the quote of the following weekday. Change its\n"
      "values afterwards with 'edit'. Refused on the oldest quote, when the new date\n"
      "already has a quote (\"Date %s already exists.\"), and when there is no quote to\n"
      "copy (\"Add Quote Failed\").",
      {{"DIR", "Portfolio folder."},
       {"SYMBOL", "Symbol or name of the series."},
       {"DATE", "Date of the quote to add before, MM/DD/YY."}},
      3);
  if (done) return *done;
  const QStringList positional = parser.positionalArguments();
  SeriesView view;
  if (!LoadSeriesView(ToText(positional[0]), ToText(positional[1]), view)) return kExitFailed;
  const std::string date = ToText(positional[2]);
  const int row = RowOfDate(view, date);
  if (row < 0) {
    std::fprintf(stderr, "No quote is dated %s.\n", date.c_str());
    return kExitFailed;
  }
  if (!AddQuoteAvailable(row, view.context.quoteCount)) {
    std::fprintf(stderr, "A quote cannot be added before the oldest quote.\n");
    return kExitFailed;
  }
  CliPrompt prompt;
  const std::optional<std::string> newDate = PlanAddQuote(date, view.rowDates, prompt);
  if (!newDate) return kExitFailed;
  const QuoteCommandOutcome outcome = RunAddQuote(view.context, *newDate, row, {prompt, nullptr});
  return outcome.succeeded ? kExitOk : kExitFailed;
}

}  // namespace

static const CommandRegistration kRegistration({"add-quote", "add-quote DIR SYMBOL DATE",
                                                "add a quote before the quote of a date",
                                                RunAddQuoteCommand});

}  // namespace voltrim::cli
