// rename-symbol DIR SYMBOL NEWSYMBOL [NEWNAME]: Symbol > Edit on that symbol's row.
#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "datafiles/format/master.h"
#include "datafiles/format/master_image.h"
#include "symbols/symbol_commands.h"

namespace voltrim::cli {

namespace {

int RunRenameSymbolCommand(const QStringList& arguments);

const Command kRenameSymbol{"rename-symbol", "rename-symbol DIR SYMBOL NEWSYMBOL [NEWNAME]",
                            "changes a symbol's text and name", RunRenameSymbolCommand};

int RunRenameSymbolCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kRenameSymbol, 3, 4,
      "Changes the symbol text and the name of the MASTER record listed as SYMBOL, as\n"
      "Symbol > Edit does on its row. NEWSYMBOL and NEWNAME take at most 16 characters;\n"
      "without NEWNAME the name stays (trailing blanks removed, then padded again). Case\n"
      "is kept; no check for duplicate symbols is made."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const std::string newSymbol = TextArgument(positional[2]);
  const bool nameGiven = positional.size() > 3;
  if (newSymbol.size() > kSymbolFieldSize) {
    return UsageError(kRenameSymbol, "NEWSYMBOL has more than 16 characters");
  }
  if (nameGiven && TextArgument(positional[3]).size() > kNameFieldSize) {
    return UsageError(kRenameSymbol, "NEWNAME has more than 16 characters");
  }
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  SymbolRow row;
  if (!FindSymbolRow(*dir, TextArgument(positional[1]), row)) return kExitFailed;
  const std::string newName = nameGiven ? TextArgument(positional[3]) : NameForEditing(row.name);
  CliPrompt prompt;
  if (!CheckSymbolEntry(newSymbol, prompt)) return kExitFailed;
  WarnIfEmasterOutOfStep(*dir);
  const SymbolPortfolio portfolio{*dir, MasterPathIn(*dir)};
  return RunSymbolEdit(portfolio, row.row, newSymbol, newName, prompt).succeeded ? kExitOk
                                                                                 : kExitFailed;
}

const CommandRegistration kRegistration(kRenameSymbol);

}  // namespace

}  // namespace voltrim::cli
