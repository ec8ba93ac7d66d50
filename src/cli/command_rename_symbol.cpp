// rename-symbol DIR SYMBOL NEWSYMBOL [NEWNAME]: Symbol > Edit on that symbol's row.
#include <string>

#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
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
      "Changes the symbol text and the name of the record listed as SYMBOL, as Symbol >\n"
      "Edit does on its row. NEWSYMBOL and NEWNAME take at most 16 characters in MASTER,\n"
      "14 and 45 in XMASTER; without NEWNAME the name stays (trailing blanks removed,\n"
      "then padded again). Case is kept; no check for duplicate symbols is made."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const std::string newSymbol = TextArgument(positional[2]);
  const bool nameGiven = positional.size() > 3;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  SymbolRow row;
  if (!FindSymbolRow(*dir, TextArgument(positional[1]), row)) return kExitFailed;
  const std::string newName = nameGiven ? TextArgument(positional[3]) : NameForEditing(row.name);
  // The limits of the index file that lists the row.
  const auto tooLong = [](const char* what, int limit) {
    return std::string(what) + " has more than " + std::to_string(limit) + " characters";
  };
  if (newSymbol.size() > static_cast<std::size_t>(SymbolLimit(row.index)))
    return UsageError(kRenameSymbol, tooLong("NEWSYMBOL", SymbolLimit(row.index)));
  if (newName.size() > static_cast<std::size_t>(NameLimit(row.index)))
    return UsageError(kRenameSymbol, tooLong("NEWNAME", NameLimit(row.index)));
  CliPrompt prompt;
  if (!CheckSymbolEntry(newSymbol, prompt)) return kExitFailed;
  // EMASTER mirrors MASTER alone: a rename in XMASTER leaves it as it is.
  if (row.index == IndexFile::kMaster) WarnIfEmasterOutOfStep(*dir);
  const SymbolPortfolio portfolio{*dir, MasterPathIn(*dir)};
  return RunSymbolEdit(portfolio, row.row, newSymbol, newName, prompt, row.index).succeeded
             ? kExitOk
             : kExitFailed;
}

const CommandRegistration kRenameSymbolRegistration(kRenameSymbol);

}  // namespace

}  // namespace voltrim::cli
