// undo DIR [--show]: takes back the last change made to a portfolio.
#include "cli/cli_common.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/portfolio_lock.h"

namespace voltrim::cli {

namespace {

int RunUndoCommand(const QStringList& arguments);

const Command kUndo{"undo", "undo DIR [--show]", "undoes the last change to a portfolio",
                    RunUndoCommand};

int RunUndoCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption show("show", "Prints the last change and its files; changes nothing.");
  parser.addOption(show);
  QStringList positional;
  const ArgumentSpec plan{
      kUndo, 1, 1,
      "Puts back every file the last change to the portfolio replaced, created or removed\n"
      "(a move or copy in both portfolios), and prints what it undid. Refuses (exit 1) when\n"
      "there is nothing to undo, or when a file has been changed since by another program:\n"
      "then nothing is changed. One level: after an undo there is nothing more to undo.\n"
      "--show prints the change and, a line each, its files (TAB, then \"restore\" or\n"
      "\"remove\")."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  if (parser.isSet(show)) {
    UndoPlan undo;
    if (ReadUndoPlan(*dir, undo) != kOk) {
      PrintError(NothingToUndoMessage(*dir));
      return kExitFailed;
    }
    PrintLine(undo.what);
    for (const UndoFile& file : undo.files)
      PrintLine(file.path + "\t" + (file.copy.empty() ? "remove" : "restore"));
    return kExitOk;
  }
  std::string what, differing;
  const Status status = UndoLastChange(*dir, what, differing);
  switch (status) {
    case kOk:
      PrintLine("Undone: " + what);
      return kExitOk;
    case kNothingToUndo:
      PrintError(NothingToUndoMessage(*dir));
      return kExitFailed;
    case kPortfolioBusy:
      PrintError(kPortfolioBusyMessage);
      return kExitFailed;
    case kChangedSince:
      PrintError(ChangedSinceMessage(what, differing));
      return kExitFailed;
    default:
      PrintFailure(UndoFailedMessage(what, differing) + " (" + DescribeStatus(status) + ")");
      return kExitFailed;
  }
}

const CommandRegistration kUndoRegistration(kUndo);

}  // namespace

}  // namespace voltrim::cli
