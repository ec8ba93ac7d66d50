// split DIR SYMBOL DATE NEW OLD: Quotes > Split with the dialog's checks.
#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/entry_fields.h"
#include "quotes/quote_messages.h"
#include "quotes/split_adjust.h"

namespace voltrim::cli {

namespace {

int RunSplitCommand(const QStringList& arguments);

const Command kSplit{"split", "split DIR SYMBOL DATE NEW OLD", "enters a stock split",
                     RunSplitCommand};

int RunSplitCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kSplit, 5, 5,
      "Enters a split of NEW shares for OLD on DATE (MM/DD/YY), as Quotes > Split does:\n"
      "every quote dated before DATE has its prices multiplied by OLD/NEW and its volume\n"
      "and open interest by NEW/OLD. DATE must lie within the series; NEW and OLD are\n"
      "non-zero numbers of at most 5 digits and points. Otherwise \"Invalid Data Entered\"."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const SplitTexts entered{TextArgument(positional[2]), TextArgument(positional[3]),
                           TextArgument(positional[4])};

  LoadedSeries view;
  if (!LoadSeries(*dir, TextArgument(positional[1]), view)) return kExitFailed;
  CliPrompt prompt;
  if (!TypeableDate(entered.date) || !TypeableNumber(entered.newShares, kSplitSharesMaxChars) ||
      !TypeableNumber(entered.oldShares, kSplitSharesMaxChars)) {
    prompt.ShowMessage(quote_messages::kInvalidDataEntered, MessageIcon::Default);
    return kExitFailed;
  }
  if (!CheckSplitEntries(entered, view.context, prompt)) return kExitFailed;
  return RunSplit(view.context, entered, {prompt, nullptr}).succeeded ? kExitOk : kExitFailed;
}

const CommandRegistration kSplitRegistration(kSplit);

}  // namespace

}  // namespace voltrim::cli
