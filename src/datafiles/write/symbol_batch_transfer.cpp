// MoveOrCopySymbols: the plan (every series looked up, checked and given its place at the
// destination before anything is written), then the write.
#include <array>
#include <map>
#include <memory>
#include <set>

#include "datafiles/format/master_image.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_batch.h"
#include "datafiles/write/batch_recording.h"
#include "datafiles/write/held_series.h"
#include "datafiles/write/master_replace.h"
#include "datafiles/write/series_transfer.h"
#include "datafiles/write/symbol_batch.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/xmaster_write.h"

namespace voltrim {

namespace {

// One series of the list with its place at the destination.
struct PlacedSeries {
  std::string search;  // the text it was looked up by
  TransferredSeries series;
  IndexFile destIndex = IndexFile::kMaster;
  int newNumber = 0;
  std::string dataPath;  // its files at the source; dopPath empty when it has no DOP file
  std::string dopPath;
};

// The destination as the write leaves it: its index files with the series added.
struct Destination {
  std::string dir;
  MasterImage master;
  std::vector<MasterBytes> masterRecords;  // appended to MASTER, in order
  AppendedEmasterRecords emasterRecords;   // their EMASTER records
  Status xmasterStatus = kFileNotFound;
  XmasterImage xmaster;  // with the records appended (while xmasterStatus is kOk)
  bool xmasterChanged = false;
  std::array<bool, 256> used{};  // MASTER's file numbers, those handed out included
  int count = 0;                 // MASTER's two header fields, as the adds raise them
  int highest = 0;
};

// Looks every series up, checks it, and gives it its place; refusals collect every reason.
class TransferPlanner {
 public:
  TransferPlanner(PortfolioLock& lock, std::string_view sourceDir, Destination& destination,
                  std::vector<RefusedSymbol>& refused)
      : lock_(lock), sourceDir_(sourceDir), dest_(destination), refused_(refused) {}

  Status Plan(const std::vector<std::string>& symbols, std::vector<PlacedSeries>& placed) {
    Status status = ReadMasterImage(MasterPathIn(dest_.dir), dest_.master);
    if (status != kOk) return status;
    dest_.used = UsedMasterNumbers(dest_.master);
    dest_.count = dest_.master.HeaderField(kHeaderRecordCount);
    dest_.highest = dest_.master.HeaderField(kHeaderHighestFileNumber);
    dest_.xmasterStatus = ReadXmasterImage(dest_.dir, dest_.xmaster);
    if (dest_.xmasterStatus == kOk)
      destXmasterNames_ = std::make_unique<XmasterNames>(dest_.xmaster);
    sourceXmasterStatus_ = ReadXmasterImage(sourceDir_, sourceXmaster_);
    if (sourceXmasterStatus_ == kOk)
      sourceXmasterNames_ = std::make_unique<XmasterNames>(sourceXmaster_);
    for (const std::string& symbol : symbols) {
      PlacedSeries next;
      next.search = SymbolSearchText(symbol);
      status = Locate(symbol, next);
      if (status == kPortfolioBusy) return status;
      if (status != kOk || !seen_.insert(Key(next.series)).second) continue;
      if (!Check(symbol, next, placed) || !GivePlace(symbol, next)) continue;
      placed.push_back(std::move(next));
    }
    return kOk;
  }

 private:
  void Refuse(const std::string& symbol, SymbolRefusal reason) {
    refused_.push_back({symbol, reason});
  }

  static std::string Key(const TransferredSeries& series) {
    return series.directory + (series.index == IndexFile::kXmaster ? "|X" : "|M") +
           std::to_string(series.oldNumber);
  }

