#include "datafiles/write/xmaster_write.h"

#include <algorithm>
#include <cstring>

#include "datafiles/io/change_journal.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/series_transfer.h"
#include "datafiles/write/symbol_files.h"

namespace voltrim {

namespace {

int FileNumberOf(const std::uint8_t* record) {
  return record[xmaster_offset::kFileNumber] | (record[xmaster_offset::kFileNumber + 1] << 8);
}

std::string SymbolOf(const std::uint8_t* record) { return DecodeXmasterRecord(record).symbol; }

}  // namespace

Status ReplaceXmaster(std::string_view portfolioDir, const std::vector<std::uint8_t>& content) {
  ReplaceNames names;
  names.directory = std::string(portfolioDir);
  names.target = "XMASTER";
  names.temporary = "XMASTER.NEW";
  names.backup = "XMASTER.BAK";
  return ReplaceFileContent(names, content);
}

Status SetXmasterDates(std::string_view portfolioDir, int fileNumber,
                       const std::vector<XmasterDateChange>& changes) {
  const PortfolioLock lock({portfolioDir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("Update XMASTER Dates");
  XmasterImage image;
  Status status = ReadXmasterImage(portfolioDir, image);
  if (status != kOk) return status;
  const std::vector<std::uint8_t> before = image.bytes;
  bool matched = false;
  for (int i = 0; i < image.RecordCount(); ++i) {
    std::uint8_t* record = image.Record(i);
    if (FileNumberOf(record) != fileNumber) continue;
    matched = true;
    for (const XmasterDateChange& change : changes) {
      const std::size_t offset = change.which == MasterDate::kFirst ? xmaster_offset::kFirstDate
                                                                    : xmaster_offset::kLastDate;
      PutXmasterDate(record, offset, XmasterDateOf(change.day));
    }
  }
  if (!matched) return kRecordNotFound;
  if (image.bytes == before) return kOk;
  return ReplaceXmaster(portfolioDir, image.bytes);
}

Status RenameXmasterRecord(std::string_view portfolioDir, int index, std::string_view symbol,
                           std::string_view name) {
  if (symbol.size() > kXmasterSymbolChars || name.size() > kXmasterNameChars ||
      symbol.find('\0') != std::string_view::npos || name.find('\0') != std::string_view::npos)
    return kBadRequest;
  const PortfolioLock lock({portfolioDir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("Edit Symbol " + std::string(symbol));
  XmasterImage image;
  const Status status = ReadXmasterImage(portfolioDir, image);
  if (status != kOk) return status;
  if (index < 0 || index >= image.RecordCount()) return kRecordNotFound;
  PutXmasterSymbol(image.Record(index), symbol);
  PutXmasterName(image.Record(index), name);
  return ReplaceXmaster(portfolioDir, image.bytes);
}

Status DeleteXmasterSymbol(std::string_view portfolioDir, std::string_view symbol) {
  if (symbol.empty()) return kBadRequest;
  const PortfolioLock lock({portfolioDir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("Delete Symbol " + std::string(symbol));
  XmasterImage image;
  Status status = ReadXmasterImage(portfolioDir, image);
  if (status != kOk) return status;
  XmasterImage result;
  std::set<int> kept;
  const std::vector<int> removed = XmasterWithout(
      image, [&](const std::uint8_t* record) { return SymbolOf(record) == symbol; }, result, kept);
  if (removed.empty()) return kRecordNotFound;
  status = ReplaceXmaster(portfolioDir, result.bytes);
  if (status != kOk) return status;
  return RemoveMwdFiles(std::string(portfolioDir), removed, kept) ? kOk : kSymbolFilesLeft;
}

Status XmasterWithRecordAppended(const XmasterImage& image, std::string_view portfolioDir,
                                 std::vector<std::uint8_t> record, XmasterImage& out,
                                 int& fileNumber) {
  if (record.size() != kXmasterRecordSize) return kBadRequest;
  int highest = kFirstXmasterFileNumber - 1;
  for (int i = 0; i < image.RecordCount(); ++i)
    highest = std::max(highest, FileNumberOf(image.Record(i)));
  int number = std::max(image.HeaderField(xmaster_offset::kNextFileNumber), highest + 1);
  // A data file no record names may still be someone's: it is never written over.
  while (number <= kLastXmasterFileNumber &&
         file_ops::NameExists(ResolveInDirectory(portfolioDir, MwdFileName(number))))
    ++number;
  if (number > kLastXmasterFileNumber) return kBadRequest;
  PutXmasterFileNumber(record.data(), number);
  out.bytes = image.bytes;
  out.bytes.insert(out.bytes.end(), record.begin(), record.end());
  out.SetHeaderField(xmaster_offset::kRecordCount, image.RecordCount() + 1);
  out.SetHeaderField(xmaster_offset::kRecordCountAgain, image.RecordCount() + 1);
  // The next number to hand out, as the header keeps it: one above the highest in use.
  out.SetHeaderField(xmaster_offset::kNextFileNumber, std::min(number + 1, kLastXmasterFileNumber));
  fileNumber = number;
  return kOk;
}

std::vector<int> XmasterWithout(const XmasterImage& image,
                                const std::function<bool(const std::uint8_t*)>& drop,
                                XmasterImage& out, std::set<int>& kept) {
  std::vector<int> removed;
  out.bytes.assign(image.bytes.begin(), image.bytes.begin() + kXmasterRecordSize);
  for (int i = 0; i < image.RecordCount(); ++i) {
    const std::uint8_t* record = image.Record(i);
    if (drop(record)) {
      removed.push_back(FileNumberOf(record));
    } else {
      kept.insert(FileNumberOf(record));
      out.bytes.insert(out.bytes.end(), record, record + kXmasterRecordSize);
    }
  }
  const int left = image.RecordCount() - static_cast<int>(removed.size());
  out.SetHeaderField(xmaster_offset::kRecordCount, left);
  out.SetHeaderField(xmaster_offset::kRecordCountAgain, left);
  return removed;
}

bool RemoveMwdFiles(const std::string& directory, const std::vector<int>& numbers,
                    const std::set<int>& kept) {
  const bool allGone = RemoveSeriesFiles(directory, numbers, kept, true);
  (void)file_ops::SyncDirectory(directory);
  return allGone;
}

}  // namespace voltrim
