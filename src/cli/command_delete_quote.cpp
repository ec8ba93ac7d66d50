// delete-quote DIR SYMBOL DATE: Quotes > Delete, confirmed.
#include "cli/cli_command.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/add_delete.h"

namespace voltrim::cli {

namespace {

int RunDeleteQuoteCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const std::optional<int> done = ParseWriteCommand(
      parser, arguments,
      "Deletes the first quote (in file order) dated DATE, as Quotes > Delete does after\n"
      "its question is answered Yes. MASTER's first or last date follows when the first or\n"
      "last quote goes.",
      {{"DIR", "Portfolio folder."},
       {"SYMBOL", "Symbol or name of the series."},
       {"DATE", "Date of the quote, MM/DD/YY."}},
      3);
  if (done) return *done;
  const QStringList positional = parser.positionalArguments();
  SeriesView view;
  if (!LoadSeriesView(ToText(positional[0]), ToText(positional[1]), view)) return kExitFailed;
  CliPrompt prompt;
  const QuoteCommandOutcome outcome =
      RunDeleteQuote(view.context, ToText(positional[2]), {prompt, nullptr});
  return outcome.succeeded ? kExitOk : kExitFailed;
}

}  // namespace

static const CommandRegistration kRegistration({"delete-quote", "delete-quote DIR SYMBOL DATE",
                                                "delete the quote of a date",
                                                RunDeleteQuoteCommand});

}  // namespace voltrim::cli
