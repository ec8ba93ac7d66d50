#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "datafiles/format/encodings.h"
#include "datafiles/status.h"

namespace voltrim {

// What RewriteSeries does with the quotes whose day lies in [firstDay, lastDay].
namespace edit_kind {
inline constexpr std::int16_t kSet = 1;         // set the fields named in fieldsToSet
inline constexpr std::int16_t kScale = 2;       // multiply each field present by its factor
inline constexpr std::int16_t kScaleRange = 3;  // the same; Split and Adjust use this one
inline constexpr std::int16_t kDelete = 4;      // drop the first quote in range
inline constexpr std::int16_t kInsert =
    5;  // copy the first quote in range to the weekday before it
}  // namespace edit_kind

// Index into SeriesEdit::values and bit of SeriesEdit::fieldsToSet.
namespace edit_value {
inline constexpr int kOpen = 0;
inline constexpr int kHigh = 1;
inline constexpr int kLow = 2;
inline constexpr int kClose = 3;
inline constexpr int kVolume = 4;
inline constexpr int kOpenInterest = 5;
}  // namespace edit_value
inline constexpr std::uint8_t kAllEditFields = 0x3F;

struct SeriesEdit {
  // Open, High, Low, Close, Volume, Open Interest: new values (set) or factors (scale).
  std::array<float, 6> values{};
  DayNumber firstDay = 0;
  DayNumber lastDay = 0;  // inclusive
  std::int16_t kind = 0;
  // Set only: bit i set writes values[i]; a clear bit keeps that field's stored bytes.
  std::uint8_t fieldsToSet = kAllEditFields;
  // One bar of a series with a time of day. With atTime, set, scale and delete touch only
  // the first quote in file order dated firstDay whose time is `time` to the second;
  // an insert puts a new quote dated firstDay at `time` in front of the first quote after
  // it, a copy of that quote. Without it, every kind works by day as above.
  bool atTime = false;
  PackedTime time = 0;
  // Set at a time only: the quote's time becomes newTime, which must keep it between the
  // quotes before and after it in the file.
  bool setTime = false;
  PackedTime newTime = 0;
};

// The MASTER dates could not be updated after a delete: the quote is gone from the series
// (its file was replaced), but MASTER's first or last date still names the old quote.
inline constexpr Status kMasterDatesNotUpdated = -105;
// The same for a series only XMASTER lists: its F<n>.MWD was replaced, XMASTER's dates not.
inline constexpr Status kXmasterDatesNotUpdated = -108;

// Rewrites the symbol's F<n>.DAT (found through FindSymbol from portfolioDir) by the
// request, keeping the previous content as F<n>.BAK and writing through F<n>.NEW. A symbol
// MASTER's tree does not hold but the folder's XMASTER lists has its F<n>.MWD rewritten the
// same way (F<n>.BAK, F<n>.NEW: its numbers are 256 and up), and XMASTER's dates follow a
// delete as MASTER's do (kXmasterDatesNotUpdated in place of kMasterDatesNotUpdated). A
// delete's MASTER date updates count the quotes the DAT header holds when the lock is
// taken, so another writer's change since the caller's last read is taken into account.
// Only the bytes of the fields the request changes are rewritten; every other byte, also
// of fields no keyword names, is copied as stored.
//
// Returns kOk only when the new content took the old file's place. Failures, with every
// file unchanged unless noted:
//   lookup / layout statuses (kFileNotFound, kFileRead, kNoLayout, kDamagedFile);
//   kFileOpen     the DAT file cannot be read;
//   kQuoteNotFound  delete: no quote on firstDay (the command shows
//                 "failure in delete quote for findrec" and then its own failure message);
//   kRecordNotFound insert: no quote in range, nothing to copy;
//   kNoMbfForm    a value to write (given or computed) has no MBF form;
//   kBadRequest   unknown kind, or an insert into a series already at 32,766 quotes; at a
//                 time: a series without a time field, an insert at a date and time that
//                 has a quote or in front of the first quote, or a new time that would
//                 put the quote out of order;
//   kQuoteNotFound  also set, scale or delete at a time: no quote at that date and time;
//   kFileWrite    the backup or the new file could not be written or put in place;
//   kMasterDatesNotUpdated  delete only, see above (the DAT file WAS replaced).
// A delete updates the dates of the MASTER in the folder where the symbol was found, and
// only after the DAT file has been replaced. recordsChanged, when given, receives the
// number of quotes set, scaled, deleted or inserted once the new file stands.
Status RewriteSeries(const SeriesEdit& request, std::string_view portfolioDir,
                     std::string_view symbol, int* recordsChanged = nullptr);

enum class MasterDate { kFirst, kLast };

// Sets the first or last date (MBF DateFloat bytes) of every record of masterPath whose
// file number is fileNumber, through MASTER.NEW with MASTER.BAK as backup.
// kOk when the new MASTER took the old one's place; otherwise a failure status and MASTER
// unchanged (kRecordNotFound when no record has that file number).
Status SetMasterDate(const std::string& masterPath, const MbfBytes& date, int fileNumber,
                     MasterDate which);

// Writes symbol and name, each blank-padded to 16 characters, into the record at row
// (0 = the first record after the header) of masterPath, through MASTER.NEW with
// MASTER.BAK as backup. kOk when the new MASTER took the old one's place; kRecordNotFound
// for a row outside the header's count; kBadRequest for a text above 16 characters;
// otherwise a failure status, MASTER unchanged.
Status RenameMasterRecord(const std::string& masterPath, int row, std::string_view symbol,
                          std::string_view name);

}  // namespace voltrim
