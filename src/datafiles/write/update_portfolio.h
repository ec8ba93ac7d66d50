#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/xmaster.h"
#include "datafiles/status.h"
#include "datafiles/write/import_quotes.h"

namespace voltrim {

// Bringing many series of a portfolio up to date in one write: one lock, one undo journal,
// every data file replaced once and each index file (MASTER with a mirroring EMASTER, and
// XMASTER) replaced once at the end.

// The quotes for one series.
struct UpdateSeriesRequest {
  std::string symbol;  // looked up as import does: MASTER's tree, then XMASTER
  std::vector<ImportQuote> quotes;
  std::array<bool, kFieldKindCount> given{};  // as ImportRequest::given
  // The periodicity the source gives ('D', 'W', 'M' or 'I'), 0 when it gives none; line
  // names the first line that gave it.
  char periodicity = 0;
  int periodicityLine = 0;
};

struct UpdateRequest {
  std::vector<UpdateSeriesRequest> series;  // one per symbol
  ImportOverlap overlap = ImportOverlap::kRefuse;
  // A symbol in neither index file becomes a new series (in MASTER while it has room, else
  // in XMASTER when the folder has one) with the columns its quotes carry; otherwise it
  // is left out as unknown.
  bool create = false;
  // Called as each data or DOP file is made durable: (files written, files to write).
  // Returning false cancels the update before the index files are replaced; what was
  // written is put back.
  std::function<bool(int, int)> progress;
  // How many bytes of new data file contents the check may keep for the write; the rest are
  // read and planned again there, so that a large portfolio is never all in memory.
  std::size_t keptContentBytes = std::size_t{64} << 20;
};

enum class UpdateFate { kUpdated, kUnchanged, kCreated, kUnknown };

struct UpdateSeriesResult {
  std::string symbol;
  Status status = kOk;  // what this series says of the update (kOk: it can take its quotes)
  UpdateFate fate = UpdateFate::kUnchanged;
  ImportResult result;  // the import's counts and the series' layout
  IndexFile index = IndexFile::kMaster;
  int fileNumber = 0;    // the series' data file number (the one a new series gets)
  char periodicity = 0;  // the series' own
};

struct UpdateResult {
  std::vector<UpdateSeriesResult> series;  // in request order
  int refusedAt = -1;                      // the first series that refused the update
  int updated = 0;
  int unchanged = 0;
  int created = 0;
  int unknown = 0;
  int quotesAdded = 0;
  int quotesReplaced = 0;
};

// A series refused the update (see result.series[refusedAt].status); nothing was written.
inline constexpr Status kUpdateRefused = -136;
// Per series: the source gives another periodicity than the series has.
inline constexpr Status kUpdatePeriodicity = -137;
// Per series: another symbol of the source already names this series.
inline constexpr Status kUpdateSameSeries = -138;
// The progress callback cancelled the update; everything written was put back.
inline constexpr Status kUpdateCancelled = -139;
// The data files stand, but an index file could not be replaced: running the same update
// again finishes it.
inline constexpr Status kUpdateIndexBehind = -140;

// Works the update out without writing (no lock, no journal): the result as
// UpdatePortfolio would give it. Statuses: kOk, kUpdateRefused (per series: PlanImport's
// refusals, kUpdatePeriodicity, kUpdateSameSeries, kPortfolioFull from symbol_files.h when
// no index file has room for a new series, kBadRequest for a new symbol too long for its
// index file, lookup and read failures), or the portfolio's own failure (no MASTER,
// kDamagedFile).
Status PlanUpdate(std::string_view portfolioDir, const UpdateRequest& request,
                  UpdateResult& result);

// Carries the update out. Every series is located, read and checked first; any refusal
// leaves everything as it was. Then, under one PortfolioLock and one ChangeRecording:
// the changed data files are replaced (F<n>.NEW, keeping F<n>.BAK), the new series' data
// and DOP files put in place, then each folder's MASTER (and a mirroring EMASTER) and the
// XMASTER are replaced once, with the first and last dates of every series the update
// touched and the new series' records. A crash leaves every file old or new; running the
// same update again skips the quotes already stored, gives a new series the number it
// was getting (a data file no record names is reused when it is empty or holds exactly
// its quotes), and puts the index files' dates right.
// Statuses: PlanUpdate's, kPortfolioBusy, kUpdateCancelled, kFileWrite (a data file could
// not be written; what was written is put back), kUpdateIndexBehind.
Status UpdatePortfolio(std::string_view portfolioDir, const UpdateRequest& request,
                       UpdateResult& result);

}  // namespace voltrim
