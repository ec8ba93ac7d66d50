// edit DIR SYMBOL DATE [--open V] ... : Quotes > Edit with only the named fields changed.
#include <array>
#include <cstdio>

#include "cli/cli_command.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "quotes/entry_fields.h"
#include "quotes/quote_edit.h"

namespace voltrim::cli {

namespace {

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
  const std::optional<int> done = ParseWriteCommand(
      parser, arguments,
      "Sets the named fields of every quote dated DATE, as Quotes > Edit does; fields not\n"
      "named keep their stored values exactly. Fields the series does not hold are not\n"
      "created.",
      {{"DIR", "Portfolio folder."},
       {"SYMBOL", "Symbol or name of the series."},
       {"DATE", "Date of the quote, MM/DD/YY."}},
      3);
  if (done) return *done;

  QuoteEditInput input;
  bool anyNamed = false;
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (!parser.isSet(options[i])) continue;
    const std::string value = ToText(parser.value(options[i]));
    if (!TypeableNumber(value, kEditValueMaxChars)) {
      return UsageError(parser, "--" + std::string(kFieldOptions[i]) +
                                    " needs a number of at "
                                    "most 16 digits and points, not '" +
                                    value + "'");
    }
    input.entered.values[i] = value;  // differs from the empty loaded text: written
    anyNamed = true;
  }
  if (!anyNamed) return UsageError(parser, "name at least one field to set");

  const QStringList positional = parser.positionalArguments();
  SeriesView view;
  if (!LoadSeriesView(ToText(positional[0]), ToText(positional[1]), view)) return kExitFailed;
  const std::string date = ToText(positional[2]);
  if (RowOfDate(view, date) < 0) {
    std::fprintf(stderr, "No quote is dated %s.\n", date.c_str());
    return kExitFailed;
  }
  input.loaded.date = input.entered.date = date;
  CliPrompt prompt;
  const QuoteCommandOutcome outcome = RunQuoteEdit(view.context, input, {prompt, nullptr});
  return outcome.succeeded ? kExitOk : kExitFailed;
}

}  // namespace

static const CommandRegistration kRegistration({"edit",
                                                "edit DIR SYMBOL DATE [--open V] [--high V] "
                                                "[--low V] [--close V] [--volume V] [--oi V]",
                                                "set fields of the quotes of a date", RunEdit});

}  // namespace voltrim::cli
