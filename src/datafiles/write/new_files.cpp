#include "datafiles/write/new_files.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "datafiles/format/ascii_case.h"
#include "datafiles/format/emaster.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/master_replace.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/xmaster_write.h"

namespace voltrim {

namespace {

// Real MASTER records carry 0x65 0x00 in bytes 1-2 (a file type no reader of ours
// interprets); a new record looks like theirs.
constexpr std::uint8_t kFileTypeByte = 0x65;
// A data file this short holds no quote of any record length.
constexpr std::size_t kLongestEmptyDat = 4 * kMaxFieldCount;

std::string WithoutTrailingSeparators(std::string_view directory) {
  std::string dir(directory);
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

// Creates the folder and any missing parents, each one made durable in its parent.
Status MakeFolders(const std::string& directory) {
  std::vector<std::string> missing;
  for (std::filesystem::path at(directory); !at.empty(); at = at.parent_path()) {
    if (file_ops::Exists(at.string())) break;
    missing.push_back(at.string());
    if (at == at.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    // Another writer may make the same folder at the same moment; that is as good.
    if (file_ops::MakeFolder(*it) != kOk && !file_ops::IsFolder(*it)) return kFileWrite;
    const std::string parent = std::filesystem::path(*it).parent_path().string();
    // The folder stands whatever this says; a failed sync is no failure of the command.
    (void)file_ops::SyncDirectory(parent.empty() ? "." : parent);
  }
  return kOk;
}

// An EMASTER as an interrupted creation leaves it: its header alone, counting nothing.
bool IsLeftEmptyEmaster(const std::string& path) {
  EmasterImage emaster;
  return ReadEmasterImage(path, emaster) == kOk && emaster.bytes.size() == kEmasterRecordSize &&
         emaster.HeaderField(kHeaderRecordCount) == 0;
}

Status CheckFolderIsFree(const std::string& directory) {
  Status status = kOk;
  file_ops::ForEachName(directory, [&](std::string_view name) {
    const std::string upper = UpperAscii(name);
    if (upper == "MASTER") {
      status = kPortfolioThere;
      return false;
    }
    if (name == kLockFileName || IsWriterTemporaryName(name)) return true;
    if (upper == "EMASTER" &&
        IsLeftEmptyEmaster(WithTrailingSeparator(directory) + std::string(name)))
      return true;
    status = kFolderNotEmpty;
    return true;  // a MASTER further on says more
  });
  return status;
}

Status PutNewFile(const std::string& directory, const std::string& target,
                  const std::string& temporary, const std::vector<std::uint8_t>& content) {
  ReplaceNames names;
  names.directory = directory;
  names.target = target;
  names.temporary = temporary;
  return ReplaceFileContent(names, content);
}

void PutInt16(std::uint8_t* at, int value) {
  const auto bits = static_cast<std::uint16_t>(value);
  at[0] = static_cast<std::uint8_t>(bits & 0xFFu);
  at[1] = static_cast<std::uint8_t>(bits >> 8);
}

// Lowest number no record of MASTER uses (records past the count too, as their files may be
// on disk) whose data file holds no quote; 0 when there is none.
int FreeFileNumber(const MasterImage& master, const std::string& directory) {
  std::array<bool, 256> used{};
  used[0] = true;
  const std::size_t whole = master.bytes.size() / kMasterRecordSize;
  for (std::size_t i = 1; i < whole; ++i) used[master.bytes[i * kMasterRecordSize]] = true;
  for (int n = 1; n <= kMaxSymbols; ++n) {
    if (used[static_cast<std::size_t>(n)]) continue;
    const std::string dat = ResolveInDirectory(directory, DatFileName(n));
    if (!file_ops::NameExists(dat)) return n;
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(dat, bytes, kLongestEmptyDat) != kOk) continue;
    const bool empty =
        bytes.size() < 4 || static_cast<std::int16_t>(bytes[2] | (bytes[3] << 8)) <= 1;
    if (empty) return n;
  }
  return 0;
}

bool ValidNewSeries(const NewSeries& series) {
  return !series.symbol.empty() && series.symbol.size() <= kSymbolFieldSize &&
         series.name.size() <= kNameFieldSize &&
         !NewSeriesFields(series.columns, series.intraday).empty();
}

// A full MASTER's folder with an XMASTER takes the new series there, as the next MWD
// number, by the rule a copy or move follows; without one the portfolio is full.
int CreateXmasterSeries(const std::string& dir, const NewSeries& series, int* fileNumber) {
  XmasterImage image;
  Status status = ReadXmasterImage(dir, image);
  if (status == kFileNotFound) return kPortfolioFull;
  if (status != kOk) return status;
  if (series.symbol.size() > kXmasterSymbolChars) return kBadRequest;
  MasterRecord master;
  master.bytes = NewSeriesRecord(series, 0);
  const std::vector<Field> fields = NewSeriesFields(series.columns, series.intraday);
  XmasterImage updated;
  int number = 0;
  status = XmasterWithRecordAppended(
      image, dir, XmasterRecordFor(master, NewSeriesLayout(fields), series.name), updated, number);
  if (status != kOk) return status;
  // Its files stand before XMASTER names them, as for a series of MASTER's.
  std::vector<std::uint8_t> header(4 * fields.size(), 0);
  PutInt16(header.data() + 2, 1);
  status = PutNewFile(dir, MwdFileName(number), NewFileName(number), header);
  if (status != kOk) return status;
  const std::string dop = NewSeriesDopText(fields);
  status = PutNewFile(dir, DopFileName(number), NewFileName(number),
                      std::vector<std::uint8_t>(dop.begin(), dop.end()));
  if (status == kOk) status = ReplaceXmaster(dir, updated.bytes);
  if (status != kOk) {
    (void)RemovePortfolioFile(ResolveInDirectory(dir, MwdFileName(number)));
    (void)RemovePortfolioFile(ResolveInDirectory(dir, DopFileName(number)));
    return status;
  }
  if (fileNumber != nullptr) *fileNumber = number;
  return kSymbolAdded;
}

}  // namespace

ColumnLayout NewSeriesLayout(const std::vector<Field>& fields) {
  ColumnLayout layout;
  for (std::size_t i = 0; i < fields.size(); ++i)
    layout[fields[i]].position = static_cast<std::int16_t>(i + 1);
  return layout;
}

std::vector<std::uint8_t> EmptyMasterBytes() {
  return std::vector<std::uint8_t>(kMasterRecordSize, 0);
}

std::vector<std::uint8_t> EmptyEmasterBytes() {
  return std::vector<std::uint8_t>(kEmasterRecordSize, 0);
}

Status CreatePortfolio(std::string_view directory) {
  const std::string dir = WithoutTrailingSeparators(directory);
  if (dir.empty()) return kBadRequest;
  if (file_ops::Exists(dir) && !file_ops::IsFolder(dir)) return kNotAFolder;
  Status status = MakeFolders(dir);
  if (status != kOk) return status;
  const PortfolioLock lock({dir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("New Portfolio");
  status = CheckFolderIsFree(dir);
  if (status != kOk) return status;
  status = PutNewFile(dir, "EMASTER", "EMASTER.NEW", EmptyEmasterBytes());
  if (status != kOk) return status;
  return PutNewFile(dir, "MASTER", "MASTER.NEW", EmptyMasterBytes());
}

std::vector<Field> NewSeriesFields(int columns, bool intraday) {
  std::vector<Field> fields = {Field::Date};
  if (intraday) fields.push_back(Field::Time);
  switch (columns) {
    case 5:
      fields.insert(fields.end(), {Field::High, Field::Low, Field::Close, Field::Vol});
      break;
    case 6:
      fields.insert(fields.end(), {Field::Open, Field::High, Field::Low, Field::Close, Field::Vol});
      break;
    case 7:
      fields.insert(fields.end(),
                    {Field::Open, Field::High, Field::Low, Field::Close, Field::Vol, Field::Oi});
      break;
    default:
      return {};
  }
  return fields;
}

std::string NewSeriesDopText(const std::vector<Field>& fields) {
  static constexpr const char* kNames[kFieldKindCount] = {"DATE", "TIME",  "OPEN", "HIGH",
                                                          "LOW",  "CLOSE", "VOL",  "OI"};
  std::string text;
  for (const Field field : fields) {
    const bool price = field == Field::Open || field == Field::High || field == Field::Low ||
                       field == Field::Close;
    const int code = price ? 2 : 0;
    char line[32];
    std::snprintf(line, sizeof line, "\"%s\",%d,%d\r\n", kNames[static_cast<int>(field)], code,
                  code);
    text += line;
  }
  return text;
}

MasterBytes NewSeriesRecord(const NewSeries& series, int fileNumber) {
  const std::vector<Field> fields = NewSeriesFields(series.columns, series.intraday);
  MasterRecord record;
  record.SetFileNumber(fileNumber);
  record.bytes[1] = kFileTypeByte;
  record.bytes[master_offset::kRecordLength] = static_cast<std::uint8_t>(4 * fields.size());
  record.bytes[master_offset::kFieldCount] = static_cast<std::uint8_t>(fields.size());
  record.SetNameField(series.name);
  record.bytes[master_offset::kPeriodicity] = series.intraday ? 'I' : 'D';
  record.SetSymbolField(series.symbol);
  return record.bytes;
}

int CreateSeries(std::string_view portfolioDir, const NewSeries& series, int* fileNumber) {
  if (!ValidNewSeries(series)) return kBadRequest;
  const std::string dir = WithoutTrailingSeparators(portfolioDir);
  const PortfolioLock lock({dir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("New Symbol " + series.symbol);
  FoundSymbol existing;
  Status status = FindSymbol(dir, series.symbol, existing);
  if (status == kOk) return kSymbolExists;
  const std::string masterPath = MasterPathIn(dir);
  MasterImage master;
  const Status read = ReadMasterImage(masterPath, master);
  if (read != kOk) return read;
  if (status != kFileNotFound) return status;
  bool inXmaster = false;
  status = XmasterListsSymbol(dir, series.symbol, inXmaster);
  if (status != kOk) return status;
  if (inXmaster) return kSymbolExists;

  const std::int16_t count = master.HeaderField(kHeaderRecordCount);
  const std::int16_t highest = master.HeaderField(kHeaderHighestFileNumber);
  const int number =
      count >= kMaxSymbols || highest >= kMaxSymbols ? 0 : FreeFileNumber(master, dir);
  if (number == 0) return CreateXmasterSeries(dir, series, fileNumber);

  // The data files stand before MASTER names them: MASTER never lists a series whose
  // files are missing, and files a crash leaves unnamed hold no quote and are used again.
  const std::vector<Field> fields = NewSeriesFields(series.columns, series.intraday);
  std::vector<std::uint8_t> header(4 * fields.size(), 0);
  PutInt16(header.data() + 2, 1);
  status = PutNewFile(dir, DatFileName(number), NewFileName(number), header);
  if (status != kOk) return status;
  const std::string dop = NewSeriesDopText(fields);
  status = PutNewFile(dir, DopFileName(number), NewFileName(number),
                      std::vector<std::uint8_t>(dop.begin(), dop.end()));
  const auto takeBack = [&] {
    (void)RemovePortfolioFile(ResolveInDirectory(dir, DatFileName(number)));
    (void)RemovePortfolioFile(ResolveInDirectory(dir, DopFileName(number)));
  };
  if (status != kOk) {
    takeBack();
    return status;
  }

  const std::size_t end = MasterImage::Offset(master.RecordCount());
  std::vector<std::uint8_t> content(master.bytes.begin(),
                                    master.bytes.begin() + static_cast<std::ptrdiff_t>(end));
  const MasterBytes record = NewSeriesRecord(series, number);
  content.insert(content.end(), record.begin(), record.end());
  content.insert(content.end(), master.bytes.begin() + static_cast<std::ptrdiff_t>(end),
                 master.bytes.end());
  MasterImage updated{std::move(content)};
  updated.SetHeaderField(kHeaderRecordCount, static_cast<std::int16_t>(master.RecordCount() + 1));
  updated.SetHeaderField(kHeaderHighestFileNumber, static_cast<std::int16_t>(highest + 1));
  status = ReplaceMasterKeepingEmaster(masterPath, master.bytes, updated.bytes, ".~NU", false);
  if (status != kOk) {
    takeBack();
    return status;
  }
  if (fileNumber != nullptr) *fileNumber = number;
  return kSymbolAdded;
}

}  // namespace voltrim
