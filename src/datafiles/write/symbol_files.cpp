#include "datafiles/write/symbol_files.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <set>
#include <vector>

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
#include "datafiles/write/xmaster_write.h"

namespace voltrim {

namespace {

std::vector<std::uint8_t> TrailingBytes(const MasterImage& master) {
  const std::size_t end = MasterImage::Offset(master.RecordCount());
  return {master.bytes.begin() + static_cast<std::ptrdiff_t>(end), master.bytes.end()};
}

void Append(std::vector<std::uint8_t>& out, const std::uint8_t* data, std::size_t size) {
  out.insert(out.end(), data, data + size);
}

std::int16_t Lowered(std::int16_t value, std::size_t by) {
  const int lowered = value - static_cast<int>(by);
  return static_cast<std::int16_t>(std::max(lowered, 0));
}

// MASTER without the records `drop` selects; the header counts the records written and
// its highest file number drops by the number removed, as the two are kept in step.
template <typename Drop>
std::vector<int> WithoutRecords(const MasterImage& master, Drop drop,
                                std::vector<std::uint8_t>& out, std::set<int>& kept) {
  std::vector<int> removed;
  out.assign(master.bytes.begin(), master.bytes.begin() + kMasterRecordSize);
  for (int i = 0; i < master.RecordCount(); ++i) {
    const std::uint8_t* record = master.Record(i);
    if (drop(record)) {
      removed.push_back(record[master_offset::kFileNumber]);
    } else {
      kept.insert(record[master_offset::kFileNumber]);
      Append(out, record, kMasterRecordSize);
    }
  }
  const std::vector<std::uint8_t> tail = TrailingBytes(master);
  Append(out, tail.data(), tail.size());
  MasterImage result{out};
  result.SetHeaderField(
      kHeaderRecordCount,
      static_cast<std::int16_t>(master.RecordCount() - static_cast<int>(removed.size())));
  result.SetHeaderField(kHeaderHighestFileNumber,
                        Lowered(master.HeaderField(kHeaderHighestFileNumber), removed.size()));
  out = std::move(result.bytes);
  return removed;
}

// Removes F<n>.DAT, .DOP and .BAK of file numbers no remaining record uses. False when a
// file is still there afterwards.
bool RemoveDataFiles(const std::string& directory, const std::vector<int>& numbers,
                     const std::set<int>& kept) {
  bool allGone = true;
  for (const int n : std::set<int>(numbers.begin(), numbers.end())) {
    if (kept.count(n) != 0) continue;
    for (const std::string& name : {DatFileName(n), DopFileName(n), BakFileName(n)}) {
      const Status removed = RemovePortfolioFile(ResolveInDirectory(directory, name));
      if (removed != kOk && removed != kFileNotFound) allGone = false;
    }
  }
  (void)file_ops::SyncDirectory(directory);
  return allGone;
}

// Lowest file number no record of the destination uses (records beyond the count too,
// since their files may be on disk); 0 when none is free.
int LowestFreeFileNumber(const MasterImage& master) {
  std::array<bool, 256> used{};
  used[0] = true;
  const std::size_t whole = master.bytes.size() / kMasterRecordSize;
  for (std::size_t i = 1; i < whole; ++i) used[master.bytes[i * kMasterRecordSize]] = true;
  for (int n = 1; n <= kMaxSymbols; ++n) {
    if (!used[static_cast<std::size_t>(n)]) return n;
  }
  return 0;
}

// The series a move or copy takes, whichever index file lists it: what the destination's
// MASTER, EMASTER or XMASTER gets for it, and where its files are.
struct TransferredSeries {
  MasterRecord master;                // every byte but the file number goes to MASTER
  std::vector<std::uint8_t> emaster;  // EMASTER's record of it; empty: made from MASTER's
  std::vector<std::uint8_t> xmaster;  // XMASTER's record of it; empty: it cannot go there
  std::string directory;              // the folder of its files
  std::string dataFile;               // F<old>.DAT or F<old>.MWD
  int oldNumber = 0;
};

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
  const int number = LowestFreeFileNumber(master);
  if (count >= kMaxSymbols || highest >= kMaxSymbols || number == 0)
    return AddToXmaster(source, destDir, move, newFileNumber);

  // The files stand at the destination before MASTER names them, so the destination never
  // lists a symbol without its data.
  status = PlaceDataFiles(source, destDir, DatFileName(number), number, move);
  if (status != kOk) return status;

  std::vector<std::uint8_t> content(
      master.bytes.begin(), master.bytes.begin() + static_cast<std::ptrdiff_t>(
                                                       MasterImage::Offset(master.RecordCount())));
  MasterRecord added = source.master;
  added.bytes[master_offset::kFileNumber] = static_cast<std::uint8_t>(number);
  Append(content, added.bytes.data(), added.bytes.size());
  const std::vector<std::uint8_t> tail = TrailingBytes(master);
  Append(content, tail.data(), tail.size());
  MasterImage updated{std::move(content)};
  updated.SetHeaderField(kHeaderRecordCount, static_cast<std::int16_t>(master.RecordCount() + 1));
  updated.SetHeaderField(kHeaderHighestFileNumber, static_cast<std::int16_t>(highest + 1));

