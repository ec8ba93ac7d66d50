#include "cli/cli_write_common.h"

#include <QByteArray>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/cli_command.h"
#include "datafiles/encodings.h"
#include "datafiles/master.h"
#include "datafiles/portfolio_files.h"
#include "datafiles/series.h"
#include "quotes/entry_fields.h"

namespace voltrim::cli {

namespace {

constexpr int kReadWindow = 400;

// "voltrim-cli COMMAND": one command runs per process.
std::string& CommandName() {
  static std::string name = "voltrim-cli";
  return name;
}

// The parser's help with the command's own name in the usage line (Qt would show the
// program's path).
std::string HelpText(const QCommandLineParser& parser) {
  std::string text = parser.helpText().toLocal8Bit().toStdString();
  const std::size_t lineEnd = text.find('\n');
  const std::size_t options = text.find(" [options]");
  if (options < lineEnd) text.replace(0, options, "Usage: " + CommandName());
  return text;
}

// As the symbols grid shows a record: the symbol cut at the first byte outside 0x21-0x7F,
// or the name (cut at its first NUL) when that leaves nothing.
SymbolRow GridTexts(const MasterRecord& record) {
  SymbolRow row;
  for (std::size_t i = 0; i < kSymbolFieldSize; ++i) {
    const auto c = record.bytes[master_offset::kSymbol + i];
    if (c < 0x21 || c > 0x7F) break;
    row.symbol.push_back(static_cast<char>(c));
  }
  for (std::size_t i = 0; i < kNameFieldSize; ++i) {
    const auto c = record.bytes[master_offset::kName + i];
    if (c == 0) break;
    row.name.push_back(static_cast<char>(c));
  }
  if (row.symbol.empty()) row.symbol = row.name;
  return row;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string FirstDateOf(const std::string& dir, const std::string& symbol, int start) {
  SeriesBuffer one;
  if (AllocSeriesBuffer(one, 1) != kOk) return FormatUserDate(0);
  const Status status = ReadSeries(one, dir, symbol, start, 1);
  const DayNumber day = status == kOk && one.Count() == 1 ? one.DateAt(0) : 0;
  FreeSeriesBuffer(one);
  return FormatUserDate(day);
}

}  // namespace

std::string ToText(const QString& text) { return text.toLatin1().toStdString(); }

std::optional<int> ParseWriteCommand(
    QCommandLineParser& parser, const QStringList& arguments, const char* description,
    const std::vector<std::pair<const char*, const char*>>& positionals, int required) {
  if (!arguments.isEmpty()) CommandName() = ToText(arguments.first());
  parser.setApplicationDescription(QString::fromLatin1(description));
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  const QCommandLineOption help = parser.addHelpOption();
  for (const auto& [name, text] : positionals) {
    parser.addPositionalArgument(QString::fromLatin1(name), QString::fromLatin1(text));
  }
  if (!parser.parse(arguments)) return UsageError(parser, ToText(parser.errorText()));
  if (parser.isSet(help)) {
    std::fputs(HelpText(parser).c_str(), stdout);
    return kExitOk;
  }
  const auto given = parser.positionalArguments().size();
  if (given < required) return UsageError(parser, "missing arguments");
  if (given > static_cast<qsizetype>(positionals.size())) {
    return UsageError(parser, "too many arguments");
  }
  return std::nullopt;
}

int UsageError(const QCommandLineParser& parser, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n\n%s", CommandName().c_str(), text.c_str(),
               HelpText(parser).c_str());
  return kExitUsage;
}

bool LoadSeriesView(const std::string& portfolioDir, const std::string& symbol, SeriesView& out) {
  out = SeriesView{};
  out.context.portfolioDir = portfolioDir;
  out.context.symbol = symbol;
  SeriesBuffer buffer;
  if (AllocSeriesBuffer(buffer, kReadWindow) != kOk) return false;
  Status status = ReadSeries(buffer, portfolioDir, symbol, 0, 0);
  const std::int32_t total = buffer.Total();
  // The newest quotes first, window by window, as the grid shows them.
  for (std::int32_t done = 0; status == kOk && done < total;) {
    const std::int32_t chunk = std::min<std::int32_t>(total - done, kReadWindow);
    status = ReadSeries(buffer, portfolioDir, symbol, total - done - chunk, chunk);
    if (status == kOk && buffer.Count() == 0) break;  // the file is shorter than its header
    for (int i = buffer.Count() - 1; status == kOk && i >= 0; --i) {
      out.rowDates.push_back(FormatUserDate(buffer.DateAt(i)));
    }
    done += chunk;
  }
  FreeSeriesBuffer(buffer);
  if (status != kOk) {
    std::fprintf(stderr, "Cannot read the quotes of %s in\n%s\n", symbol.c_str(),
                 portfolioDir.c_str());
    return false;
  }
  out.context.quoteCount = static_cast<int>(total);
  out.context.firstDateText = FirstDateOf(portfolioDir, symbol, 0);
  out.context.lastDateText = FirstDateOf(portfolioDir, symbol, -1);
  return true;
}

int RowOfDate(const SeriesView& view, const std::string& dateText) {
  for (std::size_t row = 0; row < view.rowDates.size(); ++row) {
    if (view.rowDates[row] == dateText) return static_cast<int>(row);
  }
  return -1;
}

std::string MasterPathOf(const std::string& portfolioDir) {
  return ResolveInDirectory(portfolioDir, "MASTER");
}

bool FindSymbolRow(const std::string& portfolioDir, const std::string& symbol, SymbolRow& out) {
  MasterFile master;
  const std::string masterPath = MasterPathOf(portfolioDir);
  if (ReadMasterFile(masterPath, master) != kOk) {
    std::fprintf(stderr, "Cannot read the master file\n%s\n", masterPath.c_str());
    return false;
  }
  int caseVariant = -1;
  for (std::size_t i = 0; i < master.records.size(); ++i) {
    SymbolRow row = GridTexts(master.records[i]);
    row.row = static_cast<int>(i);
    if (row.symbol == symbol) {
      out = row;
      return true;
    }
    if (caseVariant < 0 && EqualIgnoringCase(row.symbol, symbol)) caseVariant = row.row;
  }
  if (caseVariant >= 0) {
    out = GridTexts(master.records[static_cast<std::size_t>(caseVariant)]);
    out.row = caseVariant;
    return true;
  }
  std::fprintf(stderr, "Symbol %s not found in\n%s\n", symbol.c_str(), portfolioDir.c_str());
  return false;
}

bool TypeableNumber(const std::string& text, int maxChars) {
  if (text.empty() || text.size() > static_cast<std::size_t>(maxChars)) return false;
  for (const char c : text) {
    if (!NumericFieldAcceptsChar(c) || static_cast<unsigned char>(c) < 32) return false;
  }
  return true;
}

}  // namespace voltrim::cli

namespace voltrim::cli {

bool TypeableDate(const std::string& text) {
  if (text.size() != kDateFieldChars) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool slash = i == 2 || i == 5;
    if (slash ? text[i] != '/' : (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

}  // namespace voltrim::cli
