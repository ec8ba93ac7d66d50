#include "cli/cli_symbol_list.h"

#include <cstdio>

#include "cli/cli_common.h"
#include "datafiles/io/regular_file.h"
#include "datafiles/io/replace_file.h"

namespace voltrim::cli {

namespace {

// The whole text of the list, or nullopt after saying why it cannot be read (with the
// system's reason, in the locale's language, as for every file).
std::optional<std::string> ListText(const std::string& name) {
  std::string text;
  if (name == "-") {
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, stdin)) > 0;)
      text.append(block, got);
    if (std::ferror(stdin) == 0) return text;
    PrintError("The symbol list cannot be read from standard input.");
    return std::nullopt;
  }
  ClearFileFailure();
  std::vector<std::uint8_t> bytes;
  if (ReadWholeFile(name, bytes, kMaxPortfolioFileBytes) == kOk)
    return std::string(bytes.begin(), bytes.end());
  PrintFailure(name + " cannot be read.");
  return std::nullopt;
}

}  // namespace

QCommandLineOption FromFileOption() {
  return QCommandLineOption(
      "from-file",
      "Also the symbols of FILE, one a line (- for standard input), for lists too long for a "
      "command line.",
      "FILE");
}

std::optional<std::vector<std::string>> SymbolList(const Command& command,
                                                   const QCommandLineParser& parser,
                                                   const QCommandLineOption& fromFile,
                                                   const QStringList& given, int& exitStatus) {
  std::vector<std::string> symbols;
  for (const QString& symbol : given) symbols.push_back(TextArgument(symbol));
  if (parser.isSet(fromFile)) {
    const std::optional<std::string> text = ListText(PathArgument(parser.value(fromFile)));
    if (!text) {
      exitStatus = kExitFailed;
      return std::nullopt;
    }
    // Lines as the command line takes words: in the locale's encoding.
    for (const QByteArray& line : QByteArray::fromStdString(*text).split('\n')) {
      const QString symbol = QString::fromLocal8Bit(line).trimmed();
      if (!symbol.isEmpty()) symbols.push_back(TextArgument(symbol));
    }
  }
  if (symbols.empty()) {
    exitStatus = UsageError(command, "no SYMBOL given");
    return std::nullopt;
  }
  return symbols;
}

}  // namespace voltrim::cli
