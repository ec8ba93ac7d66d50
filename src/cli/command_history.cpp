// history DIR: the changes a portfolio's history keeps, newest first.
#include "cli/cli_common.h"
#include "history/history_steps.h"

namespace voltrim::cli {

namespace {

int RunHistoryCommand(const QStringList& arguments);

const Command kHistory{"history", "history DIR", "lists the changes undo and redo can step through",
                       RunHistoryCommand};

int RunHistoryCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kHistory, 1, 1,
      "Prints one line per change the portfolio's history keeps, newest first: its number,\n"
      "TAB, when it was made (MM/DD/YY HH:MM:SS, local time; empty when not known), TAB,\n"
      "what it was, and for a change undone and not yet redone, TAB and \"can be redone\".\n"
      "undo takes back the newest change not undone; redo puts back the oldest undone one.\n"
      "The history keeps the last changes up to a limit (the settings' [Undo] section:\n"
      "MaxChanges, default 100, and BudgetMB, the room their kept files may take, default\n"
      "256); the newest change is always kept. Exit 1 when the history is empty."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const std::vector<HistoryRow> rows = HistoryRows(*dir);
  if (rows.empty()) {
    PrintError("There are no changes in the history of\n" + *dir);
    return kExitFailed;
  }
  for (const HistoryRow& row : rows) PrintLine(HistoryLine(row));
  return kExitOk;
}

const CommandRegistration kHistoryRegistration(kHistory);

}  // namespace

}  // namespace voltrim::cli
