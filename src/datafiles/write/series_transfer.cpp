#include "datafiles/write/series_transfer.h"

#include <algorithm>

#include "datafiles/format/emaster.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/portfolio_files.h"

namespace voltrim {

namespace {

void Append(std::vector<std::uint8_t>& out, const std::uint8_t* data, std::size_t size) {
  out.insert(out.end(), data, data + size);
}

// What is stored after the counted records.
void AppendTail(const MasterImage& master, std::vector<std::uint8_t>& out) {
  const std::size_t end = MasterImage::Offset(master.RecordCount());
  Append(out, master.bytes.data() + end, master.bytes.size() - end);
}

std::int16_t Lowered(std::int16_t value, std::size_t by) {
  const int lowered = value - static_cast<int>(by);
  return static_cast<std::int16_t>(std::max(lowered, 0));
}

}  // namespace

Status MasterSeriesToTransfer(const MasterRecord& record, std::string_view sourceDir,
                              TransferredSeries& out) {
  out.master = record;
  out.directory = std::string(sourceDir);
  out.oldNumber = record.FileNumber();
  out.dataFile = DatFileName(out.oldNumber);
  out.index = IndexFile::kMaster;
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

TransferredSeries XmasterSeriesToTransfer(const XmasterImage& image, int index,
                                          std::string_view sourceDir) {
  const std::uint8_t* record = image.Record(index);
  const XmasterRecord decoded = DecodeXmasterRecord(record);
  TransferredSeries out;
  out.master = MasterRecordFor(decoded);
  out.emaster = EmasterRecordFor(out.master.bytes.data());
  const std::string& name = decoded.name;
  std::fill_n(out.emaster.begin() + emaster_offset::kLongName, kEmasterLongNameSize, 0);
  std::copy_n(name.begin(), std::min(name.size(), kEmasterLongNameSize - 1),
              out.emaster.begin() + emaster_offset::kLongName);
  out.xmaster.assign(record, record + kXmasterRecordSize);
  out.directory = WithTrailingSeparator(sourceDir);
  out.oldNumber = decoded.fileNumber;
  out.dataFile = MwdFileName(out.oldNumber);
  out.index = IndexFile::kXmaster;
  return out;
}

std::vector<int> MasterWithoutRecords(const MasterImage& master,
                                      const std::function<bool(const std::uint8_t*)>& drop,
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
  AppendTail(master, out);
  MasterImage result{out};
  result.SetHeaderField(
      kHeaderRecordCount,
      static_cast<std::int16_t>(master.RecordCount() - static_cast<int>(removed.size())));
  result.SetHeaderField(kHeaderHighestFileNumber,
                        Lowered(master.HeaderField(kHeaderHighestFileNumber), removed.size()));
  out = std::move(result.bytes);
  return removed;
}

std::vector<std::uint8_t> MasterWithRecordsAppended(const MasterImage& master,
                                                    const std::vector<MasterBytes>& records) {
  std::vector<std::uint8_t> content(
      master.bytes.begin(), master.bytes.begin() + static_cast<std::ptrdiff_t>(
                                                       MasterImage::Offset(master.RecordCount())));
  for (const MasterBytes& record : records) Append(content, record.data(), record.size());
  AppendTail(master, content);
  MasterImage updated{std::move(content)};
  const auto added = static_cast<int>(records.size());
  updated.SetHeaderField(kHeaderRecordCount,
                         static_cast<std::int16_t>(master.RecordCount() + added));
  updated.SetHeaderField(
      kHeaderHighestFileNumber,
      static_cast<std::int16_t>(master.HeaderField(kHeaderHighestFileNumber) + added));
  return std::move(updated.bytes);
}

std::array<bool, 256> UsedMasterNumbers(const MasterImage& master) {
  std::array<bool, 256> used{};
  used[0] = true;
  const std::size_t whole = master.bytes.size() / kMasterRecordSize;
  for (std::size_t i = 1; i < whole; ++i) used[master.bytes[i * kMasterRecordSize]] = true;
  return used;
}

int LowestFreeFileNumber(const std::array<bool, 256>& used) {
  for (int n = 1; n <= kMaxSymbols; ++n) {
    if (!used[static_cast<std::size_t>(n)]) return n;
  }
  return 0;
}

bool RemoveSeriesFiles(const std::string& directory, const std::vector<int>& numbers,
                       const std::set<int>& kept, bool mwd) {
  bool allGone = true;
  for (const int n : std::set<int>(numbers.begin(), numbers.end())) {
    if (kept.count(n) != 0) continue;
    for (const std::string& name :
         {mwd ? MwdFileName(n) : DatFileName(n), DopFileName(n), BakFileName(n)}) {
      const Status removed = RemovePortfolioFile(ResolveInDirectory(directory, name));
      if (removed != kOk && removed != kFileNotFound) allGone = false;
    }
  }
  return allGone;
}

}  // namespace voltrim
