// split DIR SYMBOL DATE NEW OLD: Quotes > Split with the dialog's checks.
#include "cli/cli_command.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/entry_fields.h"
#include "quotes/quote_messages.h"
#include "quotes/split_adjust.h"

namespace voltrim::cli {

namespace {

int RunSplitCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const std::optional<int> done = ParseWriteCommand(
      parser, arguments,
      "Enters a split of NEW shares for OLD on DATE, as Quotes > Split does: every quote\n"
      "dated before DATE has its prices multiplied by OLD/NEW and its volume and open\n"
      "interest by NEW/OLD. DATE must lie within the series; NEW and OLD are non-zero\n"
      "numbers of at most 5 digits and points. Otherwise \"Invalid Data Entered\".",
      {{"DIR", "Portfolio folder."},
       {"SYMBOL", "Symbol or name of the series."},
       {"DATE", "Split date, MM/DD/YY."},
       {"NEW", "New shares."},
       {"OLD", "Old shares."}},
      5);
  if (done) return *done;
  const QStringList positional = parser.positionalArguments();
  const SplitTexts entered{ToText(positional[2]), ToText(positional[3]), ToText(positional[4])};

  SeriesView view;
  if (!LoadSeriesView(ToText(positional[0]), ToText(positional[1]), view)) return kExitFailed;
  CliPrompt prompt;
  if (!TypeableNumber(entered.newShares, kSplitSharesMaxChars) ||
      !TypeableNumber(entered.oldShares, kSplitSharesMaxChars) || !TypeableDate(entered.date)) {
    prompt.ShowMessage(quote_messages::kInvalidDataEntered, MessageIcon::Default);
    return kExitFailed;
  }
  if (!CheckSplitEntries(entered, view.context, prompt)) return kExitFailed;
  return RunSplit(view.context, entered, {prompt, nullptr}).succeeded ? kExitOk : kExitFailed;
}

}  // namespace

static const CommandRegistration kRegistration({"split", "split DIR SYMBOL DATE NEW OLD",
                                                "enter a stock split", RunSplitCommand});

}  // namespace voltrim::cli
