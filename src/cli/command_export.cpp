// voltrim-cli export: writes a series as delimited text, as Quotes > Export does.
#include <cstdio>
#include <string>

#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "datafiles/series.h"
#include "export/export_settings.h"
#include "export/export_writer.h"
#include "export/replacing_text_file.h"

namespace voltrim::cli {

namespace {

constexpr char kExportError[] = "file export error";

class StdoutSink : public TextSink {
 public:
  void Write(std::string_view text) override {
    failed_ = failed_ || std::fwrite(text.data(), 1, text.size(), stdout) != text.size();
  }
  bool Finish() { return std::fflush(stdout) == 0 && !failed_; }

 private:
  bool failed_ = false;
};

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

int QuoteCount(const std::string& dir, const std::string& symbol) {
  SeriesBuffer buffer;
  int count = -1;
  if (AllocSeriesBuffer(buffer, 1) == kOk && ReadSeries(buffer, dir, symbol, 0, 0) == kOk) {
    count = buffer.Total();
  }
  FreeSeriesBuffer(buffer);
  return count;
}

const Command kExport{"export",
                      "export DIR SYMBOL [-o FILE] [--delimiter space|comma|tab] "
                      "[--omit COLUMNS] [--newest-first] [--title]",
                      "writes a series as delimited text", RunExportCommand};

int RunExportCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption output(
      {"o", "output"},
      "Write to FILE instead of standard output. An existing FILE is replaced without a "
      "question, and only once the export is complete.",
      "FILE");
  const QCommandLineOption delimiter(
      "delimiter", "Column delimiter: space (default), comma or tab.", "space|comma|tab", "space");
  const QCommandLineOption omit(
      "omit", "Leave out the comma-separated COLUMNS: open, high, low, close, volume (or vol), oi.",
      "COLUMNS");
  const QCommandLineOption newest("newest-first", "Newest quote first (default: oldest first).");
  const QCommandLineOption title("title", "Begin with the title row (DATE, OPEN, ...).");
  parser.addOptions({output, delimiter, omit, newest, title});
  QStringList positional;
  const ArgumentSpec plan{
      kExport, 2, 2,
      "Writes the quotes of SYMBOL (symbol or name) in the portfolio DIR as text, one line\n"
      "per quote: DATE (MM/DD/YY), then OPEN, HIGH, LOW, CLOSE with four decimals and VOL,\n"
      "OI with two, or N/A for a column the series does not hold. Lines end in CR LF. The\n"
      "output is byte for byte what Quotes > Export writes with the same choices; the\n"
      "stored Export choices are neither read nor changed."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
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
  const std::string symbol = TextArgument(positional[1]);

  CliPrompt prompt;
  const int count = QuoteCount(dir, symbol);
  if (count < 0) {
    PrintFailure("Cannot read the quotes of " + symbol + " in " + dir);
    return kExitFailed;
  }
  if (!parser.isSet(output)) {
    StdoutSink sink;
    WriteExportText(sink, dir, symbol, count, settings);
    return sink.Finish() ? kExitOk : kExitFailed;
  }
  ReplacingTextFile file(PathArgument(parser.value(output)));
  if (!file.Open()) {
    prompt.ShowMessage(kExportError, MessageIcon::Default);
    return kExitFailed;
  }
  WriteExportText(file, dir, symbol, count, settings);
  if (!file.Commit()) {
    prompt.ShowMessage(kExportError, MessageIcon::Default);
    return kExitFailed;
  }
  return kExitOk;
}

const CommandRegistration kRegistration(kExport);

}  // namespace

}  // namespace voltrim::cli