  // The series at the source: MASTER's tree first, then XMASTER, as one symbol's move finds
  // it. kOk with out.series filled; any other status has been refused (but kPortfolioBusy).
  Status Locate(const std::string& symbol, PlacedSeries& out) {
    FoundSymbol found;
    const Status status = out.search.empty()
                              ? kFileNotFound
                              : FindSymbolHeld(lock_, masters_, sourceDir_, out.search, found);
    if (status == kPortfolioBusy) return status;
    if (status == kOk) {
      if (!InsidePortfolio(sourceDir_, found.directory) ||
          MasterSeriesToTransfer(found.record, found.directory, out.series) != kOk) {
        Refuse(symbol, SymbolRefusal::kUnreadable);
        return kDamagedFile;
      }
      return kOk;
    }
    const int at =
        sourceXmasterNames_ && !out.search.empty() ? sourceXmasterNames_->Find(out.search) : -1;
    if (status == kFileNotFound && at >= 0) {
      out.series = XmasterSeriesToTransfer(sourceXmaster_, at, sourceDir_);
      return kOk;
    }
    bool listed = false;
    const bool unreadable = status != kFileNotFound ||
                            (sourceXmasterStatus_ != kOk && sourceXmasterStatus_ != kFileNotFound &&
                             (XmasterListsSymbol(sourceDir_, out.search, listed) != kOk || listed));
    Refuse(symbol, unreadable ? SymbolRefusal::kUnreadable : SymbolRefusal::kNotFound);
    return kFileNotFound;
  }

  // Its files are there, and neither the destination nor a series before it in the list
  // answers to its text.
  bool Check(const std::string& symbol, PlacedSeries& next,
             const std::vector<PlacedSeries>& placed) {
    const FolderNames& names = NamesOf(next.series.directory);
    if (!names.Has(next.series.dataFile)) {
      Refuse(symbol, SymbolRefusal::kNoDataFile);
      return false;
    }
    next.dataPath = names.Resolve(next.series.dataFile);
    const std::string dop = DopFileName(next.series.oldNumber);
    if (names.Has(dop)) next.dopPath = names.Resolve(dop);
    FoundSymbol existing;
    const Status inMaster = FindSymbolIn(destMasters_, dest_.dir, next.search, existing);
    bool inXmaster = false;
    Status xmaster = kOk;
    if (destXmasterNames_) {
      inXmaster = destXmasterNames_->Find(next.search) >= 0;
    } else if (dest_.xmasterStatus != kFileNotFound) {
      xmaster = XmasterListsSymbol(dest_.dir, next.search, inXmaster);
    }
    if (inMaster == kOk || inXmaster) {
      Refuse(symbol, SymbolRefusal::kExists);
      return false;
    }
    if (inMaster != kFileNotFound || xmaster != kOk) {
      Refuse(symbol, SymbolRefusal::kUnreadable);
      return false;
    }
    for (const PlacedSeries& earlier : placed) {
      const bool x = earlier.destIndex == IndexFile::kXmaster;
      if (x ? XmasterRecordMatches(DecodeXmasterRecord(earlier.series.xmaster.data()), next.search)
            : RecordMatches(earlier.series.master, next.search)) {
        Refuse(symbol, SymbolRefusal::kClashes);
        return false;
      }
    }
    return true;
  }

  // MASTER's lowest free number while MASTER has room, else XMASTER's next.
  bool GivePlace(const std::string& symbol, PlacedSeries& next) {
    const int number = LowestFreeFileNumber(dest_.used);
    if (dest_.count < kMaxSymbols && dest_.highest < kMaxSymbols && number != 0) {
      dest_.used[static_cast<std::size_t>(number)] = true;
      ++dest_.count;
      ++dest_.highest;
      next.destIndex = IndexFile::kMaster;
      next.newNumber = number;
      MasterBytes record = next.series.master.bytes;
      record[master_offset::kFileNumber] = static_cast<std::uint8_t>(number);
      dest_.masterRecords.push_back(record);
      dest_.emasterRecords.push_back(next.series.emaster);
      return true;
    }
    if (dest_.xmasterStatus != kOk) {
      Refuse(symbol, dest_.xmasterStatus == kFileNotFound ? SymbolRefusal::kNoRoom
                                                          : SymbolRefusal::kUnreadable);
      return false;
    }
    // A symbol longer than XMASTER holds would arrive as another symbol.
    if (next.series.xmaster.empty()) {
      Refuse(symbol, SymbolRefusal::kTooLong);
      return false;
    }
    XmasterImage added;
    if (XmasterWithRecordAppended(dest_.xmaster, dest_.dir, next.series.xmaster, added,
                                  next.newNumber) != kOk) {
      Refuse(symbol, SymbolRefusal::kNoRoom);
      return false;
    }
    dest_.xmaster = std::move(added);
    dest_.xmasterChanged = true;
    next.destIndex = IndexFile::kXmaster;
    return true;
  }

