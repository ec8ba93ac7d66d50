// update DIR SOURCE... [--create] [--replace | --keep] [--dry-run] [--verbose]:
// Portfolio > Update from File.
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>

#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "datafiles/io/change_journal.h"
#include "import/update_command.h"

namespace voltrim::cli {

namespace {

int RunUpdateCommand(const QStringList& arguments);

const Command kUpdate{
    "update", "update DIR SOURCE... [--create] [--replace | --keep] [--dry-run] [--verbose]",
    "adds the quotes of files of many symbols to their series", RunUpdateCommand};

constexpr const char* kAdvice =
    "Run the update again with --replace to store the sources' values, or with --keep to keep "
    "the stored quotes.";
constexpr const char* kCreateAdvice = "Run the update with --create to add them as new series.";

// A progress line on a terminal, once the update has run for a second.
class ProgressLine {
 public:
  ProgressLine() : terminal_(isatty(STDERR_FILENO) == 1), start_(Clock::now()) {}
  ~ProgressLine() {
    if (shown_) std::fputs("\r\033[K", stderr);
  }
  bool Step(int done, int total) {
    if (!terminal_ || Clock::now() - start_ < std::chrono::seconds(1)) return true;
    shown_ = true;
    std::fprintf(stderr, "\rWriting data files: %d of %d", done, total);
    std::fflush(stderr);
    return true;
  }

 private:
  using Clock = std::chrono::steady_clock;
  bool terminal_;
  Clock::time_point start_;
  bool shown_ = false;
};

int RunUpdateCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption create(
      QStringLiteral("create"),
      QStringLiteral("A symbol in neither MASTER nor XMASTER becomes a new series (in MASTER "
                     "while it has room, else in XMASTER)."));
  const QCommandLineOption replace(
      QStringLiteral("replace"),
      QStringLiteral("Dates a series holds with other values take the sources' values."));
  const QCommandLineOption keep(
      QStringLiteral("keep"),
      QStringLiteral("Dates a series holds with other values keep the stored quotes."));
  const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                  QStringLiteral("Reads and checks everything, writes nothing."));
  const QCommandLineOption verbose(QStringLiteral("verbose"),
                                   QStringLiteral("One line per symbol before the totals."));
  for (const QCommandLineOption* option : {&create, &replace, &keep, &dryRun, &verbose})
    parser.addOption(*option);
  QStringList positional;
  const ArgumentSpec plan{
      kUpdate, 2, INT_MAX,
      "Adds the quotes of every SOURCE to the series of the portfolio DIR, in one step. A\n"
      "SOURCE is a file with a symbol column (what 'export DIR --all --format csv' writes,\n"
      "or the columns <TICKER> <PER> <DATE> <TIME> <OPEN> <HIGH> <LOW> <CLOSE> <VOL>\n"
      "<OPENINT> of data sources, comma-separated: names\n"
      "matched ignoring case and angle brackets, TICKER or SYMBOL, VOL or VOLUME, OPENINT\n"
      "or OI; PER D, W, M, I or minutes, checked against the series), rows of any symbols\n"
      "in any order; or a folder of one file per symbol, named after the symbol with any\n"
      "extension, each read as 'import' reads it. Rows go to the series of their symbol in\n"
      "MASTER, then XMASTER; a symbol in neither is listed as unknown and skipped, or with\n"
      "--create made a new series with the columns the source has. Every source is read and\n"
      "every row checked before anything is written: a line that cannot be read, or a\n"
      "refused series, names the file and line, and nothing is written. Dates a series holds\n"
      "with the same values are skipped; other values refuse the update unless --replace or\n"
      "--keep says what to do. One lock and one undo step for the whole update ('undo DIR'\n"
      "takes it all back); MASTER, EMASTER and XMASTER are replaced once, at the end. After\n"
      "an interruption, running the same update again finishes it. The totals go to standard\n"
      "output: 'N series: U updated, C unchanged, K created; Q quotes added'. Exit status 3:\n"
      "the data files were written but an index file was not (run the update again)."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  if (parser.isSet(replace) && parser.isSet(keep))
    return UsageError(kUpdate, "--replace and --keep exclude each other");
  const ImportOverlap overlap = parser.isSet(replace) ? ImportOverlap::kReplace
                                : parser.isSet(keep)  ? ImportOverlap::kKeep
                                                      : ImportOverlap::kRefuse;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  std::vector<std::string> paths;
  for (qsizetype i = 1; i < positional.size(); ++i) paths.push_back(PathArgument(positional[i]));
  UpdateSources sources;
  std::string message;
  if (!ReadUpdateSources(paths, sources, message)) {
    PrintError(message);
    return kExitFailed;
  }
  const UpdateRequest request = UpdateRequestOf(sources, overlap, parser.isSet(create));
  UpdateResult result;
  Status status = kOk;
  if (parser.isSet(dryRun)) {
    status = PlanUpdate(*dir, request, result);
  } else {
    WarnIfEmasterOutOfStep(*dir);
    ProgressLine progress;
    UpdateRequest writing = request;
    writing.progress = [&](int done, int total) { return progress.Step(done, total); };
    const NameNextChange words("Update " + std::to_string(sources.series.size()) + " series from " +
                               paths.front() + (paths.size() > 1 ? " and more" : ""));
    status = UpdatePortfolio(*dir, writing, result);
  }
  if (status != kOk && status != kUpdateIndexBehind) {
    PrintFailure(UpdateFailureText(status, result, sources, kAdvice));
    return kExitFailed;
  }
  if (parser.isSet(verbose)) {
    for (const UpdateSeriesResult& series : result.series) PrintLine(UpdateSeriesLine(series));
  }
  const std::string unknown = UnknownSymbolsLine(result, kCreateAdvice);
  if (!unknown.empty()) PrintError(unknown);
  PrintLine(UpdateTotalsLine(result));
  if (status == kUpdateIndexBehind) {
    PrintError(UpdateFailureText(status, result, sources, kAdvice));
    return kExitPartlyDone;
  }
  return kExitOk;
}

const CommandRegistration kUpdateRegistration(kUpdate);

}  // namespace

}  // namespace voltrim::cli
