// voltrim-cli check DIR: what is wrong with a portfolio, without changing anything.
#include "check/check_report_text.h"
#include "check/portfolio_check.h"
#include "cli/cli_common.h"

namespace voltrim::cli {

namespace {

int RunCheck(const QStringList& arguments);

const Command kCheck{"check", "check DIR", "reports what is wrong with a portfolio", RunCheck};

int RunCheck(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kCheck, 1, 1,
      "Reads every file of the portfolio DIR and prints one line per problem found:\n"
      "symbol, file, quote (date, or \"quote N\" counted from the oldest), kind and detail,\n"
      "TAB-separated; the summary goes to stderr. Nothing is written. Exit status 0 when\n"
      "nothing was found, 1 when something was (or the MASTER cannot be read).\n"
      "Kinds: master-count, empty-symbol, duplicate-file, duplicate-symbol, bad-record,\n"
      "missing-file, not-regular-file, short-file, unlisted-file, unreadable-dop,\n"
      "date-order, duplicate-date, invalid-date, high-below-low, outside-range,\n"
      "negative-value, not-finite, master-first-date, master-last-date."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  CheckReport report;
  const Status status = CheckPortfolio(*dir, report);
  if (status != kOk) {
    PrintError(status == kFileNotFound ? NoMasterText(*dir) : "MASTER: " + DescribeStatus(status));
    return kExitFailed;
  }
  for (const Finding& finding : report.findings) PrintLine(FindingLine(finding));
  PrintError(CheckSummary(report));
  return report.findings.empty() ? kExitOk : kExitFailed;
}

const CommandRegistration kCheckRegistration(kCheck);

}  // namespace

}  // namespace voltrim::cli
