#pragma once

// Every section and value the program keeps in the settings store, in one place, with the
// defaults that do not depend on the screen or the current directory.
namespace voltrim::settings {

inline constexpr char kScreen[] = "Screen";  // main window placement, defaults 0
inline constexpr char kScreenX[] = "x";
inline constexpr char kScreenY[] = "y";
inline constexpr char kScreenCx[] = "cx";
inline constexpr char kScreenCy[] = "cy";
inline constexpr int kScreenDefault = 0;
// Heights of the parts between the main window's splitters; 0 (none) lets the window choose.
inline constexpr char kScreenUpper[] = "upper";    // portfolios and symbols
inline constexpr char kScreenQuotes[] = "quotes";  // the quotes grid
inline constexpr char kScreenChart[] = "chart";    // the chart below it

// Column widths; their defaults are a share of the grid's width, worked out by the browser.
inline constexpr char kSymbolGrid[] = "SymbolGrid";  // col0 to col4
inline constexpr char kQuoteGrid[] = "QuoteGrid";    // col0 .. col6
inline constexpr const char* kColumn[] = {"col0", "col1", "col2", "col3", "col4", "col5", "col6"};
// The Time column that a series with a time of day shows after Date; col0 .. col6 keep
// naming Date .. Open Interest whichever series is shown.
inline constexpr char kTimeColumn[] = "colTime";

// The current drive (a mount point); empty means the drive of the current directory.
inline constexpr char kSettings[] = "Settings";
inline constexpr char kDrive[] = "Drive";

// The search filter; Name defaults to the current directory at start-up.
inline constexpr char kSearch[] = "Search";
inline constexpr char kLimit[] = "Limit";
inline constexpr char kName[] = "Name";
inline constexpr char kMasterFix[] = "MasterFix";
inline constexpr int kLimitDefault = 1;
inline constexpr int kMasterFixDefault = 0;

// The export dialog's choices; every integer defaults to 0.
inline constexpr char kXportSel[] = "XportSel";
inline constexpr char kStarter[] = "Starter";
inline constexpr char kStarterDefault[] = "output.txt";
inline constexpr char kOmitOpen[] = "OmitOpen";
inline constexpr char kOmitHigh[] = "OmitHigh";
inline constexpr char kOmitLow[] = "OmitLow";
inline constexpr char kOmitClose[] = "OmitClose";
inline constexpr char kOmitVol[] = "OmitVol";
inline constexpr char kOmitOI[] = "OmitOI";
inline constexpr char kNewest[] = "Newest";
inline constexpr char kDelim[] = "Delim";
inline constexpr char kTitle[] = "Title";
inline constexpr char kFormat[] = "Format";  // 0 text, 1 CSV

// The price chart below the quotes grid: shown (1) or hidden (0) by View > Chart.
inline constexpr char kChart[] = "Chart";
inline constexpr char kChartShown[] = "Show";
inline constexpr int kChartShownDefault = 1;

// Records of the last change of each kind: written, never read.
inline constexpr char kEdit[] = "Edit";      // Date, Open, Hi, Lo, Close, Vol, OI
inline constexpr char kSplit[] = "Split";    // Date, New, Old
inline constexpr char kAdjust[] = "Adjust";  // Date1, Date2, PriceMult, VolMult, OIMult
inline constexpr char kDelete[] = "Delete";  // Date
inline constexpr char kAdd[] = "Add";        // Date

// How much undo history each portfolio keeps: changes at most, and megabytes their kept
// files may take (the newest change is kept whatever its size). Read by every front end.
inline constexpr char kUndo[] = "Undo";
inline constexpr char kUndoMaxChanges[] = "MaxChanges";
inline constexpr char kUndoBudgetMB[] = "BudgetMB";
inline constexpr int kUndoMaxChangesDefault = 100;
inline constexpr int kUndoBudgetMBDefault = 256;
inline constexpr int kUndoMaxChangesLeast = 20;

inline constexpr char kDate[] = "Date";
inline constexpr char kTime[] = "Time";  // Edit, Add and Delete of a bar of a series with times
inline constexpr char kOpen[] = "Open";
inline constexpr char kHi[] = "Hi";
inline constexpr char kLo[] = "Lo";
inline constexpr char kClose[] = "Close";
inline constexpr char kVol[] = "Vol";
inline constexpr char kOI[] = "OI";
inline constexpr char kNew[] = "New";
inline constexpr char kOld[] = "Old";
inline constexpr char kDate1[] = "Date1";
inline constexpr char kDate2[] = "Date2";
inline constexpr char kPriceMult[] = "PriceMult";
inline constexpr char kVolMult[] = "VolMult";
inline constexpr char kOIMult[] = "OIMult";

}  // namespace voltrim::settings
