#include "cli/cli_symbol_list.h"

#include <QFile>

#include "cli/cli_common.h"

namespace voltrim::cli {

namespace {

// The whole text of the list, or nullopt after saying why it cannot be read.
std::optional<QByteArray> ListText(const QString& name) {
  QFile file(name);
  const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                 : file.open(QIODevice::ReadOnly);
  QByteArray text;
  if (opened) text = file.readAll();
  if (opened && file.error() == QFileDevice::NoError) return text;
  PrintError("Cannot read the symbol list " + PathArgument(name) + ": " +
             file.errorString().toLocal8Bit().toStdString());
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
    const std::optional<QByteArray> text = ListText(parser.value(fromFile));
    if (!text) {
      exitStatus = kExitFailed;
      return std::nullopt;
    }
    // Lines as the command line takes words: in the locale's encoding.
    for (const QByteArray& line : text->split('\n')) {
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
