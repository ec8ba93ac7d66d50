// undo DIR [--show] and redo DIR [--show]: a step back or forward through a portfolio's
// history of changes.
#include "cli/cli_common.h"
#include "history/history_steps.h"

namespace voltrim::cli {

namespace {

int RunUndoCommand(const QStringList& arguments);
int RunRedoCommand(const QStringList& arguments);

const Command kUndo{"undo", "undo DIR [--show]",
                    "undoes the newest change to a portfolio not yet undone", RunUndoCommand};
const Command kRedo{"redo", "redo DIR [--show]", "redoes the change to a portfolio undone last",
                    RunRedoCommand};

int RunStep(const QStringList& arguments, HistoryStep step) {
  const bool undo = step == HistoryStep::kUndo;
  QCommandLineParser parser;
  const QCommandLineOption show(
      "show", undo ? "Prints the change an undo would take back and its files; changes nothing."
                   : "Prints the change a redo would put back and its files; changes nothing.");
  parser.addOption(show);
  QStringList positional;
  const ArgumentSpec plan{
      undo ? kUndo : kRedo, 1, 1,
      undo ? "Takes back the newest change to the portfolio not yet undone: puts back every file\n"
             "it replaced, created or removed (a move or copy in both portfolios), and prints\n"
             "what it undid. Run again, it steps further back through the history (see\n"
             "history); redo puts an undone change back. Refuses (exit 1) when there is nothing\n"
             "to undo, or when a file has been changed since by another program: then nothing\n"
             "is changed.\n"
             "--show prints the change and, a line each, its files (TAB, then \"restore\" or\n"
             "\"remove\")."
           : "Puts back the change undone last, and prints what it redid. Run again, it steps\n"
             "forward through the changes undone; a new change ends what can be redone.\n"
             "Refuses (exit 1) when there is nothing to redo, or when a file has been changed\n"
             "since the undo by another program: then nothing is changed.\n"
             "--show prints the change and, a line each, its files (TAB, then \"restore\" or\n"
             "\"remove\")."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  if (parser.isSet(show)) {
    UndoPlan change;
    if ((undo ? ReadUndoPlan(*dir, change) : ReadRedoPlan(*dir, change)) != kOk) {
      PrintError(undo ? NothingToUndoMessage(*dir) : NothingToRedoMessage(*dir));
      return kExitFailed;
    }
    PrintLine(change.what);
    for (const UndoFile& file : change.files) {
      const bool restore = undo ? !file.copy.empty() : file.existsAfter;
      PrintLine(file.path + "\t" + (restore ? "restore" : "remove"));
    }
    return kExitOk;
  }
  const HistoryStepResult result = RunHistoryStep(step, *dir);
  if (result.status == kOk) {
    PrintLine((undo ? "Undone: " : "Redone: ") + result.what);
    return kExitOk;
  }
  if (result.filesMayHaveChanged) {
    PrintFailure(result.message + " (" + DescribeStatus(result.status) + ")");
  } else {
    PrintError(result.message);
  }
  return kExitFailed;
}

int RunUndoCommand(const QStringList& arguments) { return RunStep(arguments, HistoryStep::kUndo); }
int RunRedoCommand(const QStringList& arguments) { return RunStep(arguments, HistoryStep::kRedo); }

const CommandRegistration kUndoRegistration(kUndo);
const CommandRegistration kRedoRegistration(kRedo);

}  // namespace

}  // namespace voltrim::cli
