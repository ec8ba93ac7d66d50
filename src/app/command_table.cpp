#include "app/command_table.h"

#include <array>

#include "browser/command_ids.h"

namespace voltrim {
namespace {

using M = MenuName;
namespace c = command;

constexpr CommandInfo kSeparator(MenuName menu) { return CommandInfo{menu, 0}; }

const std::array kMenuCommands = {
    // Shortcuts: those the desktop expects where one exists (Ctrl+Q, F5, F1; Ctrl+F, the
    // find key, goes to the symbols grid's filter field), and Ctrl+E and Del for the quote
    // editor and the quote's deletion (Del, Enter: quotes grid).
    CommandInfo{M::Voltrim, c::kPortfolioNew, "&New Portfolio...", nullptr,
                "Create a new, empty portfolio", "New portfolio", "folder-new", nullptr},
    kSeparator(M::Voltrim),
    CommandInfo{M::Voltrim, c::kAppExit, "E&xit", "Ctrl+Q", "Quit the application", "Quit",
                "application-exit", "exit"},
    // Undo and Redo name the change they take back or put back ("Undo Delete Symbol ACME");
    // the main window sets the texts from the portfolio's history.
    CommandInfo{M::Edit, c::kEditUndo, "&Undo", "Ctrl+Z",
                "Undo the newest change to this portfolio not yet undone", "Undo", "edit-undo"},
    CommandInfo{M::Edit, c::kEditRedo, "&Redo", "Ctrl+Shift+Z;Ctrl+Y",
                "Redo the change undone last", "Redo", "edit-redo"},
    kSeparator(M::Edit),
    CommandInfo{M::Edit, c::kEditHistory, "&History...", nullptr,
                "List the changes to this portfolio, to undo or redo several at once", "History",
                nullptr},
    CommandInfo{M::View, c::kViewToolbar, "&Toolbar", nullptr, "Show or hide the toolbar"},
    CommandInfo{M::View, c::kViewStatusBar, "&Status Bar", nullptr, "Show or hide the status bar"},
    CommandInfo{M::View, c::kViewChart, "&Chart", nullptr, "Show or hide the price chart"},
    CommandInfo{M::Portfolio, c::kSplitSearch, "&Split Search...", "Ctrl+Shift+F",
                "Search this portfolio for possible splits", "Split search", "edit-find",
                "split-search"},
    CommandInfo{M::Portfolio, c::kPortfolioCheck, "&Check...", nullptr,
                "Report what is wrong with this portfolio", "Check portfolio", nullptr, "check"},
    CommandInfo{M::Portfolio, c::kPortfolioUpdate, "&Update from File...", nullptr,
                "Add the quotes of a file of many symbols to their series", "Update portfolio",
                nullptr, nullptr},
    CommandInfo{M::Portfolio, c::kPortfolioUpdateFolder, "Update from F&older...", nullptr,
                "Add the quotes of a folder of one file per symbol to their series",
                "Update portfolio from folder", nullptr, nullptr},
    CommandInfo{M::Portfolio, c::kSearchFilter, "Search &Filter...", nullptr, "Filter", "Filter",
                nullptr, "filter"},
    CommandInfo{M::Portfolio, c::kReScan, "&ReScan", "F5", "ReScan drive(s) for portfolios",
                "ReScan", "view-refresh", "rescan"},
    CommandInfo{M::Symbol, c::kSymbolNew, "&New...", nullptr, "Add a new symbol to this portfolio",
                "New symbol", nullptr, "symbol-new"},
    CommandInfo{M::Symbol, c::kSymbolDelete, "&Delete", nullptr, "Delete Symbol", "Delete Symbol",
                "edit-delete", "symbol-delete"},
    CommandInfo{M::Symbol, c::kSymbolMove, "&Move...", nullptr, "Move", "Move", nullptr,
                "symbol-move"},
    CommandInfo{M::Symbol, c::kSymbolCopy, "&Copy...", nullptr, "Copy", "Copy", "edit-copy",
                "symbol-copy"},
    kSeparator(M::Symbol),
    CommandInfo{M::Symbol, c::kSymbolEdit, "&Edit...", nullptr, "Edit the symbol and name",
                "Edit Symbol", nullptr, "symbol-edit"},
    CommandInfo{M::Symbol, c::kSymbolAbout, "&About...", nullptr,
                "Facts about the selected quote series", "Data facts", nullptr, "symbol-about"},
    CommandInfo{M::Quotes, c::kQuoteEdit, "&Edit...", "Ctrl+E", "Edit the selected day's data",
                "Edit data", nullptr, "quote-edit"},
    CommandInfo{M::Quotes, c::kQuoteSplit, "&Split...", nullptr, "Enter a split", "Enter split",
                nullptr, "split"},
    CommandInfo{M::Quotes, c::kQuoteAdjust, "Adju&st...", nullptr, "Scale the volume or price",
                "Scale values", nullptr, "adjust"},
    kSeparator(M::Quotes),
    CommandInfo{M::Quotes, c::kQuoteAdd, "&Add...", nullptr, "Add a single quote", "Add quote",
                "list-add", "quote-add"},
    CommandInfo{M::Quotes, c::kQuoteDelete, "&Delete...", "Del", "Delete a single quote",
                "Delete quote", "list-remove", "quote-delete"},
    kSeparator(M::Quotes),
    CommandInfo{M::Quotes, c::kQuoteExport, "E&xport...", nullptr, "Export quotes", "Export",
                "document-save-as", "export"},
    CommandInfo{M::Quotes, c::kQuoteImport, "&Import...", nullptr, "Import quotes from a text file",
                "Import", "document-open", "import"},
    // The message pane promises help on F1, so F1 opens the manual.
    CommandInfo{M::Help, c::kHelpTopics, "&Help Topics", "F1", nullptr, nullptr, "help-contents",
                "help-topics"},
    kSeparator(M::Help),
    CommandInfo{M::Help, c::kAppAbout, "&About Voltrim...", nullptr,
                "Show the program's name, version and purpose", "About Voltrim", "help-about",
                "about"},
};

const std::array kToolbarCommands = {
    c::kAppExit,
    0,
    c::kSplitSearch,
    c::kPortfolioCheck,
    c::kSearchFilter,
    c::kReScan,
    0,
    c::kSymbolDelete,
    c::kSymbolMove,
    c::kSymbolCopy,
    c::kSymbolEdit,
    c::kSymbolAbout,
    0,
    c::kQuoteEdit,
    c::kQuoteSplit,
    c::kQuoteAdjust,
    c::kQuoteAdd,
    c::kQuoteDelete,
    c::kQuoteExport,
    c::kQuoteImport,
    0,
    c::kAppAbout,
};

}  // namespace

std::span<const CommandInfo> MenuCommands() { return kMenuCommands; }

std::span<const int> ToolbarCommands() { return kToolbarCommands; }

const CommandInfo* FindCommand(int id) {
  for (const CommandInfo& info : kMenuCommands) {
    if (info.id == id) return &info;
  }
  return nullptr;
}

const char* MenuTitle(MenuName menu) {
  switch (menu) {
    case MenuName::Voltrim:
      return "V&oltrim";  // Alt+V is the View menu's
    case MenuName::Edit:
      return "&Edit";
    case MenuName::View:
      return "&View";
    case MenuName::Portfolio:
      return "&Portfolio";
    case MenuName::Symbol:
      return "&Symbol";
    case MenuName::Quotes:
      return "&Quotes";
    case MenuName::Help:
      return "&Help";
  }
  return "";
}

}  // namespace voltrim
