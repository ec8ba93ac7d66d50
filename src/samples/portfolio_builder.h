#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/format/encodings.h"
#include "datafiles/format/series.h"
#include "datafiles/status.h"

namespace voltrim {

// Writes whole portfolios from plain values: the demonstration portfolios and the test
// fixtures use it, so every test shows its data. Not a repair tool: it creates new files.

// One stored record, its fields in stored order as IEEE values (DATE as YYYMMDD, e.g.
// 1000103 for 3 January 2000; TIME as HHMMSS).
using RawRecord = std::vector<float>;

struct SeriesSpec {
  int fileNumber = 1;
  std::string symbol;  // written blank-padded to 16
  std::string name;    // written blank-padded to 16
  char periodicity = 'D';
  std::vector<Field> fields;  // stored order, e.g. Date, Open, High, Low, Close, Vol
  bool writeDop = true;       // false: no F<n>.DOP, the layout must be inferred
  std::vector<RawRecord> records;
  // Overrides for damaged-file tests: stored record length / field count bytes (0 = derived).
  int recordLengthByte = 0;
  int fieldCountByte = 0;
};

struct SubdirectorySpec {
  std::string name;  // up to 8 characters; the MASTER entry's name field holds "<DIR>" at 11-15
};

struct PortfolioSpec {
  // MASTER entries in file order: each is either a series or a subdirectory entry.
  struct Entry {
    bool isSubdirectory = false;
    SeriesSpec series;
    SubdirectorySpec subdirectory;
  };
  std::vector<Entry> entries;
  // Header overrides (-1 = derived from the entries).
  int headerRecordCount = -1;
  int headerHighestFileNumber = -1;
};

// Convenience: a daily series of the given quotes (date, open, high, low, close, volume).
struct DailyQuote {
  DayNumber day;
  float open, high, low, close, volume;
};
SeriesSpec MakeDailySeries(int fileNumber, std::string symbol, std::string name,
                           const std::vector<DailyQuote>& quotes, bool writeDop = true);

// The stored bytes of the pieces, for tests that damage or compare them.
std::vector<std::uint8_t> BuildMasterBytes(const PortfolioSpec& plan);
std::vector<std::uint8_t> BuildDatBytes(const SeriesSpec& series);
std::string BuildDopText(const SeriesSpec& series);

// Writes MASTER, and F<n>.DAT / F<n>.DOP for every series entry, into directory (created
// if missing). Subdirectory entries only get their MASTER entry; write their folders with
// another call.
Status WritePortfolio(const std::string& directory, const PortfolioSpec& plan);

}  // namespace voltrim
