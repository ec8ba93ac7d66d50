// adjust DIR SYMBOL FROM TO [--price M] [--volume M] [--oi M]: Quotes > Adjust.
#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/entry_fields.h"
#include "quotes/quote_messages.h"
#include "quotes/split_adjust.h"

namespace voltrim::cli {

namespace {

int RunAdjustCommand(const QStringList& arguments);

const Command kAdjust{"adjust", "adjust DIR SYMBOL FROM TO [--price M] [--volume M] [--oi M]",
                      "scales prices, volume or open interest over a date range", RunAdjustCommand};

int RunAdjustCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption price(QStringLiteral("price"), QStringLiteral("Price multiplier (1)."),
                                 QStringLiteral("M"), QStringLiteral("1"));
  const QCommandLineOption volume(QStringLiteral("volume"),
                                  QStringLiteral("Volume multiplier (1)."), QStringLiteral("M"),
                                  QStringLiteral("1"));
  const QCommandLineOption openInterest(QStringLiteral("oi"),
                                        QStringLiteral("Open-interest multiplier (1)."),
                                        QStringLiteral("M"), QStringLiteral("1"));
  parser.addOptions({price, volume, openInterest});
  QStringList positional;
  const ArgumentSpec plan{
      kAdjust, 4, 4,
      "Scales the quotes dated FROM to TO (MM/DD/YY), both included, as Quotes > Adjust\n"
      "does: the four prices by the price multiplier, volume and open interest by theirs.\n"
      "Both dates must lie within the series; the multipliers are non-zero numbers of at\n"
      "most 8 characters (price and volume: digits and points only). Otherwise \"Invalid\n"
      "Data Entered\"."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const AdjustTexts entered{TextArgument(positional[2]), TextArgument(positional[3]),
                            TextArgument(parser.value(price)), TextArgument(parser.value(volume)),
                            TextArgument(parser.value(openInterest))};

  LoadedSeries view;
  if (!LoadSeries(*dir, TextArgument(positional[1]), view)) return kExitFailed;
  CliPrompt prompt;
  if (!TypeableDate(entered.fromDate) || !TypeableDate(entered.toDate) ||
      !TypeableNumber(entered.priceMultiplier, kAdjustMultiplierMaxChars) ||
      !TypeableNumber(entered.volumeMultiplier, kAdjustMultiplierMaxChars) ||
      entered.openInterestMultiplier.size() > kAdjustMultiplierMaxChars) {
    prompt.ShowMessage(quote_messages::kInvalidDataEntered, MessageIcon::Default);
    return kExitFailed;
  }
  if (!CheckAdjustEntries(entered, view.context, prompt)) return kExitFailed;
  return RunAdjust(view.context, entered, {prompt, nullptr}).succeeded ? kExitOk : kExitFailed;
}

const CommandRegistration kAdjustRegistration(kAdjust);

}  // namespace

}  // namespace voltrim::cli