  status = ReplaceMasterKeepingEmaster(masterPath, master.bytes, updated.bytes, ".~NU", false,
                                       source.emaster);
  if (status != kOk) {
    // No record names the placed files; take them away again.
    (void)RemovePortfolioFile(ResolveInDirectory(destDir, DatFileName(number)));
    (void)RemovePortfolioFile(ResolveInDirectory(destDir, DopFileName(number)));
    return status;
  }
  if (newFileNumber != nullptr) *newFileNumber = number;
  return kSymbolAdded;
}

// A MASTER series as a move or copy takes it: its EMASTER record (keeping its long name at
// the destination) and the XMASTER record a full destination would give it.
Status MasterSeriesToTransfer(const MasterRecord& record, std::string_view sourceDir,
                              TransferredSeries& out) {
  out.master = record;
  out.directory = std::string(sourceDir);
  out.oldNumber = record.FileNumber();
  out.dataFile = DatFileName(out.oldNumber);
  const Status status = EmasterRecordOf(sourceDir, record, out.emaster);
  if (status != kOk) return status;
  if (SymbolText(record.bytes.data()).size() > kXmasterSymbolChars) return kOk;
  SeriesLocation location;
  location.found.record = record;
  location.found.directory = WithTrailingSeparator(sourceDir);
  // Without a layout the field count still gives XMASTER's mask its bits.
  if (CompleteSeriesLocation(location) != kOk) location.layout = ColumnLayout{};
  const std::string longName =
      out.emaster.empty() ? std::string() : DecodeEmasterRecord(out.emaster.data()).longName;
  out.xmaster = XmasterRecordFor(record, location.layout,
                                 std::string_view(longName).substr(0, kXmasterNameChars));
  return kOk;
}

// An XMASTER series as a move or copy takes it: its own XMASTER record, and the MASTER and
// EMASTER records a destination with room gives it (the long name kept in EMASTER's).
TransferredSeries XmasterSeriesToTransfer(const XmasterImage& image, const XmasterSeries& series,
                                          std::string_view sourceDir) {
  TransferredSeries out;
  out.master = MasterRecordFor(series.record);
  out.emaster = EmasterRecordFor(out.master.bytes.data());
  const std::string& name = series.record.name;
  std::fill_n(out.emaster.begin() + emaster_offset::kLongName, kEmasterLongNameSize, 0);
  std::copy_n(name.begin(), std::min(name.size(), kEmasterLongNameSize - 1),
              out.emaster.begin() + emaster_offset::kLongName);
  const std::uint8_t* record = image.Record(series.index);
  out.xmaster.assign(record, record + kXmasterRecordSize);
  out.directory = WithTrailingSeparator(sourceDir);
  out.oldNumber = series.record.fileNumber;
  out.dataFile = MwdFileName(out.oldNumber);
  return out;
}

// Looks the symbol up with its folder held (one reached through a subdirectory entry is
// taken after the first ones, and looked up again once held).
Status FindSymbolHeld(PortfolioLock& lock, std::string_view sourceDir, std::string_view search,
                      FoundSymbol& found) {
  Status status = FindSymbol(sourceDir, search, found);
  if (status != kOk || lock.Covers(found.directory)) return status;
  status = lock.Add(found.directory);
  if (status == kOk) status = FindSymbol(sourceDir, search, found);
  if (status == kOk && !lock.Covers(found.directory)) status = kPortfolioBusy;
  return status;
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
  const std::vector<int> removed = WithoutRecords(
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
  std::string text(symbol.substr(begin, end - begin));
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
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
  const TransferredSeries source = XmasterSeriesToTransfer(image, series, sourceDir);
  const int result = AddTransferred(source, search, destinationDir, move, nullptr);
  if (result != kSymbolAdded || !move) return result;

  // As for a MASTER series: the destination's entries are made durable once more before
  // the source lets the series go.
  if (file_ops::SyncDirectory(std::string(destinationDir)) != kOk) return kSourceNotRemoved;
  if (ReadXmasterImage(sourceDir, image) != kOk) return kSourceNotRemoved;
  XmasterImage without;
  std::set<int> kept;
  if (XmasterWithoutFileNumber(image, source.oldNumber, without, kept) == 0 ||
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
  Status status = FindSymbolHeld(lock, sourceDir, search, found);
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
  const std::vector<int> removed = WithoutRecords(
      master,
      [&](const std::uint8_t* record) { return record[master_offset::kFileNumber] == oldNumber; },
      content, kept);
  if (removed.empty()) return kSourceNotRemoved;
  if (ReplaceMasterKeepingEmaster(masterPath, master.bytes, content, ".~NU", false) != kOk)
    return kSourceNotRemoved;
  return RemoveDataFiles(found.directory, removed, kept) ? kSymbolAdded : kSymbolFilesLeft;
}

}  // namespace voltrim
