// voltrim-cli export: writes a series, or every series of a portfolio, as delimited text
// as Quotes > Export does, or as CSV.
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/series_view.h"
#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "cli/cli_symbol_list.h"
#include "cli/stdout_sink.h"
#include "export/export_settings.h"
#include "export/export_writer.h"
#include "export/portfolio_export.h"
#include "export/replacing_text_file.h"
#include "symbols/symbol_batch_commands.h"

namespace voltrim::cli {

namespace {

constexpr char kExportError[] = "file export error";

bool ParseDelimiter(const QString& name, int& delimiter) {
  const QString lower = name.toLower();
  if (lower == "space")
    delimiter = 0;
  else if (lower == "comma")
    delimiter = 1;
  else if (lower == "tab")
    delimiter = 2;
  else
    return false;
  return true;
}

bool ParseOmitted(const QString& list, ExportSettings& settings) {
  for (const QString& item : list.split(',', Qt::SkipEmptyParts)) {
    const QString name = item.trimmed().toLower();
    ExportColumn column;
    if (name == "open")
      column = ExportColumn::Open;
    else if (name == "high")
      column = ExportColumn::High;
    else if (name == "low")
      column = ExportColumn::Low;
    else if (name == "close")
      column = ExportColumn::Close;
    else if (name == "vol" || name == "volume")
      column = ExportColumn::Volume;
    else if (name == "oi")
      column = ExportColumn::OpenInterest;
    else
      return false;
    settings.omit[static_cast<std::size_t>(column)] = 1;
  }
  return true;
}

int RunExportCommand(const QStringList& arguments);

// Where the export goes: standard output, or a file replaced once all is written.
class Output {
 public:
  explicit Output(const std::optional<std::string>& path) {
    if (path) file_ = std::make_unique<ReplacingTextFile>(*path);
  }
  bool Open() { return !file_ || file_->Open(); }
  TextSink& sink() { return file_ ? static_cast<TextSink&>(*file_) : stdout_; }
  bool Finish() { return file_ ? file_->Commit() : stdout_.Finish(); }
  bool ToFile() const { return file_ != nullptr; }

