#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "datafiles/format/encodings.h"
#include "datafiles/format/series.h"
#include "datafiles/status.h"

namespace voltrim {

// Adding quotes read from a text file to a series.

// One quote to add, as the data files store it.
struct ImportQuote {
  float date = 0.0f;  // DateFloat value: (year - 1900) x 10000 + month x 100 + day
  float time = 0.0f;  // TimeFloat value: hours x 10000 + minutes x 100 + seconds; 0 for none
  std::array<float, 6> values{};  // Open, High, Low, Close, Volume, Open Interest
  int line = 0;                   // its line in the file, for messages
};

// What becomes of a date (and time) the series holds already with other values.
enum class ImportOverlap {
  kRefuse,   // nothing is written; the caller names the dates
  kReplace,  // the file's values take the stored ones' place
  kKeep,     // the stored quote stays as it is
};

struct ImportRequest {
  std::vector<ImportQuote> quotes;  // in any order
  // The fields the quotes carry, by Field (Date..Oi); Date must be among them. A value
  // field the series has but the quotes do not is stored as 0 in a new quote and kept as
  // stored in a replaced one; a field the series lacks is left out.
  std::array<bool, kFieldKindCount> given{};
  ImportOverlap overlap = ImportOverlap::kRefuse;
};

// The first dates with other values that a refusal names.
inline constexpr std::size_t kDifferingNamed = 5;

struct ImportResult {
  int added = 0;                            // dates the series did not hold
  int replaced = 0;                         // held with other values, now the file's
  int kept = 0;                             // held with other values, left as stored
  int skipped = 0;                          // held with the same values
  int differing = 0;                        // held with other values (replaced + kept)
  std::vector<ImportQuote> firstDiffering;  // up to kDifferingNamed, in date order
  // kImportDuplicate: the first two lines (in file order of the second) with one date.
  int duplicateLines[2] = {0, 0};
  ImportQuote duplicate;
  int quotesBefore = 0;
  int quotesAfter = 0;
  ColumnLayout layout;  // the series' columns
  // MASTER's first and last dates as the series will stand (valid when quotesAfter > 0).
  MbfBytes firstDate{};
  MbfBytes lastDate{};
};

// Two quotes of the request share a date (and a time, for a series with times).
inline constexpr Status kImportDuplicate = -133;
// Dates the series holds with other values, and the request says to refuse.
inline constexpr Status kImportDiffers = -134;
// The series would hold more than kMaxImportQuotes quotes.
inline constexpr Status kImportTooMany = -135;

// The most quotes a series holds: its header counts records in signed 16 bits, the header
// record included.
inline constexpr int kMaxImportQuotes = 32766;

// Whether value is a DateFloat of a calendar day that has a day number (1 January 1961 to
// 4 June 2140), and a TimeFloat of a time of day.
bool IsImportDate(float value);
bool IsImportTime(float value);
// The last day of a month (year written in full) with day numbers that IsImportDate takes:
// the month's last, or the 4th in June 2140.
int LastImportDay(int year, int month);

// Works out the import of request into a series whose DAT file holds dat, without
// writing: the result, and the file's new content when content is given. A date (and time)
// the series lacks becomes a new quote, placed in date and time order among the stored
// ones (which keep their order and bytes: before the first stored quote that comes later);
// one it holds is compared, field by field as it would be stored, with the first stored
// quote of that date: equal is skipped, otherwise replaced or kept as the request says.
// Statuses: kOk, kImportDuplicate, kImportTooMany, kImportDiffers (the counts are filled
// all the same), kBadRequest (a date, time or value that cannot be stored, or no date),
// kDamagedFile (a header that does not count the file's records exactly).
Status PlanImport(const SeriesLocation& series, const std::vector<std::uint8_t>& dat,
                  const ImportRequest& request, ImportResult& result,
                  std::vector<std::uint8_t>* content = nullptr);

// A MASTER date (MBF DateFloat bytes) as XMASTER stores it (YYYYMMDD).
std::int32_t XmasterDateOfMbf(const MbfBytes& date);

// PlanImport on the series of symbol (MASTER's tree, then XMASTER) as it now stands, for a
// preview: nothing is written.
Status PreviewImport(std::string_view portfolioDir, std::string_view symbol,
                     const ImportRequest& request, ImportResult& result);

// Imports request into the series of symbol (found through FindSymbol from portfolioDir),
// with the portfolio held: the DAT file is replaced through F<n>.NEW, keeping F<n>.BAK,
// when quotes were added or replaced; then MASTER's first and last dates (of the records
// of its file number, and EMASTER's where it mirrors MASTER) are made those of the first
// and last quotes when they differ, through MASTER.NEW with MASTER.BAK. A symbol MASTER's
// tree lacks but the folder's XMASTER lists has its F<n>.MWD replaced the same way, and
// XMASTER's dates follow. The quote limit and every other check come before anything is
// written.
// Returns PlanImport's statuses, the lookup's, kFileOpen, kPortfolioBusy, kFileWrite (with
// every file unchanged), or kMasterDatesNotUpdated / kXmasterDatesNotUpdated: the quotes
// stand in the data file, but the index file's dates could not follow (running the import
// again brings them in step).
Status ImportQuotes(std::string_view portfolioDir, std::string_view symbol,
                    const ImportRequest& request, ImportResult& result);

}  // namespace voltrim
