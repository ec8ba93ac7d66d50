#pragma once

// Every section and value the program keeps in the settings store, in one place.
namespace voltrim::settings {

inline constexpr char kScreen[] = "Screen";
inline constexpr char kScreenX[] = "x";
inline constexpr char kScreenY[] = "y";
inline constexpr char kScreenCx[] = "cx";
inline constexpr char kScreenCy[] = "cy";

inline constexpr char kSymbolGrid[] = "SymbolGrid";  // col0, col1
inline constexpr char kQuoteGrid[] = "QuoteGrid";    // col0 .. col6

inline constexpr char kSettings[] = "Settings";
inline constexpr char kDrive[] = "Drive";

inline constexpr char kSearch[] = "Search";
inline constexpr char kLimit[] = "Limit";
inline constexpr char kName[] = "Name";
inline constexpr char kMasterFix[] = "MasterFix";

inline constexpr char kXportSel[] = "XportSel";
inline constexpr char kStarter[] = "Starter";
inline constexpr char kOmitOpen[] = "OmitOpen";
inline constexpr char kOmitHigh[] = "OmitHigh";
inline constexpr char kOmitLow[] = "OmitLow";
inline constexpr char kOmitClose[] = "OmitClose";
inline constexpr char kOmitVol[] = "OmitVol";
inline constexpr char kOmitOI[] = "OmitOI";
inline constexpr char kNewest[] = "Newest";
inline constexpr char kDelim[] = "Delim";
inline constexpr char kTitle[] = "Title";

// Records of the last change of each kind: written, never read.
inline constexpr char kEdit[] = "Edit";      // Date, Open, Hi, Lo, Close, Vol, OI
inline constexpr char kSplit[] = "Split";    // Date, New, Old
inline constexpr char kAdjust[] = "Adjust";  // Date1, Date2, PriceMult, VolMult, OIMult
inline constexpr char kDelete[] = "Delete";  // Date
inline constexpr char kAdd[] = "Add";        // Date

}  // namespace voltrim::settings
