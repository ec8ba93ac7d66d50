#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "datafiles/format/master.h"
#include "datafiles/io/memory_files.h"
#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/write/rewrite_series.h"
#include "samples/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim::testing {

using Bytes = std::vector<unsigned char>;
// Relative path -> content of every file below a folder.
using Snapshot = std::map<std::string, Bytes>;

inline DayNumber Day(int year, int month, int day) { return YmdToDay(year, month, day); }

// n weekday quotes from the first weekday on or after `first`; quote i closes at
// base + i + 0.25, so a test can tell from a close which quote it holds.
inline std::vector<DailyQuote> Quotes(int n, DayNumber first = Day(2000, 1, 3),
                                      float base = 10.0f) {
  std::vector<DailyQuote> quotes;
  DayNumber day = IsWeekend(first) ? NextWeekday(first) : first;
  for (int i = 0; i < n; ++i, day = NextWeekday(day)) {
    const float p = base + static_cast<float>(i);
    quotes.push_back({day, p, p + 0.5f, p - 0.5f, p + 0.25f, 1000.0f + static_cast<float>(i)});
  }
  return quotes;
}

// ACME (file 1) quoted Mon 01/03/00, Tue 01/04/00 twice, Thu 01/06/00, Sat 01/08/00 and
// Tue 01/11/00: a day with two quotes and gaps on either side of a weekend.
inline SeriesSpec AcmeSeries() {
  const auto day = [](int d) { return YmdToDay(2000, 1, d); };
  return MakeDailySeries(1, "ACME", "ACME CORP",
                         {{day(3), 12.34567f, 13, 12, 12.5f, 1234.6f},
                          {day(4), 13, 14, 12.5f, 13.5f, 2000},
                          {day(4), 13.1f, 14.1f, 12.6f, 13.6f, 2100},
                          {day(6), 14, 15, 13, 14.5f, 3000},
                          {day(8), 15, 16, 14, 15.5f, 4000},
                          {day(11), 16, 17, 15, 16.5f, 5000}});
}

inline PortfolioSpec::Entry SeriesEntry(SeriesSpec series) {
  PortfolioSpec::Entry entry;
  entry.series = std::move(series);
  return entry;
}

inline PortfolioSpec AcmePortfolio() {
  PortfolioSpec portfolio;
  portfolio.entries.push_back(SeriesEntry(AcmeSeries()));
  return portfolio;
}

// The symbols in files 1, 2, ... (past 255 the numbers start again); the n-th symbol (from 0)
// gets quotes + n weekday quotes from 01/03/00, their prices rising a cent a day, so that
// series and rows tell which they are.
inline PortfolioSpec PortfolioOf(const std::vector<std::string>& symbols, int quotes = 5) {
  PortfolioSpec portfolio;
  for (const std::string& symbol : symbols) {
    const int n = static_cast<int>(portfolio.entries.size());
    std::vector<DailyQuote> rising;
    DayNumber day = Day(2000, 1, 3);
    for (int i = 0; i < quotes + n; ++i, day = NextWeekday(day)) {
      const float base = 10.0f + static_cast<float>(i) / 100.0f;
      rising.push_back({day, base, base + 1, base - 1, base + 0.5f, static_cast<float>(1000 + i)});
    }
    portfolio.entries.push_back(
        SeriesEntry(MakeDailySeries(n % 255 + 1, symbol, symbol + " INC", rising)));
  }
  return portfolio;
}

inline PortfolioSpec::Entry SubdirectoryEntry(std::string name) {
  PortfolioSpec::Entry entry;
  entry.isSubdirectory = true;
  entry.subdirectory.name = std::move(name);
  return entry;
}

// A daily series of n quotes named after its symbol.
inline PortfolioSpec::Entry Symbol(int fileNumber, std::string symbol, std::string name = "",
                                   int n = 2) {
  return SeriesEntry(MakeDailySeries(fileNumber, std::move(symbol), std::move(name), Quotes(n)));
}

inline PortfolioSpec Portfolio(std::vector<PortfolioSpec::Entry> entries) {
  PortfolioSpec plan;
  plan.entries = std::move(entries);
  return plan;
}

