// edit DIR SYMBOL DATE [--open V] ... : Quotes > Edit with only the named fields changed.
#include <algorithm>
#include <array>

#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/bar_commands.h"
#include "quotes/entry_fields.h"
#include "quotes/quote_edit.h"
#include "text/number_parse.h"

namespace voltrim::cli {

namespace {

int RunEdit(const QStringList& arguments);

const Command kEdit{"edit",
                    "edit DIR SYMBOL DATE [--time T [--new-time T]] [--open V] [--high V] "
                    "[--low V] [--close V] [--volume V] [--oi V]",
                    "sets fields of the quotes of a date", RunEdit};

constexpr std::array<const char*, 6> kFieldOptions = {"open",  "high",   "low",
                                                      "close", "volume", "oi"};
constexpr std::array<const char*, 6> kFieldTitles = {"Open",  "High",   "Low",
                                                     "Close", "Volume", "Open Interest"};

int RunEdit(const QStringList& arguments) {
  QCommandLineParser parser;
  std::vector<QCommandLineOption> options;
  for (std::size_t i = 0; i < kFieldOptions.size(); ++i) {
    options.emplace_back(QString::fromLatin1(kFieldOptions[i]),
                         QStringLiteral("New %1 (up to 16 digits and points).")
                             .arg(QString::fromLatin1(kFieldTitles[i])),
                         QStringLiteral("V"));
    parser.addOption(options.back());
  }
  const QCommandLineOption timeOption(
      QStringLiteral("time"),
      QStringLiteral("The bar at this time of day (HH:MM or HH:MM:SS) alone, for a series with "
                     "a time of day."),
      QStringLiteral("T"));
  const QCommandLineOption newTimeOption(
      QStringLiteral("new-time"),
      QStringLiteral("Moves that bar to this time, between the bars before and after it."),
      QStringLiteral("T"));
  parser.addOption(timeOption);
  parser.addOption(newTimeOption);
  QStringList positional;
  const ArgumentSpec plan{
      kEdit, 3, 3,
      "Sets the named fields of every quote dated DATE (MM/DD/YY) of the series SYMBOL, as\n"
      "Quotes > Edit does; fields not named keep their stored values exactly. Fields the\n"
      "series does not hold are not created. On a series with a time of day, --time sets\n"
      "the bar of DATE at that time alone (as Quotes > Edit on its row does); without it\n"
      "every bar of DATE is set, and the command says how many bars it changed."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const std::optional<TimeArgument> time = ReadTimeOption(kEdit, parser, timeOption);
  if (!time) return kExitUsage;
  const std::optional<TimeArgument> newTime = ReadTimeOption(kEdit, parser, newTimeOption);
  if (!newTime) return kExitUsage;
  if (newTime->given && !time->given) return UsageError(kEdit, "--new-time needs --time");

  QuoteEditInput input;  // loaded texts stay empty: a named field always counts as changed
  bool anyNamed = false;
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (!parser.isSet(options[i])) continue;
    const std::string value = TextArgument(parser.value(options[i]));
    if (!TypeableNumber(value, kEditValueMaxChars) || !ParseNumberText(value)) {
      return UsageError(kEdit, "--" + std::string(kFieldOptions[i]) +
                                   " needs up to 16 digits and points, not '" + value + "'");
    }
    input.entered.values[i] = value;
    anyNamed = true;
  }
  if (!anyNamed && !newTime->given) return UsageError(kEdit, "name at least one field to set");

  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const std::string symbol = TextArgument(positional[1]);
  LoadedSeries view;
  if (!LoadSeries(*dir, symbol, view)) return kExitFailed;
  if (RefuseTimeForDaily(kEdit, view, symbol, *time)) return kExitUsage;
  const std::string date = TextArgument(positional[2]);
  if (RowOfDate(view, date) < 0) {
    PrintError("No quote is dated " + date + ".");
    return kExitFailed;
  }
  input.loaded.date = input.entered.date = date;
  if (time->given) {
    const BarKey bar{ParseUserDate(date), time->time};
    const auto at = std::find(view.rowBars.begin(), view.rowBars.end(), bar);
    if (at == view.rowBars.end()) {
      PrintError("No bar is dated " + date + " at " + time->text + ".");
      return kExitFailed;
    }
    input.loaded.time = input.entered.time = time->text;
    if (newTime->given) {
      const int row = static_cast<int>(at - view.rowBars.begin());
      if (const auto problem = NewTimeProblem(view.rowBars, row, newTime->time)) {
        PrintError(*problem);
        return kExitFailed;
      }
      input.entered.time = newTime->text;
    }
  }
  CliPrompt prompt;
  const QuoteCommandOutcome outcome = RunQuoteEdit(view.context, input, {prompt, nullptr});
  if (!outcome.succeeded) return kExitFailed;
  if (view.context.hasTime) PrintBarsChanged("Changed", outcome.barsChanged, date, time->text);
  return kExitOk;
}

const CommandRegistration kEditRegistration(kEdit);

}  // namespace

}  // namespace voltrim::cli
