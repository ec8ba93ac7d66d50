#pragma once

namespace voltrim {

// Identifiers of the main window's commands; the menu items and toolbar buttons carry
// them, and the enabling rules are keyed by them.
namespace command {
inline constexpr int kAppExit = 57665;
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditRedo = 57644;
inline constexpr int kEditHistory = 32846;  // ours
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kViewChart = 32850;
inline constexpr int kSplitSearch = 32776;
inline constexpr int kPortfolioCheck = 32830;  // ours, not one of the program's own
inline constexpr int kSearchFilter = 32790;
inline constexpr int kReScan = 32807;
inline constexpr int kSymbolDelete = 32793;
inline constexpr int kSymbolMove = 32791;
inline constexpr int kSymbolCopy = 32823;
inline constexpr int kSymbolEdit = 32789;
inline constexpr int kSymbolAbout = 32774;
inline constexpr int kQuoteEdit = 32771;
inline constexpr int kQuoteSplit = 32772;
inline constexpr int kQuoteAdjust = 32773;
inline constexpr int kQuoteAdd = 32794;
inline constexpr int kQuoteDelete = 32775;
inline constexpr int kQuoteExport = 32804;
// Ours, bringing data in.
inline constexpr int kPortfolioNew = 32841;
inline constexpr int kSymbolNew = 32842;
inline constexpr int kQuoteImport = 32843;
inline constexpr int kPortfolioUpdate = 32844;
inline constexpr int kPortfolioUpdateFolder = 32845;
inline constexpr int kHelpTopics = 57667;
inline constexpr int kAppAbout = 57664;
}  // namespace command

}  // namespace voltrim