 private:
  std::unique_ptr<ReplacingTextFile> file_;
  StdoutSink stdout_;
};

int ExportError(const Output& output) {
  // Standard output that fails is not a file the user named: say only that it failed.
  if (output.ToFile()) {
    CliPrompt prompt;
    prompt.ShowMessage(kExportError, MessageIcon::Default);
  }
  return kExitFailed;
}

int ExportOne(Output& output, const std::string& dir, const std::string& symbol,
              const ExportSettings& settings, const ExportStyle& style) {
  SeriesView series;
  if (series.Open(dir, symbol) != kOk) {
    PrintFailure("Cannot read the quotes of " + symbol + " in " + dir);
    return kExitFailed;
  }
  if (!output.Open()) return ExportError(output);
  // CSV always has its header row; text has its title row when chosen.
  if (style.format == ExportFormat::Csv || settings.WithTitle()) {
    output.sink().Write(ExportHeading(settings, style));
  }
  WriteExportRows(output.sink(), series.Location(), symbol, series.Total(), settings, style);
  return output.Finish() ? kExitOk : ExportError(output);
}

// The end of an export of many series: each one left out named, the output closed.
int FinishExport(Output& output, const std::vector<SkippedSeries>& skipped) {
  for (const SkippedSeries& series : skipped) {
    PrintError(series.symbol + " (" + series.file + ") skipped: " + DescribeStatus(series.status));
  }
  if (!output.Finish()) return ExportError(output);
  return skipped.empty() ? kExitOk : kExitFailed;
}

int MasterFailure(const std::string& dir, Status status) {
  PrintError(status == kFileNotFound ? NoMasterText(dir) : "MASTER: " + DescribeStatus(status));
  return kExitFailed;
}

int ExportAll(Output& output, const std::string& dir, const ExportSettings& settings,
              ExportFormat format) {
  if (!output.Open()) return ExportError(output);
  std::vector<SkippedSeries> skipped;
  const Status status = WritePortfolioExport(output.sink(), dir, settings, format, skipped);
  if (status != kOk) return MasterFailure(dir, status);
  return FinishExport(output, skipped);
}

// Every symbol is looked up before anything is written; one that names no series refuses
// the export, naming each.
int ExportList(Output& output, const std::string& dir, const std::vector<std::string>& symbols,
               const ExportSettings& settings, ExportFormat format) {
  const auto names = std::make_shared<const FolderNames>(dir);
  std::vector<ListedSeries> found;
  std::vector<std::string> missing;
  const Status status = FindSeriesNamed(dir, symbols, names, found, missing);
  if (status != kOk) return MasterFailure(dir, status);
  if (!missing.empty()) {
    PrintError(SymbolsNotFoundMessage("exported", symbols.size(), missing, dir));
    return kExitFailed;
  }
  if (!output.Open()) return ExportError(output);
  std::vector<SkippedSeries> skipped;
  WriteSeriesExport(output.sink(), *names, dir, found, settings, format, skipped);
  return FinishExport(output, skipped);
}

const Command kExport{"export",
                      "export DIR (SYMBOL... | --all) [--from-file FILE] [-o FILE] "
                      "[--format text|csv] [--delimiter space|comma|tab] [--omit COLUMNS] "
                      "[--newest-first] [--title]",
                      "writes series, or all of them, as delimited text or CSV", RunExportCommand};

int RunExportCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption output(
      {"o", "output"},
      "Write to FILE instead of standard output. An existing FILE is replaced without a "
      "question, and only once the export is complete.",
      "FILE");
  const QCommandLineOption all("all", "Every series of the portfolio, in MASTER order.");
  const QCommandLineOption format("format", "text (default) or csv.", "text|csv", "text");
  const QCommandLineOption delimiter("delimiter",
                                     "Column delimiter of text: space (default), comma or tab.",
                                     "space|comma|tab", "space");
  const QCommandLineOption omit(
      "omit", "Leave out the comma-separated COLUMNS: open, high, low, close, volume (or vol), oi.",
      "COLUMNS");
  const QCommandLineOption newest("newest-first", "Newest quote first (default: oldest first).");
  const QCommandLineOption title("title", "Begin text with the title row (DATE, OPEN, ...).");
  const QCommandLineOption fromFile = FromFileOption();
  parser.addOptions({output, all, fromFile, format, delimiter, omit, newest, title});
  QStringList positional;
  const ArgumentSpec plan{
      kExport, 1, std::numeric_limits<int>::max(),
      "Writes the quotes of SYMBOL (symbol or name) in the portfolio DIR as text, one line\n"
      "per quote: DATE (MM/DD/YY), then OPEN, HIGH, LOW, CLOSE with four decimals and VOL,\n"
      "OI with two, or N/A for a column the series does not hold. Lines end in CR LF. The\n"
      "output is byte for byte what Quotes > Export writes with the same choices; the\n"
      "stored Export choices are neither read nor changed.\n"
      "\n"
      "--all writes every series the MASTER lists, in its order, each line beginning with\n"
      "the symbol and the delimiter (the title row, SYMBOL first, at most once). A series\n"
      "that cannot be read is named on stderr and left out, and the exit status is 1.\n"
      "Several SYMBOLs write the rows of each series in the order given, as --all writes\n"
      "them; a SYMBOL that names no series refuses the export, naming each, with nothing\n"
      "written.\n"
      "\n"
      "--format csv writes the header row symbol,date,time,open,high,low,close,volume,\n"
      "openint (symbol only for many series; omitted columns left out), dates as YYYY-MM-DD,\n"
      "times as HH:MM:SS for intraday series, every value with the digits that give back\n"
      "the stored number, an empty field for a column the series does not hold, LF line\n"
      "ends, UTF-8."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const bool wholePortfolio = parser.isSet(all);
  if (wholePortfolio && (positional.size() != 1 || parser.isSet(fromFile)))
    return UsageError(kExport, "--all takes no SYMBOL");
  std::vector<std::string> symbols;
  if (!wholePortfolio) {
    int exitStatus = kExitOk;
    const auto listed = SymbolList(kExport, parser, fromFile, positional.mid(1), exitStatus);
    if (!listed) return exitStatus;
    symbols = *listed;
  }
  ExportStyle style;
  const QString formatName = parser.value(format).toLower();
  if (formatName == "csv") {
    style.format = ExportFormat::Csv;
    if (parser.isSet(delimiter)) return UsageError(kExport, "csv is always comma-separated");
  } else if (formatName != "text") {
    return UsageError(kExport, "unknown format " + parser.value(format).toStdString());
  }
  ExportSettings settings;
  if (!ParseDelimiter(parser.value(delimiter), settings.delimiter)) {
    return UsageError(kExport, "unknown delimiter " + parser.value(delimiter).toStdString());
  }
  if (!ParseOmitted(parser.value(omit), settings)) {
    return UsageError(kExport, "unknown column in " + parser.value(omit).toStdString());
  }
  settings.newest = parser.isSet(newest) ? 1 : 0;
  settings.title = parser.isSet(title) ? 1 : 0;
  const std::string dir = PathArgument(positional[0]);
  Output out(parser.isSet(output) ? std::optional(PathArgument(parser.value(output)))
                                  : std::nullopt);
  if (wholePortfolio) return ExportAll(out, dir, settings, style.format);
  if (symbols.size() > 1) return ExportList(out, dir, symbols, settings, style.format);
  return ExportOne(out, dir, symbols.front(), settings, style);
}

const CommandRegistration kExportRegistration(kExport);

}  // namespace

}  // namespace voltrim::cli
