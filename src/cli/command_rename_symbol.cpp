// rename-symbol DIR SYMBOL NEWSYMBOL [NEWNAME]: Symbol > Edit on that symbol's row.
#include "cli/cli_command.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "datafiles/master.h"
#include "symbols/symbol_commands.h"

namespace voltrim::cli {

namespace {

int RunRenameSymbolCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const std::optional<int> done = ParseWriteCommand(
      parser, arguments,
      "Changes the symbol text and the name of the MASTER record shown as SYMBOL, as\n"
      "Symbol > Edit does. Without NEWNAME the name stays (trailing blanks removed, then\n"
      "padded again). Case is kept; no check for duplicates is made.",
      {{"DIR", "Portfolio folder."},
       {"SYMBOL", "Symbol as the symbols list shows it."},
       {"NEWSYMBOL", "New symbol, 1 to 16 characters."},
       {"NEWNAME", "New name, at most 16 characters."}},
      3);
  if (done) return *done;
  const QStringList positional = parser.positionalArguments();
  const std::string dir = ToText(positional[0]);
  const std::string newSymbol = ToText(positional[2]);
  if (newSymbol.size() > kSymbolFieldSize) {
    return UsageError(parser, "NEWSYMBOL has more than 16 characters");
  }
  if (positional.size() > 3 && ToText(positional[3]).size() > kNameFieldSize) {
    return UsageError(parser, "NEWNAME has more than 16 characters");
  }
  SymbolRow row;
  if (!FindSymbolRow(dir, ToText(positional[1]), row)) return kExitFailed;
  const std::string newName =
      positional.size() > 3 ? ToText(positional[3]) : NameForEditing(row.name);
  CliPrompt prompt;
  if (!CheckSymbolEntry(newSymbol, prompt)) return kExitFailed;
  const SymbolPortfolio portfolio{dir, MasterPathOf(dir)};
  return RunSymbolEdit(portfolio, row.row, newSymbol, newName, prompt).succeeded ? kExitOk
                                                                                 : kExitFailed;
}

}  // namespace

static const CommandRegistration kRegistration({"rename-symbol",
                                                "rename-symbol DIR SYMBOL NEWSYMBOL [NEWNAME]",
                                                "change a symbol's text and name",
                                                RunRenameSymbolCommand});

}  // namespace voltrim::cli
