#include "datafiles/write/symbol_files.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <set>
#include <vector>

#include "datafiles/format/ascii_case.h"
#include "datafiles/format/emaster.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/held_series.h"
#include "datafiles/write/master_replace.h"
#include "datafiles/write/series_transfer.h"
#include "datafiles/write/xmaster_write.h"

namespace voltrim {

namespace {

// Removes the data files of the numbers no remaining record uses, then syncs the folder.
// False when a file is still there afterwards.
bool RemoveDataFiles(const std::string& directory, const std::vector<int>& numbers,
                     const std::set<int>& kept) {
  const bool allGone = RemoveSeriesFiles(directory, numbers, kept, false);
  (void)file_ops::SyncDirectory(directory);
  return allGone;
}

// Places the source's data file and DOP at the destination under newNumber (the data file
// as destData). On failure nothing placed remains.
Status PlaceDataFiles(const TransferredSeries& source, const std::string& destDir,
                      const std::string& destData, int newNumber, bool move) {
  const std::string sourceDat = ResolveInDirectory(source.directory, source.dataFile);
  const std::string sourceDop = ResolveInDirectory(source.directory, DopFileName(source.oldNumber));
  if (!file_ops::NameExists(sourceDat)) return kFileOpen;
  const std::string staging = NewFileName(newNumber);
  Status status = PlaceFileCopy(sourceDat, destDir, destData, staging, move);
  if (status != kOk) return status;
  if (file_ops::NameExists(sourceDop)) {
    status = PlaceFileCopy(sourceDop, destDir, DopFileName(newNumber), staging, move);
  } else {
    // A stale DOP of the free number would give the new series the wrong columns.
    status = RemovePortfolioFile(ResolveInDirectory(destDir, DopFileName(newNumber)));
    if (status == kFileNotFound) status = kOk;
  }
  if (status != kOk) {
    (void)RemovePortfolioFile(ResolveInDirectory(destDir, destData));
    return status == kFileOpen ? kFileOpen : kFileWrite;
  }
  return kOk;
}

// A destination whose MASTER is full takes the series into its XMASTER, when it has one, as
// the next MWD number; without one it is full.
int AddToXmaster(const TransferredSeries& source, const std::string& destDir, bool move,
                 int* newFileNumber) {
  XmasterImage image;
  Status status = ReadXmasterImage(destDir, image);
  if (status == kFileNotFound) return kPortfolioFull;
  if (status != kOk) return status;
  // A symbol longer than XMASTER holds would arrive as another symbol.
  if (source.xmaster.empty()) return kBadRequest;
  XmasterImage updated;
  int number = 0;
  status = XmasterWithRecordAppended(image, destDir, source.xmaster, updated, number);
  if (status != kOk) return status;
  const std::string mwd = MwdFileName(number);
  status = PlaceDataFiles(source, destDir, mwd, number, move);
  if (status != kOk) return status;
  status = ReplaceXmaster(destDir, updated.bytes);
  if (status != kOk) {
    (void)RemovePortfolioFile(ResolveInDirectory(destDir, mwd));
    (void)RemovePortfolioFile(ResolveInDirectory(destDir, DopFileName(number)));
    return status;
  }
  if (newFileNumber != nullptr) *newFileNumber = number;
  return kSymbolAdded;
}

// The destination side of a move or copy, for a series of either index file.
int AddTransferred(const TransferredSeries& source, std::string_view searchText,
                   std::string_view destinationDir, bool move, int* newFileNumber) {
  const PortfolioLock lock({source.directory, destinationDir});
  if (lock.status() != kOk) return lock.status();
  FoundSymbol existing;
  Status status = FindSymbol(destinationDir, searchText, existing);
  if (status == kOk) return kSymbolExists;
  if (status != kFileNotFound) return status;
  bool inXmaster = false;
  status = XmasterListsSymbol(destinationDir, searchText, inXmaster);
  if (status != kOk || inXmaster) return status != kOk ? status : kSymbolExists;

  const std::string destDir(destinationDir);
  const std::string masterPath = MasterPathIn(destDir);
  MasterImage master;
  status = ReadMasterImage(masterPath, master);
  if (status != kOk) return status;
  const std::int16_t count = master.HeaderField(kHeaderRecordCount);
  const std::int16_t highest = master.HeaderField(kHeaderHighestFileNumber);
  const int number = LowestFreeFileNumber(UsedMasterNumbers(master));
  if (count >= kMaxSymbols || highest >= kMaxSymbols || number == 0)
    return AddToXmaster(source, destDir, move, newFileNumber);

  // The files stand at the destination before MASTER names them, so the destination never
  // lists a symbol without its data.
  status = PlaceDataFiles(source, destDir, DatFileName(number), number, move);
  if (status != kOk) return status;

  MasterBytes added = source.master.bytes;
  added[master_offset::kFileNumber] = static_cast<std::uint8_t>(number);
  const MasterImage updated{MasterWithRecordsAppended(master, {added})};
  status = ReplaceMasterKeepingEmaster(masterPath, master.bytes, updated.bytes, ".~NU", false,
                                       {source.emaster});
  if (status != kOk) {
    // No record names the placed files; take them away again.
    (void)RemovePortfolioFile(ResolveInDirectory(destDir, DatFileName(number)));
    (void)RemovePortfolioFile(ResolveInDirectory(destDir, DopFileName(number)));
    return status;
  }
  if (newFileNumber != nullptr) *newFileNumber = number;
  return kSymbolAdded;
}

}  // namespace

Status DeleteSymbol(std::string_view portfolioDir, std::string_view symbol) {
  if (symbol.empty()) return kBadRequest;
  const PortfolioLock lock({portfolioDir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("Delete Symbol " + std::string(symbol));
  const std::string masterPath = MasterPathIn(portfolioDir);
  MasterImage master;
  Status status = ReadMasterImage(masterPath, master);
  if (status != kOk) return status;
  std::vector<std::uint8_t> content;
  std::set<int> kept;
  const std::vector<int> removed = MasterWithoutRecords(
      master, [&](const std::uint8_t* record) { return SymbolText(record) == symbol; }, content,
      kept);
  if (removed.empty()) return kRecordNotFound;
  status = ReplaceMasterKeepingEmaster(masterPath, master.bytes, content, ".~NU", false);
  if (status != kOk) return status;
  return RemoveDataFiles(std::string(portfolioDir), removed, kept) ? kOk : kSymbolFilesLeft;
}

std::string AddSymbolExistsMessage(std::string_view searchText, std::string_view destinationDir) {
  return "The Symbol addition failed.\n\nReason: Symbol " + std::string(searchText) +
         " already exists in\n" + std::string(destinationDir);
}

int AddSymbolToPortfolio(const MasterRecord& record, std::string_view searchText,
                         std::string_view sourceDir, std::string_view destinationDir, bool move,
                         int* newFileNumber) {
  const PortfolioLock lock({sourceDir, destinationDir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording((move ? "Move Symbol " : "Copy Symbol ") +
                                  std::string(searchText));
  TransferredSeries source;
  const Status status = MasterSeriesToTransfer(record, sourceDir, source);
  if (status != kOk) return status;
  return AddTransferred(source, searchText, destinationDir, move, newFileNumber);
}

std::string SymbolSearchText(std::string_view symbol) {
  std::size_t begin = 0;
  std::size_t end = symbol.size();
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (begin < end && blank(symbol[begin])) ++begin;
  while (end > begin && blank(symbol[end - 1])) --end;
  // Letters as ASCII has them, whatever the locale (under tr_TR toupper('i') is no 'I').
  return UpperAscii(symbol.substr(begin, end - begin));
}

namespace {

// Move or copy of a series the source's XMASTER lists (the caller holds both folders).
int MoveOrCopyXmasterSeries(std::string_view sourceDir, std::string_view search,
                            std::string_view destinationDir, bool move) {
  XmasterSeries series;
  Status status = LocateXmasterSeries(sourceDir, search, series);
  if (status != kOk) return status;
  XmasterImage image;
  status = ReadXmasterImage(sourceDir, image);
  if (status != kOk) return status;
  const TransferredSeries source = XmasterSeriesToTransfer(image, series.index, sourceDir);
  const int result = AddTransferred(source, search, destinationDir, move, nullptr);
  if (result != kSymbolAdded || !move) return result;

  // As for a MASTER series: the destination's entries are made durable once more before
  // the source lets the series go.
  if (file_ops::SyncDirectory(std::string(destinationDir)) != kOk) return kSourceNotRemoved;
  if (ReadXmasterImage(sourceDir, image) != kOk) return kSourceNotRemoved;
  XmasterImage without;
  std::set<int> kept;
  const auto ofSeries = [&](const std::uint8_t* record) {
    return DecodeXmasterRecord(record).fileNumber == source.oldNumber;
  };
  if (XmasterWithout(image, ofSeries, without, kept).empty() ||
      ReplaceXmaster(sourceDir, without.bytes) != kOk)
    return kSourceNotRemoved;
  return RemoveMwdFiles(std::string(sourceDir), {source.oldNumber}, kept) ? kSymbolAdded
                                                                          : kSymbolFilesLeft;
}

}  // namespace

int MoveOrCopySymbol(std::string_view sourceDir, std::string_view symbol,
                     std::string_view destinationDir, bool move) {
  const std::string search = SymbolSearchText(symbol);
  if (search.empty()) return kBadRequest;
  PortfolioLock lock({sourceDir, destinationDir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording((move ? "Move Symbol " : "Copy Symbol ") + search);
  FoundSymbol found;
  CachedMasterSource masters;
  Status status = FindSymbolHeld(lock, masters, sourceDir, search, found);
  if (status == kFileNotFound)
    return MoveOrCopyXmasterSeries(sourceDir, search, destinationDir, move);
  if (status != kOk) return status;
  if (!InsidePortfolio(sourceDir, found.directory)) return kDamagedFile;

  const int result =
      AddSymbolToPortfolio(found.record, search, found.directory, destinationDir, move);
  if (result != kSymbolAdded || !move) return result;

  // The symbol stands complete at the destination; only now may the source let it go. A
  // folder sync the system refused there is not reported by the replace, so the destination's
  // entries are made durable once more before anything leaves the source: otherwise a power
  // cut could take the symbol from both portfolios.
  if (file_ops::SyncDirectory(std::string(destinationDir)) != kOk) return kSourceNotRemoved;
  const int oldNumber = found.record.FileNumber();
  const std::string masterPath = MasterPathIn(found.directory);
  MasterImage master;
  if (ReadMasterImage(masterPath, master) != kOk) return kSourceNotRemoved;
  std::vector<std::uint8_t> content;
  std::set<int> kept;
  const std::vector<int> removed = MasterWithoutRecords(
      master,
      [&](const std::uint8_t* record) { return record[master_offset::kFileNumber] == oldNumber; },
      content, kept);
  if (removed.empty()) return kSourceNotRemoved;
  if (ReplaceMasterKeepingEmaster(masterPath, master.bytes, content, ".~NU", false) != kOk)
    return kSourceNotRemoved;
  return RemoveDataFiles(found.directory, removed, kept) ? kSymbolAdded : kSymbolFilesLeft;
}

}  // namespace voltrim
