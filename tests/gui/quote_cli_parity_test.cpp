#include "cli/cli_run.h"
#include "quote_dialog_helpers.h"

namespace voltrim::testing {
namespace {

// Each quote command run through its window and through voltrim-cli on two copies of one
// portfolio must leave the same bytes in every file.
struct QuoteCliParityTest : GuiTest {
  // Writes the copies, starts the window with the current quote at `row`, lets `useWindow`
  // trigger the command with its dialogs answered, and runs the CLI with `cliArguments`
  // (DIR stands for the CLI's copy).
  void ExpectSameFiles(int row, int commandId, std::vector<std::string> cliArguments,
                       std::size_t boxesShown = 0) {
    const std::string windowDir = Portfolio("p", AcmePortfolio());
    const std::string cliDir = Write(cliCopy.path() / "p", AcmePortfolio());
    Start();
    ClickRow(Quotes(), row);
    window->RefreshFromState();
    window->Action(commandId)->trigger();
    EXPECT_EQ(boxes.size(), boxesShown);

    for (std::string& argument : cliArguments) {
      if (argument == "DIR") argument = cliDir;
    }
    const CliResult cli = RunCli(cliArguments);
    EXPECT_EQ(cli.exitCode, 0) << cli.err;
    const Snapshot fromWindow = TakeSnapshot(windowDir);
    EXPECT_EQ(fromWindow, TakeSnapshot(cliDir));
    EXPECT_EQ(fromWindow.count("F1.BAK"), 1u);  // the command did rewrite
  }

  TempDir cliCopy;
};

TEST_F(QuoteCliParityTest, Edit) {
  onDialog = [&](QDialog& dialog) {
    TypeInto(FieldOf(dialog, "high"), "17.25");
    TypeInto(FieldOf(dialog, "volume"), "4500");
    return int{QDialog::Accepted};
  };
  ExpectSameFiles(3, command::kQuoteEdit,
                  {"edit", "DIR", "ACME", "01/04/00", "--high", "17.25", "--volume", "4500"});
}

TEST_F(QuoteCliParityTest, Split) {
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    TypeInto(FieldOf(dialog, "newShares"), "3");
    TypeInto(FieldOf(dialog, "oldShares"), "2");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  ExpectSameFiles(2, command::kQuoteSplit, {"split", "DIR", "ACME", "01/06/00", "3", "2"});
}

TEST_F(QuoteCliParityTest, Adjust) {
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    TypeDate(FieldOf(dialog, "to"), "010800");
    TypeInto(FieldOf(dialog, "price"), "0.5");
    TypeInto(FieldOf(dialog, "volume"), "10");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  ExpectSameFiles(
      0, command::kQuoteAdjust,
      {"adjust", "DIR", "ACME", "01/03/00", "01/08/00", "--price", "0.5", "--volume", "10"});
}

TEST_F(QuoteCliParityTest, Add) {
  onDialog = [&](QDialog& dialog) {
    // Add Data is accepted; the editor that follows is cancelled.
    return dialog.windowTitle() == "Add Data" ? int{QDialog::Accepted} : int{QDialog::Rejected};
  };
  ExpectSameFiles(2, command::kQuoteAdd, {"add-quote", "DIR", "ACME", "01/06/00"});
}

TEST_F(QuoteCliParityTest, DeleteTheNewestQuoteAlsoUpdatesMaster) {
  answers = {QMessageBox::Yes};
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  ExpectSameFiles(0, command::kQuoteDelete, {"delete-quote", "DIR", "ACME", "01/11/00"}, 1);
}

}  // namespace
}  // namespace voltrim::testing
