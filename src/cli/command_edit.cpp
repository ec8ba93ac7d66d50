// edit DIR SYMBOL DATE [--open V] ... : Quotes > Edit with only the named fields changed.
#include <array>

#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/entry_fields.h"
#include "quotes/quote_edit.h"
#include "text/number_parse.h"

namespace voltrim::cli {

namespace {

int RunEdit(const QStringList& arguments);

const Command kEdit{"edit",
                    "edit DIR SYMBOL DATE [--open V] [--high V] [--low V] [--close V] "
                    "[--volume V] [--oi V]",
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
  QStringList positional;
  const ArgumentSpec plan{
      kEdit, 3, 3,
      "Sets the named fields of every quote dated DATE (MM/DD/YY) of the series SYMBOL, as\n"
      "Quotes > Edit does; fields not named keep their stored values exactly. Fields the\n"
      "series does not hold are not created."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;

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
  if (!anyNamed) return UsageError(kEdit, "name at least one field to set");

  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  LoadedSeries view;
  if (!LoadSeries(*dir, TextArgument(positional[1]), view)) return kExitFailed;
  const std::string date = TextArgument(positional[2]);
  if (RowOfDate(view, date) < 0) {
    PrintError("No quote is dated " + date + ".");
    return kExitFailed;
  }
  input.loaded.date = input.entered.date = date;
  CliPrompt prompt;
  return RunQuoteEdit(view.context, input, {prompt, nullptr}).succeeded ? kExitOk : kExitFailed;
}

const CommandRegistration kRegistration(kEdit);

}  // namespace

}  // namespace voltrim::cli
