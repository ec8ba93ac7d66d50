#include "cli/cli_common.h"

#include <QFile>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/regular_file.h"

namespace voltrim::cli {

namespace {

void PrintHelp(const QCommandLineParser& parser, const ArgumentSpec& plan) {
  std::printf("Usage: voltrim-cli %s\n%s\n", plan.command.synopsis, plan.description);
  // Qt's text starts with a usage line of its own; keep only its option list.
  const QString qtHelp = parser.helpText();
  const qsizetype options = qtHelp.indexOf(QStringLiteral("Options:"));
  if (options >= 0) std::printf("\n%s", qtHelp.mid(options).toLocal8Bit().constData());
}

}  // namespace

std::optional<int> ParseArguments(QCommandLineParser& parser, const QStringList& arguments,
                                  const ArgumentSpec& plan, QStringList& positional) {
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Shows this help."));
  parser.addOption(help);
  if (!parser.parse(arguments)) return UsageError(plan.command, parser.errorText().toStdString());
  if (parser.isSet(help)) {
    PrintHelp(parser, plan);
    return kExitOk;
  }
  positional = parser.positionalArguments();
  const auto count = positional.size();
  if (count < plan.minPositional) return UsageError(plan.command, "missing arguments");
  if (count > plan.maxPositional) return UsageError(plan.command, "too many arguments");
  return std::nullopt;
}

int UsageError(const Command& command, const std::string& text) {
  std::fprintf(stderr, "voltrim-cli %s: %s\nUsage: voltrim-cli %s\n", command.name, text.c_str(),
               command.synopsis);
  return kExitUsage;
}

void PrintError(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

void PrintFailure(const std::string& text) {
  const FileFailure& failure = LastFileFailure();
  if (failure.path.empty()) {
    PrintError(text);
    return;
  }
  // A text that ends a sentence (several lines, a full stop) takes the file on a line of
  // its own rather than a colon after the stop.
  const bool sentence = !text.empty() && text.back() == '.';
  PrintError(text + (sentence ? "\n" : ": ") + failure.path + ": " + failure.reason);
  ClearFileFailure();
}

void PrintLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

std::string PathArgument(const QString& argument) {
  return QFile::encodeName(argument).toStdString();
}

std::string TextArgument(const QString& argument) { return argument.toLatin1().toStdString(); }

std::optional<std::string> PortfolioArgument(const QString& argument) {
  const std::string path = PathArgument(argument);
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_directory(path, ec)) {
    PrintError(path + " is not a folder");
    return std::nullopt;
  }
  return path;
}

std::optional<DayNumber> ParseDateArgument(const QString& argument) {
  const std::string text = argument.trimmed().toStdString();
  const DayNumber day = ParseUserDate(text);
  // The parser reads whatever stands at the digit positions; only a date that formats back
  // to the same text was a real MM/DD/YY date.
  if (day == 0 || FormatUserDate(day) != text) return std::nullopt;
  return day;
}

std::string SeriesProblemText(const std::string& portfolio, const std::string& symbol,
                              Status status) {
  SeriesLocation location;
  if (status == kFileOpen && LocateAnySeries(portfolio, symbol, location) == kOk) {
    return location.datPath + " cannot be opened";
  }
  return symbol + ": " + DescribeStatus(status);
}

std::string NoMasterText(const std::string& portfolio) { return "No MASTER file in " + portfolio; }

std::string SymbolNotFoundText(const std::string& symbol, const std::string& portfolio) {
  std::error_code ec;
  if (!std::filesystem::exists(ResolveInDirectory(portfolio, "MASTER"), ec)) {
    return NoMasterText(portfolio);
  }
  return "Symbol \"" + symbol + "\" not found in " + portfolio;
}

}  // namespace voltrim::cli