// Writes the portfolio into dir and returns dir as a string.
inline std::string Write(const std::filesystem::path& dir, const PortfolioSpec& plan) {
  EXPECT_EQ(WritePortfolio(dir.string(), plan), kOk) << dir;
  return dir.string();
}

// A writable copy of a real data folder, or an empty path when the shared data is missing.
inline std::filesystem::path CopyRealFolder(const std::string& name,
                                            const std::filesystem::path& into) {
  namespace fs = std::filesystem;
  const fs::path source = SharedDataDir() / name;
  if (SharedDataDir().empty() || !fs::is_directory(source)) return {};
  const fs::path copy = into / name;
  fs::copy(source, copy);
  fs::permissions(copy, fs::perms::owner_all);
  for (const auto& entry : fs::directory_iterator(copy))
    fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write);
  return copy;
}

inline Snapshot TakeSnapshot(const std::filesystem::path& root) {
  Snapshot snapshot;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    snapshot[std::filesystem::relative(entry.path(), root).string()] = ReadFileBytes(entry.path());
  }
  return snapshot;
}

// Every file and folder below root, put into files under the same paths.
inline void LoadIntoMemory(const std::filesystem::path& root, file_ops::MemoryFiles& files) {
  files.MakeFolder(root.string());
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_directory()) files.MakeFolder(entry.path().string());
    if (!entry.is_regular_file()) continue;
    const Bytes bytes = ReadFileBytes(entry.path());
    files.MakeFolder(entry.path().parent_path().string());
    EXPECT_TRUE(files.PutFile(entry.path().string(), bytes.data(), bytes.size())) << entry.path();
  }
}

// What files hold below root, as TakeSnapshot gives it for the disk.
inline Snapshot MemorySnapshot(const file_ops::MemoryFiles& files,
                               const std::filesystem::path& root) {
  const std::string prefix = file_ops::MemoryFiles::Normal(root.string()) + "/";
  Snapshot snapshot;
  for (const auto& [path, bytes] : files.Files())
    if (path.compare(0, prefix.size(), prefix) == 0) snapshot[path.substr(prefix.size())] = bytes;
  return snapshot;
}

// The 53 bytes of record `index` (0 = first after the header) of a MASTER file.
inline Bytes MasterRecordBytes(const Bytes& master, int index) {
  const auto at = kMasterRecordSize * static_cast<std::size_t>(index + 1);
  if (master.size() < at + kMasterRecordSize) return {};
  return Bytes(master.begin() + static_cast<std::ptrdiff_t>(at),
               master.begin() + static_cast<std::ptrdiff_t>(at + kMasterRecordSize));
}

inline int MasterHeaderField(const Bytes& master, std::size_t offset) {
  return static_cast<std::int16_t>(master[offset] | (master[offset + 1] << 8));
}

inline MasterFile ReadMaster(const std::string& dir) {
  MasterFile master;
  EXPECT_EQ(ReadMasterFile(dir + "/MASTER", master), kOk) << dir;
  return master;
}

// Every quote of a series listed in MASTER or XMASTER, oldest first.
inline std::vector<Quote> ReadQuotes(const std::string& dir, const std::string& symbol) {
  SeriesLocation location;
  SeriesReader reader;
  EXPECT_EQ(LocateAnySeries(dir, symbol, location), kOk) << symbol;
  EXPECT_EQ(reader.Open(location), kOk) << symbol;
  SeriesBuffer buffer(std::max(reader.Total(), 1));
  EXPECT_EQ(reader.Read(buffer, 0, reader.Total()), kOk) << symbol;
  std::vector<Quote> quotes;
  for (int i = 0; i < buffer.Count(); ++i) quotes.push_back(buffer.At(i));
  return quotes;
}

inline SeriesEdit Edit(std::int16_t kind, DayNumber first, DayNumber last,
                       std::array<float, 6> values = {}) {
  SeriesEdit edit;
  edit.kind = kind;
  edit.firstDay = first;
  edit.lastDay = last;
  edit.values = values;
  return edit;
}

inline void WriteText(const std::filesystem::path& file, const std::string& text) {
  WriteFileBytes(file, Bytes(text.begin(), text.end()));
}

}  // namespace voltrim::testing
