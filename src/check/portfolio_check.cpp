#include "check/portfolio_check.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "check/series_check.h"
#include "datafiles/format/master.h"
#include "datafiles/format/series.h"
#include "datafiles/io/portfolio_files.h"
#include "export/portfolio_series.h"

namespace voltrim {

namespace {

namespace fs = std::filesystem;

std::uintmax_t SizeOf(const std::string& path) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  return ec ? 0 : size;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// The number n of a name F<n> + extension (".DAT", ".MWD") in any letter case, or 0.
int DataFileNumber(const std::string& name, const char* extension) {
  const std::string upper = Upper(name);
  if (upper.size() < 6 || upper[0] != 'F' || upper.substr(upper.size() - 4) != extension) return 0;
  const std::string digits = upper.substr(1, upper.size() - 5);
  if (digits.empty() || digits.size() > 5 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  return std::stoi(digits);
}

class PortfolioChecker {
 public:
  PortfolioChecker(std::string_view dir, CheckReport& report) : dir_(dir), report_(report) {}

  Status Run() {
    const std::string masterPath = ResolveInDirectory(dir_, "MASTER");
    MasterFile master;
    const Status status = ReadMasterFile(masterPath, master);
    if (status != kOk) return status;
    CheckRecordCount(master, SizeOf(masterPath));
    std::vector<ListedSeries> listed;
    ListPortfolioSeries(dir_, listed);
    for (const ListedSeries& entry : listed) CheckRecord(entry);
    CheckUnlistedFiles();
    return kOk;
  }

 private:
  void Add(Finding finding) { report_.findings.push_back(std::move(finding)); }

  Finding About(const ListedSeries& entry, const std::string& file) const {
    Finding finding;
    finding.symbol = entry.symbolText;
    finding.file = file;
    finding.recordIndex = entry.recordIndex;
    return finding;
  }

  void Add(const ListedSeries& entry, const std::string& file, FindingKind kind,
           std::string detail) {
    Finding finding = About(entry, file);
    finding.kind = kind;
    finding.detail = std::move(detail);
    Add(std::move(finding));
  }

  void CheckRecordCount(const MasterFile& master, std::uintmax_t size) {
    const long long counted = master.header.RecordCount();
    const auto records = static_cast<long long>(size / kMasterRecordSize);
    const long long held = records > 0 ? records - 1 : 0;
    const std::uintmax_t stray = size % kMasterRecordSize;
    if (counted == held && stray == 0 && counted <= kMaxSymbols) return;
    std::string detail = "the header counts " + std::to_string(counted) +
                         " records, the file holds " + std::to_string(held);
    if (stray != 0) detail += " and " + std::to_string(stray) + " bytes more";
    if (counted > kMaxSymbols) detail += "; only 255 are read";
    Finding finding;
    finding.file = "MASTER";
    finding.kind = FindingKind::MasterCount;
    finding.detail = std::move(detail);
    Add(std::move(finding));
  }

  void CheckRecord(const ListedSeries& entry) {
    const MasterRecord& record = entry.record;
    const bool extended = entry.index == IndexFile::kXmaster;
    const int number = entry.FileNumber();
    const std::string datName = entry.DataFileName();
    (extended ? listedMwdNumbers_ : listedNumbers_).insert(number);
    if (!extended && SymbolCellTextEmpty(record)) {
      Add(entry, "MASTER", FindingKind::EmptySymbol,
          "the symbol is empty; the name stands in until the MASTER is repaired");
    }
    CheckDuplicates(entry, datName);
    const bool numberFits =
        extended ? number >= kFirstXmasterFileNumber : number >= 1 && number <= kMaxSymbols;
    if (!numberFits || record.FieldCount() < 1 || record.FieldCount() > kMaxFieldCount ||
        record.RecordLength() != 4 * record.FieldCount()) {
      Add(entry, datName, FindingKind::BadRecord,
          "file number " + std::to_string(number) + ", record length " +
              std::to_string(record.RecordLength()) + ", " + std::to_string(record.FieldCount()) +
              " fields");
      return;
    }
    const std::string datPath = ResolveInDirectory(dir_, datName);
    std::error_code ec;
    const fs::file_status status = fs::status(datPath, ec);
    if (!fs::exists(status)) {
      Add(entry, datName, FindingKind::MissingFile, "the data file is not there");
      return;
    }
    if (!fs::is_regular_file(status)) {
      Add(entry, datName, FindingKind::NotRegularFile, "the data file is not a regular file");
      return;
    }
    if (!CheckDop(entry, number)) return;
    SeriesLocation location;
    const Status located = LocateListedSeries(dir_, entry, location);
    if (located != kOk) {
      Add(entry, datName, FindingKind::BadRecord, "no column layout fits the record");
      return;
    }
    CheckQuotes(entry, location, datName);
  }

  static bool SymbolCellTextEmpty(const MasterRecord& record) {
    const std::uint8_t first = record.bytes[master_offset::kSymbol];
    return first < 0x21 || first > 0x7F;
  }

  void CheckDuplicates(const ListedSeries& entry, const std::string& datName) {
    const int number = entry.FileNumber();
    // DAT and MWD numbers name different files.
    const auto [file, newFile] = byFileNumber_.emplace(
        entry.index == IndexFile::kXmaster ? -number : number, entry.symbolText);
    if (!newFile) {
      Add(entry, datName, FindingKind::DuplicateFileNumber,
          datName + " is also the data file of " + file->second);
    }
    const auto [symbol, newSymbol] = bySymbol_.emplace(Upper(entry.symbolText), entry.recordIndex);
    if (!newSymbol) {
      Add(entry, entry.index == IndexFile::kXmaster ? "XMASTER" : "MASTER",
          FindingKind::DuplicateSymbol,
          "record " + std::to_string(symbol->second + 1) + " shows the same symbol");
    }
  }

  // False when the column file is there and cannot be read: the quotes are not trusted then.
  bool CheckDop(const ListedSeries& entry, int number) {
    const std::string dopName = DopFileName(number);
    const std::string dopPath = ResolveInDirectory(dir_, dopName);
    std::error_code ec;
    const fs::file_status status = fs::status(dopPath, ec);
    if (!fs::exists(status)) return true;
    std::ifstream in(dopPath, std::ios::binary);
    std::ostringstream text;
    ColumnLayout layout;
    if (fs::is_regular_file(status) && in && (text << in.rdbuf()) &&
        ParseDopText(text.str(), layout) == kOk &&
        CheckColumnLayout(layout, entry.record.FieldCount()) == kOk)
      return true;
    // An empty file reads as an empty stream.
    if (fs::is_regular_file(status) && SizeOf(dopPath) == 0) {
      Add(entry, dopName, FindingKind::UnreadableDop, "the column file is empty");
      return false;
    }
    Add(entry, dopName, FindingKind::UnreadableDop,
        "the column file cannot be read or does not fit the record");
    return false;
  }

  void CheckQuotes(const ListedSeries& entry, const SeriesLocation& location,
                   const std::string& datName) {
    std::int16_t lastRecord = 0;
    if (ReadDatLastRecord(location.datPath, lastRecord) != kOk) {
      Add(entry, datName, FindingKind::ShortFile, "the data file is too short for its header");
      return;
    }
    const auto recordLength = static_cast<std::uintmax_t>(location.recordLength);
    const std::uintmax_t size = SizeOf(location.datPath);
    const int counted = lastRecord - 1;
    const std::uintmax_t records = size / recordLength;
    const int held =
        static_cast<int>(std::min<std::uintmax_t>(records > 0 ? records - 1 : 0, 32767));
    if (held < counted) {
      Add(entry, datName, FindingKind::ShortFile,
          "the header counts " + std::to_string(counted) + " quotes, the file holds " +
              std::to_string(held));
    }
    RawSeries series;
    series.fieldCount = location.fieldCount;
    series.layout = location.layout;
    series.quotes = std::min(counted, held);
    series.complete = held >= counted;
    if (!ReadRaw(location.datPath, recordLength, series)) {
      Add(entry, datName, FindingKind::ShortFile, "the data file cannot be read");
      return;
    }
    ++report_.seriesChecked;
    report_.quotesChecked += series.quotes;
    CheckSeriesQuotes(series, entry.record, About(entry, datName), report_.findings,
                      entry.index == IndexFile::kXmaster ? "XMASTER" : "MASTER");
  }

  static bool ReadRaw(const std::string& path, std::uintmax_t recordLength, RawSeries& series) {
    std::ifstream in(path, std::ios::binary);
    const std::size_t bytes = static_cast<std::size_t>(series.quotes) * recordLength;
    if (bytes == 0) return true;
    std::vector<std::uint8_t> stored(bytes);
    in.seekg(static_cast<std::streamoff>(recordLength));
    if (!in.read(reinterpret_cast<char*>(stored.data()), static_cast<std::streamsize>(bytes)))
      return false;
    MbfToIeeeInPlace(stored.data(), bytes / 4);
    series.values.resize(bytes / 4);
    std::memcpy(series.values.data(), stored.data(), bytes);
    return true;
  }

  void CheckUnlistedFiles() {
    std::error_code ec;
    std::set<std::string> names;
    std::set<std::string> mwdNames;
    for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      const int number = DataFileNumber(name, ".DAT");
      if (number > 0 && listedNumbers_.count(number) == 0) names.insert(name);
      const int mwd = DataFileNumber(name, ".MWD");
      if (mwd > 0 && listedMwdNumbers_.count(mwd) == 0) mwdNames.insert(name);
    }
    const auto unlisted = [&](const std::set<std::string>& files, const char* index) {
      for (const std::string& name : files) {
        Finding finding;
        finding.file = name;
        finding.kind = FindingKind::UnlistedFile;
        finding.detail = std::string("no ") + index + " record names this data file";
        Add(std::move(finding));
      }
    };
    unlisted(names, "MASTER");
    unlisted(mwdNames, "XMASTER");
  }

  std::string dir_;
  CheckReport& report_;
  std::set<int> listedNumbers_;
  std::set<int> listedMwdNumbers_;
  std::map<int, std::string> byFileNumber_;
  std::map<std::string, int> bySymbol_;
};

}  // namespace

Status CheckPortfolio(std::string_view portfolioDir, CheckReport& out) {
  out = CheckReport{};
  return PortfolioChecker(portfolioDir, out).Run();
}

}  // namespace voltrim
