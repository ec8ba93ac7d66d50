// delete-quote DIR SYMBOL DATE: Quotes > Delete, confirmed.
#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/add_delete.h"

namespace voltrim::cli {

namespace {

int RunDeleteQuoteCommand(const QStringList& arguments);

const Command kDeleteQuote{"delete-quote", "delete-quote DIR SYMBOL DATE",
                           "deletes the quote of a date", RunDeleteQuoteCommand};

// Only the delete of the series' first or last quote changes MASTER (its dates).
bool ChangesMasterDates(const LoadedSeries& view, const std::string& date) {
  const std::vector<std::string>& rows = view.rowDates;  // newest first
  if (rows.empty()) return false;
  const bool last = rows.front() == date && (rows.size() < 2 || rows[1] != date);
  return rows.back() == date || last;
}

int RunDeleteQuoteCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kDeleteQuote, 3, 3,
      "Deletes the first quote (in file order) dated DATE (MM/DD/YY), as Quotes > Delete\n"
      "does once its question is answered Yes (no question is asked here). MASTER's first\n"
      "or last date follows when the first or last quote goes."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  LoadedSeries view;
  if (!LoadSeries(*dir, TextArgument(positional[1]), view)) return kExitFailed;
  if (ChangesMasterDates(view, TextArgument(positional[2].trimmed())))
    WarnIfEmasterOutOfStepFor(*dir, TextArgument(positional[1]));
  CliPrompt prompt;
  const QuoteCommandOutcome outcome =
      RunDeleteQuote(view.context, TextArgument(positional[2]), {prompt, nullptr});
  return ExitStatus(outcome.succeeded, outcome.partlyDone);
}

const CommandRegistration kRegistration(kDeleteQuote);

}  // namespace

}  // namespace voltrim::cli