  // Each source folder listed once for all its series.
  const FolderNames& NamesOf(const std::string& directory) {
    auto& names = folders_[directory];
    if (!names) names = std::make_unique<FolderNames>(directory);
    return *names;
  }

  PortfolioLock& lock_;
  std::string sourceDir_;
  Destination& dest_;
  std::vector<RefusedSymbol>& refused_;
  CachedMasterSource masters_;
  CachedMasterSource destMasters_;
  Status sourceXmasterStatus_ = kFileNotFound;
  XmasterImage sourceXmaster_;
  std::unique_ptr<XmasterNames> sourceXmasterNames_;
  std::unique_ptr<XmasterNames> destXmasterNames_;
  std::set<std::string> seen_;
  std::map<std::string, std::unique_ptr<FolderNames>> folders_;
};

// The data and DOP files placed under their new numbers, all made durable together before
// any takes its name, the folder synced once. A stale DOP of a new number goes, as it would
// give the series the wrong columns.
Status PlaceFiles(const Destination& dest, const std::vector<PlacedSeries>& placed, bool move,
                  bool& takeBack) {
  FolderReplaceBatch batch(dest.dir);
  const auto stage = [&](const std::string& source, const std::string& target, int number) {
    ReplaceNames names;
    names.directory = dest.dir;
    names.target = target;
    names.temporary = NewFileName(number);
    if (move) return batch.StageLink(names, source);
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(source, bytes, kMaxPortfolioFileBytes) != kOk) return kFileOpen;
    return batch.Stage(names, bytes);
  };
  for (const PlacedSeries& next : placed) {
    const int n = next.newNumber;
    const bool x = next.destIndex == IndexFile::kXmaster;
    Status status = stage(next.dataPath, x ? MwdFileName(n) : DatFileName(n), n);
    if (status == kOk && !next.dopPath.empty()) {
      status = stage(next.dopPath, DopFileName(n), n);
    } else if (status == kOk) {
      status = RemovePortfolioFile(ResolveInDirectory(dest.dir, DopFileName(n)));
      takeBack = takeBack || status == kOk;
      if (status == kFileNotFound) status = kOk;
    }
    if (status != kOk) return status == kFileOpen ? kFileOpen : kFileWrite;
  }
  const Status status = batch.Commit();
  takeBack = takeBack || batch.Replaced();
  if (status != kOk) return status;
  return batch.Finish();
}

// The destination's index files name the placed files: XMASTER once, then MASTER (and
// EMASTER in step) once. XMASTER goes first: should MASTER then fail (its replace puts a
// mirroring EMASTER back itself), taking the change back puts back XMASTER alone, never
// MASTER and EMASTER apart.
Status AddToIndexFiles(const Destination& dest) {
  if (dest.xmasterChanged) {
    const Status status = ReplaceXmaster(dest.dir, dest.xmaster.bytes);
    if (status != kOk) return status;
  }
  if (dest.masterRecords.empty()) return kOk;
  const std::vector<std::uint8_t> content =
      MasterWithRecordsAppended(dest.master, dest.masterRecords);
  return ReplaceMasterKeepingEmaster(MasterPathIn(dest.dir), dest.master.bytes, content, ".~NU",
                                     false, dest.emasterRecords);
}

// The source lets the series go: XMASTER and each MASTER that listed some replaced once
// without their records; then their files are removed, each folder synced once.
Status RemoveFromSource(const std::string& sourceDir, const std::vector<PlacedSeries>& placed) {
  std::map<std::string, std::set<int>> fromMaster;  // by folder
  std::set<int> fromXmaster;
  for (const PlacedSeries& next : placed) {
    if (next.series.index == IndexFile::kXmaster) {
      fromXmaster.insert(next.series.oldNumber);
    } else {
      fromMaster[next.series.directory].insert(next.series.oldNumber);
    }
  }
  struct Removal {
    std::vector<int> numbers;
    std::set<int> kept;
    bool mwd;
  };
  std::map<std::string, std::vector<Removal>> removals;
  if (!fromXmaster.empty()) {
    XmasterImage image, without;
    Removal removal{{}, {}, true};
    if (ReadXmasterImage(sourceDir, image) != kOk) return kSourceNotRemoved;
    removal.numbers = XmasterWithout(
        image,
        [&](const std::uint8_t* r) {
          return fromXmaster.count(DecodeXmasterRecord(r).fileNumber) != 0;
        },
        without, removal.kept);
    if (ReplaceXmaster(sourceDir, without.bytes) != kOk) return kSourceNotRemoved;
    removals[WithTrailingSeparator(sourceDir)].push_back(std::move(removal));
  }
  for (const auto& [folder, numbers] : fromMaster) {
    const std::string masterPath = MasterPathIn(folder);
    MasterImage master;
    if (ReadMasterImage(masterPath, master) != kOk) return kSourceNotRemoved;
    std::vector<std::uint8_t> content;
    Removal removal{{}, {}, false};
    removal.numbers = MasterWithoutRecords(
        master,
        [&](const std::uint8_t* r) { return numbers.count(r[master_offset::kFileNumber]) != 0; },
        content, removal.kept);
    if (ReplaceMasterKeepingEmaster(masterPath, master.bytes, content, ".~NU", false) != kOk)
      return kSourceNotRemoved;
    removals[folder].push_back(std::move(removal));
  }
  bool allGone = true;
  for (const auto& [folder, inFolder] : removals) {
    for (const Removal& removal : inFolder)
      allGone = RemoveSeriesFiles(folder, removal.numbers, removal.kept, removal.mwd) && allGone;
    (void)file_ops::SyncDirectory(folder);
  }
  return allGone ? kOk : kSymbolFilesLeft;
}

Status WriteTransfer(const std::string& sourceDir, const Destination& dest,
                     const std::vector<PlacedSeries>& placed, bool move, bool& takeBack) {
  // The files stand at the destination before its index files name them, so that it never
  // lists a series without its data.
  Status status = PlaceFiles(dest, placed, move, takeBack);
  if (status == kOk) {
    takeBack = true;
    status = AddToIndexFiles(dest);
  }
  if (status != kOk || !move) return status;
  // Every series stands complete at the destination; only now may the source let them go.
  // A folder sync the system refused there is not reported by the replace, so the
  // destination's entries are made durable once more first: otherwise a power cut could
  // take a series from both portfolios.
  takeBack = false;
  if (file_ops::SyncDirectory(dest.dir) != kOk) return kSourceNotRemoved;
  return RemoveFromSource(sourceDir, placed);
}

}  // namespace

Status MoveOrCopySymbols(std::string_view sourceDir, const std::vector<std::string>& symbols,
                         std::string_view destinationDir, bool move,
                         std::vector<RefusedSymbol>& refused) {
  refused.clear();
  if (symbols.empty()) return kBadRequest;
  const std::string source(sourceDir);
  Destination dest;
  dest.dir = std::string(destinationDir);
  PortfolioLock lock({source, dest.dir});
  if (lock.status() != kOk) return lock.status();
  std::vector<PlacedSeries> placed;
  const Status status = TransferPlanner(lock, source, dest, refused).Plan(symbols, placed);
  if (status != kOk) return status;
  if (!refused.empty()) return kSymbolsRefused;
  const std::string what =
      SymbolsChangeName(move ? "Move" : "Copy", placed.size(), placed.front().search);
  return RecordOrTakeBack(dest.dir, what, [&](bool& takeBack) {
    return WriteTransfer(source, dest, placed, move, takeBack);
  });
}

}  // namespace voltrim
