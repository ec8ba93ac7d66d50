// add-quote DIR SYMBOL DATE: Quotes > Add on the quote dated DATE.
#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/add_delete.h"

namespace voltrim::cli {

namespace {

int RunAddQuoteCommand(const QStringList& arguments);

const Command kAddQuote{"add-quote", "add-quote DIR SYMBOL DATE",
                        "adds a quote before the quote of a date", RunAddQuoteCommand};

int RunAddQuoteCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kAddQuote, 3, 3,
      "Adds a quote on the weekday before the quote dated DATE (MM/DD/YY), as Quotes > Add\n"
      "does on that quote after its OK: a copy of the quote of the following weekday.\n"
      "Change its values afterwards with 'edit'. Refused on the oldest quote, when the new\n"
      "date already has a quote (\"Date %s already exists.\") and when there is no quote\n"
      "to copy (\"Add Quote Failed\")."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  LoadedSeries view;
  if (!LoadSeries(*dir, TextArgument(positional[1]), view)) return kExitFailed;
  const std::string date = TextArgument(positional[2]);
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
  return RunAddQuote(view.context, *newDate, row, {prompt, nullptr}).succeeded ? kExitOk
                                                                               : kExitFailed;
}

const CommandRegistration kRegistration(kAddQuote);

}  // namespace

}  // namespace voltrim::cli
