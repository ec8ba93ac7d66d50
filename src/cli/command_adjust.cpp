// adjust DIR SYMBOL FROM TO [--price M] [--volume M] [--oi M]: Quotes > Adjust.
#include "cli/cli_command.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/entry_fields.h"
#include "quotes/quote_messages.h"
#include "quotes/split_adjust.h"

namespace voltrim::cli {

namespace {

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
  const std::optional<int> done = ParseWriteCommand(
      parser, arguments,
      "Scales the quotes dated FROM to TO, both included, as Quotes > Adjust does: the four\n"
      "prices by the price multiplier, volume and open interest by theirs. Both dates must\n"
      "lie within the series; the multipliers must be non-zero numbers of at most 8\n"
      "characters (price and volume: digits and points only). Otherwise \"Invalid Data\n"
      "Entered\".",
      {{"DIR", "Portfolio folder."},
       {"SYMBOL", "Symbol or name of the series."},
       {"FROM", "First date, MM/DD/YY."},
       {"TO", "Last date, MM/DD/YY."}},
      4);
  if (done) return *done;
  const QStringList positional = parser.positionalArguments();
  const AdjustTexts entered{ToText(positional[2]), ToText(positional[3]),
                            ToText(parser.value(price)), ToText(parser.value(volume)),
                            ToText(parser.value(openInterest))};

  SeriesView view;
  if (!LoadSeriesView(ToText(positional[0]), ToText(positional[1]), view)) return kExitFailed;
  CliPrompt prompt;
  if (!TypeableNumber(entered.priceMultiplier, kAdjustMultiplierMaxChars) ||
      !TypeableNumber(entered.volumeMultiplier, kAdjustMultiplierMaxChars) ||
      entered.openInterestMultiplier.size() > kAdjustMultiplierMaxChars ||
      !TypeableDate(entered.fromDate) || !TypeableDate(entered.toDate)) {
    prompt.ShowMessage(quote_messages::kInvalidDataEntered, MessageIcon::Default);
    return kExitFailed;
  }
  if (!CheckAdjustEntries(entered, view.context, prompt)) return kExitFailed;
  return RunAdjust(view.context, entered, {prompt, nullptr}).succeeded ? kExitOk : kExitFailed;
}

}  // namespace

static const CommandRegistration kRegistration(
    {"adjust", "adjust DIR SYMBOL FROM TO [--price M] [--volume M] [--oi M]",
     "scale prices, volume or open interest over a date range", RunAdjustCommand});

}  // namespace voltrim::cli
