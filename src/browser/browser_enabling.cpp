#include "browser/browser_enabling.h"

#include <cstdio>
#include <optional>

#include "browser/command_ids.h"

namespace voltrim {

namespace {

// The ids that have a rule, ascending.
constexpr int kRuledCommands[] = {
    command::kQuoteEdit,
    command::kQuoteSplit,
    command::kQuoteAdjust,
    command::kSymbolAbout,
    command::kQuoteDelete,
    command::kSplitSearch,
    command::kSymbolEdit,
    command::kSymbolMove,
    command::kSymbolDelete,
    command::kQuoteAdd,
    command::kQuoteExport,
    command::kSymbolCopy,
    command::kPortfolioCheck,
    command::kSymbolNew,
    command::kQuoteImport,
    command::kPortfolioUpdate,
    command::kPortfolioUpdateFolder,
};

// The framework's own commands do not touch the browser.
bool NeedsBrowser(int commandId) {
  switch (commandId) {
    case command::kAppExit:
    case command::kViewToolbar:
    case command::kViewStatusBar:
    case command::kHelpTopics:
    case command::kAppAbout:
      return false;
    default:
      return true;
  }
}

// The commands of one series: off while several rows are selected.
bool NeedsOneSeries(int commandId) {
  switch (commandId) {
    case command::kQuoteEdit:
    case command::kQuoteSplit:
    case command::kQuoteAdjust:
    case command::kQuoteDelete:
    case command::kQuoteAdd:
    case command::kQuoteImport:
    case command::kSymbolAbout:
    case command::kSymbolEdit:
      return true;
    default:
      return false;
  }
}

// The commands that act on many series while several rows are selected.
bool TakesManySeries(int commandId) {
  return commandId == command::kSymbolDelete || commandId == command::kSymbolMove ||
         commandId == command::kSymbolCopy || commandId == command::kQuoteExport;
}

// The commands that act on the series of the current row.
bool NeedsSeries(int commandId) { return NeedsOneSeries(commandId) || TakesManySeries(commandId); }

// With several rows selected: Delete, Move, Copy and Export take their series, whatever the
// current row holds; the commands of one series are off.
std::optional<bool> EnabledForMany(const BrowserState& state, int commandId) {
  const bool series = !state.symbols.SelectedSeries().empty();
  switch (commandId) {
    case command::kSymbolDelete:
    case command::kQuoteExport:
      return state.portfoliosFound && series;
    case command::kSymbolMove:
    case command::kSymbolCopy:
      return state.portfolios.size() >= 2 && series;
    default:
      if (NeedsOneSeries(commandId)) return false;
      return std::nullopt;
  }
}

struct Facts {
  bool found;
  bool symbolRows;
  bool quoteRows;
  bool oldestCurrent;
  bool twoPortfolios;
  bool splitSearchOpen;
  bool symbolsCounted;
  bool onSubfolder;  // the current row stands for a sub-folder, not a series
};

Facts FactsOf(const BrowserState& state) {
  const QuoteTable& quotes = state.quotes;
  return Facts{
      state.portfoliosFound,        state.symbols.RowCount() > 0,
      quotes.RowCount() > 0,        quotes.currentRow == quotes.RowCount() - 1,
      state.portfolios.size() >= 2, state.splitSearchOpen,
      state.symbols.count != 0,     state.symbols.CurrentIsSubfolder(),
  };
}

}  // namespace

bool IsCommandEnabled(const BrowserState& state, int commandId) {
  if (NeedsBrowser(commandId) && (!state.setUp || state.scanning)) return false;
  if (state.symbols.ManySelected()) {
    if (const std::optional<bool> many = EnabledForMany(state, commandId)) return *many;
  }
  const Facts f = FactsOf(state);
  if (f.onSubfolder && NeedsSeries(commandId)) return false;
  switch (commandId) {
    case command::kQuoteEdit:
    case command::kQuoteSplit:
    case command::kQuoteAdjust:
    case command::kQuoteDelete:
      return f.found && f.quoteRows;
    case command::kQuoteAdd:
      return f.found && f.quoteRows && !f.oldestCurrent;
    case command::kQuoteExport:
      return f.found && f.symbolsCounted && f.quoteRows;
    case command::kSymbolAbout:
    case command::kSymbolDelete:
      return f.found && f.symbolRows;
    case command::kSymbolEdit:
      return f.found && !f.splitSearchOpen && f.symbolRows;
    case command::kSymbolMove:
    case command::kSymbolCopy:
      return f.twoPortfolios && f.symbolRows;
    case command::kSplitSearch:
      return f.found && !f.splitSearchOpen && f.quoteRows;
    // The check reads the files itself, so a portfolio whose symbols could not be shown
    // can still be checked.
    case command::kPortfolioCheck:
      return f.found && state.masterPathSet;
    // A new symbol goes into the portfolio shown; quotes go into the series loaded, which
    // may hold none yet.
    case command::kSymbolNew:
    // An update brings quotes into the portfolio shown.
    case command::kPortfolioUpdate:
    case command::kPortfolioUpdateFolder:
      return f.found && state.masterPathSet;
    case command::kQuoteImport:
      return f.found && f.symbolRows && !state.quotes.loadedSymbol.empty();
    default:
      return true;
  }
}

std::vector<int> EnabledBrowserCommands(const BrowserState& state) {
  std::vector<int> enabled;
  for (int id : kRuledCommands) {
    if (IsCommandEnabled(state, id)) enabled.push_back(id);
  }
  return enabled;
}

std::string SymbolPaneText(const BrowserState& state) {
  const SymbolTable& symbols = state.symbols;
  if (symbols.count == 0) return "No Symbols Read";
  const SymbolOrder& order = state.symbolOrder;
  const int place = order.PlaceOf(symbols.currentRow);
  char text[80];
  if (symbols.ManySelected()) {
    std::snprintf(text, sizeof text, "%d of %d symbols selected",
                  static_cast<int>(symbols.selected.size()), symbols.count);
  } else if (order.filter.empty()) {
    // Counted as the grid shows the rows, sorted or not.
    std::snprintf(text, sizeof text, "Symbol %d of %d",
                  (place < 0 ? symbols.currentRow : place) + 1, symbols.count);
  } else if (place >= 0) {
    std::snprintf(text, sizeof text, "Symbol %d of %d (%d in all)", place + 1, order.ShownCount(),
                  symbols.count);
  } else {
    std::snprintf(text, sizeof text, "%d of %d symbols shown", order.ShownCount(), symbols.count);
  }
  return text;
}

std::string MessagePaneText(const BrowserState& state) {
  const SymbolRow* row = state.symbols.CurrentRow();
  if (row == nullptr || !row->isSubfolder) return "For Help, press F1";
  return row->subfolder + " is a sub-folder: press Enter to open it";
}

std::string QuotePaneText(const BrowserState& state) {
  const QuoteTable& quotes = state.quotes;
  if (quotes.count == 0) return "No Quotes Read";
  char text[48];
  std::snprintf(text, sizeof text, "Quote %d of %d", quotes.count - quotes.currentRow,
                quotes.count);
  return text;
}

}  // namespace voltrim
