#include "quotes/ui/quote_command_handlers.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "browser/command_ids.h"
#include "quotes/add_delete.h"
#include "quotes/bar_commands.h"
#include "quotes/quote_edit.h"
#include "quotes/split_adjust.h"
#include "quotes/ui/add_delete_dialogs.h"
#include "quotes/ui/adjust_dialog.h"
#include "quotes/ui/quote_edit_dialog.h"
#include "quotes/ui/split_dialog.h"
#include "widgets/qt_prompt.h"

namespace voltrim {

namespace {

// The series the browser shows, as the quote commands name it to the rewrite.
QuoteSeriesContext SeriesOf(const BrowserState& state) {
  QuoteSeriesContext series;
  series.portfolioDir = state.portfolioDir;
  series.symbol = state.quotes.loadedSymbol;
  series.quoteCount = state.quotes.count;
  series.firstDateText = state.quotes.firstDateText;
  series.lastDateText = state.quotes.lastDateText;
  series.hasTime = state.quotes.hasTime;
  return series;
}

std::string CurrentDateText(const BrowserState& state) {
  return state.quotes.CellText(state.quotes.currentRow, 0);
}

// The commands act on the browser's current quote row; without one there is nothing to do
// (the menu item is disabled then, this guards the handler itself).
bool HasCurrentQuote(const BrowserState& state) {
  return state.portfoliosFound && state.quotes.HasRow(state.quotes.currentRow);
}

class QuoteCommands {
 public:
  explicit QuoteCommands(const CommandContext& context) : context_(context) {}

  void Edit() {
    if (!HasCurrentQuote(State())) return;
    QuoteEditDialog dialog(Browse(), Prompt(), context_.window);
    const int result = context_.runDialog(dialog);
    context_.refresh();  // the dialog may have moved the current row
    if (result != QDialog::Accepted) return;
    Finish(RunQuoteEdit(SeriesOf(State()), dialog.Input(), Io()));
  }

  void Split() {
    if (!HasCurrentQuote(State())) return;
    Split({CurrentDateText(State()), "1", "1"});
  }

  void Split(const SplitTexts& shown) {
    if (!HasCurrentQuote(State())) return;
    SplitDialog dialog(shown, SeriesOf(State()), Prompt(), context_.window);
    if (context_.runDialog(dialog) != QDialog::Accepted) return;
    Finish(RunSplit(SeriesOf(State()), dialog.Texts(), Io()));
  }

  void Adjust() {
    if (!HasCurrentQuote(State())) return;
    AdjustDialog dialog(SeriesOf(State()), Prompt(), context_.window);
    if (context_.runDialog(dialog) != QDialog::Accepted) return;
    Finish(RunAdjust(SeriesOf(State()), dialog.Texts(), Io()));
  }

  void Delete() {
    if (!HasCurrentQuote(State())) return;
    const std::string dateText = CurrentDateText(State());
    // A bar of a series with a time of day is named, and deleted, by its date and time.
    const QuoteTable& quotes = State().quotes;
    const std::string timeText = quotes.hasTime ? quotes.TimeText(quotes.currentRow) : "";
    DeleteQuoteDialog dialog(quotes.BarText(quotes.currentRow), Prompt(), context_.window);
    if (context_.runDialog(dialog) != QDialog::Accepted) return;
    Finish(RunDeleteQuote(SeriesOf(State()), dateText, Io(), timeText));
  }

  void Add() {
    const BrowserState& state = State();
    const int row = state.quotes.currentRow;
    if (!HasCurrentQuote(state) || !AddQuoteAvailable(row, state.quotes.RowCount())) return;
    if (state.quotes.hasTime) return AddBar();
    const std::optional<std::string> newDate =
        PlanAddQuote(CurrentDateText(state), GridDates(state), Prompt());
    if (!newDate) return;
    AddQuoteDialog dialog(*newDate, context_.window);
    if (context_.runDialog(dialog) != QDialog::Accepted) return;
    const QuoteCommandOutcome outcome = RunAddQuote(SeriesOf(State()), *newDate, row, Io());
    Finish(outcome);
    if (outcome.openEditor) Edit();
  }

  // Add on a series with a time of day: the user names the new bar's date and time.
  void AddBar() {
    const QuoteTable& quotes = State().quotes;
    std::vector<BarKey> bars = BarsOf(quotes);
    const BarKey proposal = ProposeNewBar(bars, quotes.currentRow);
    AddBarDialog dialog(proposal, std::move(bars), Prompt(), context_.window);
    if (context_.runDialog(dialog) != QDialog::Accepted) return;
    const QuoteCommandOutcome outcome = RunAddBar(SeriesOf(State()), dialog.DateText(),
                                                  dialog.TimeText(), dialog.SourceRow(), Io());
    Finish(outcome);
    if (outcome.openEditor) Edit();
  }

 private:
  Browser& Browse() { return *context_.browser; }
  const BrowserState& State() { return context_.browser->State(); }
  UserPrompt& Prompt() { return *context_.prompt; }
  QuoteCommandIo Io() { return {*context_.prompt, context_.settings}; }

  static std::vector<std::string> GridDates(const BrowserState& state) {
    std::vector<std::string> dates;
    dates.reserve(static_cast<std::size_t>(state.quotes.RowCount()));
    for (int row = 0; row < state.quotes.RowCount(); ++row) {
      dates.push_back(state.quotes.CellText(row, 0));
    }
    return dates;
  }

  void Finish(const QuoteCommandOutcome& outcome) {
    if (outcome.reloadGrid) Browse().FillQuotesGrid(outcome.rowToShow);
    context_.refresh();
  }

  CommandContext context_;
};

}  // namespace

FilledSplit InstallQuoteCommands(const CommandContext& context,
                                 const RegisterCommand& registerCommand) {
  const auto commands = std::make_shared<QuoteCommands>(context);
  registerCommand(command::kQuoteEdit, [commands] { commands->Edit(); });
  registerCommand(command::kQuoteSplit, [commands] { commands->Split(); });
  registerCommand(command::kQuoteAdjust, [commands] { commands->Adjust(); });
  registerCommand(command::kQuoteAdd, [commands] { commands->Add(); });
  registerCommand(command::kQuoteDelete, [commands] { commands->Delete(); });
  return [commands](const std::string& date, const std::string& newShares,
                    const std::string& oldShares) {
    commands->Split({date, newShares, oldShares});
  };
}

}  // namespace voltrim
