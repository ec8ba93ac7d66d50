#pragma once

// The one fixture builder of the tests: portfolios, companion files, intraday bars, and the
// checks of what a write leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "datafiles/format/emaster.h"
#include "datafiles/format/master.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/memory_files.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/rewrite_series.h"
#include "samples/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim::testing {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using Snapshot = std::map<std::string, Bytes>;  // relative path -> content, of a whole folder

inline DayNumber Day(int year, int month, int day) { return YmdToDay(year, month, day); }

// n weekday quotes from the first weekday on or after `first`; quote i closes at
// base + i + 0.25, so a close tells which quote it is.
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

// A fixture series' DAT bytes with its records changed: what a quote write must leave.
inline Bytes DatWith(SeriesSpec series,
                     const std::function<void(std::vector<RawRecord>&)>& change) {
  change(series.records);
  return BuildDatBytes(series);
}

inline PortfolioSpec::Entry SeriesEntry(SeriesSpec series) {
  PortfolioSpec::Entry entry;
  entry.series = std::move(series);
  return entry;
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

inline PortfolioSpec AcmePortfolio() { return Portfolio({SeriesEntry(AcmeSeries())}); }

// The symbols in files 1, 2, ... (past 255 the numbers start again); the n-th symbol (from 0)
// gets quotes + n weekday quotes from 01/03/00, prices rising a cent a day.
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

// Writes the portfolio into dir and returns dir as a string.
inline std::string Write(const fs::path& dir, const PortfolioSpec& plan) {
  EXPECT_EQ(WritePortfolio(dir.string(), plan), kOk) << dir;
  return dir.string();
}

inline void WriteText(const fs::path& file, const std::string& text) {
  WriteFileBytes(file, Bytes(text.begin(), text.end()));
}

// A writable copy of a real data folder, or an empty path when the shared data is missing.
inline fs::path CopyRealFolder(const std::string& name, const fs::path& into) {
  const fs::path source = SharedDataDir() / name;
  if (SharedDataDir().empty() || !fs::is_directory(source)) return {};
  const fs::path copy = into / name;
  fs::copy(source, copy);
  fs::permissions(copy, fs::perms::owner_all);
  for (const auto& entry : fs::directory_iterator(copy))
    fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write);
  return copy;
}

inline Snapshot TakeFullSnapshot(const fs::path& root) {
  Snapshot snapshot;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      snapshot[entry.path().lexically_relative(root).string()] = ReadFileBytes(entry.path());
  return snapshot;
}

// The files below root without the undo history, which an undo or a redo keeps growing:
// what the portfolios hold.
inline Snapshot TakeSnapshot(const fs::path& root) {
  Snapshot snapshot = TakeFullSnapshot(root);
  std::erase_if(snapshot, [](const auto& entry) { return IsUndoPath(entry.first); });
  return snapshot;
}

// Every file and folder below root, put into files under the same paths.
inline void LoadIntoMemory(const fs::path& root, file_ops::MemoryFiles& files) {
  files.MakeFolder(root.string());
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_directory()) files.MakeFolder(entry.path().string());
    if (!entry.is_regular_file()) continue;
    const Bytes bytes = ReadFileBytes(entry.path());
    files.MakeFolder(entry.path().parent_path().string());
    EXPECT_TRUE(files.PutFile(entry.path().string(), bytes.data(), bytes.size())) << entry.path();
  }
}

// What files hold below root, as TakeSnapshot gives it for the disk.
inline Snapshot MemorySnapshot(const file_ops::MemoryFiles& files, const fs::path& root) {
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

// The record at index of a folder's EMASTER, as decoded.
inline EmasterEntry EmasterEntryAt(const fs::path& dir, int index) {
  EmasterImage image;
  EXPECT_EQ(ReadEmasterImage((dir / "EMASTER").string(), image), kOk);
  return DecodeEmasterRecord(image.Record(index));
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

// One bar by its date and time; with `to`, its time moved there (alone, unless values are
// given too).
inline SeriesEdit AtTime(std::int16_t kind, DayNumber day, PackedTime time, PackedTime to = 0,
                         std::optional<std::array<float, 6>> values = {}) {
  SeriesEdit edit = Edit(kind, day, day, values.value_or(std::array<float, 6>{}));
  edit.atTime = true;
  edit.time = time;
  edit.setTime = to != 0;
  edit.newTime = to;
  if (to != 0 && !values) edit.fieldsToSet = 0;
  return edit;
}

// An EMASTER that mirrors the given MASTER record for record; each long name is the name
// followed by " LONG", so that a kept long name tells from a rewritten one.
inline Bytes BuildEmasterBytes(const Bytes& masterBytes) {
  const MasterImage master{masterBytes};
  Bytes out(kEmasterRecordSize, 0);
  std::memcpy(out.data(), masterBytes.data(), 4);  // count and highest file number
  for (int i = 0; i < master.RecordCount(); ++i) {
    std::vector<std::uint8_t> record = EmasterRecordFor(master.Record(i));
    const std::string longName = DecodeEmasterRecord(record.data()).name + " LONG";
    std::memcpy(record.data() + emaster_offset::kLongName, longName.data(), longName.size());
    out.insert(out.end(), record.begin(), record.end());
  }
  return out;
}

inline void WriteMirroringEmaster(const fs::path& dir) {
  WriteFileBytes(dir / "EMASTER", BuildEmasterBytes(ReadFileBytes(dir / "MASTER")));
}

struct XmasterSpec {
  int fileNumber;
  std::string symbol;
  std::string name;
};

// Bytes with a field written over them at `at`.
inline Bytes Put(Bytes bytes, std::size_t at, std::string_view text) {
  std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}
inline Bytes Put(Bytes bytes, std::size_t at, const MbfBytes& mbf) {
  std::copy(mbf.begin(), mbf.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}
inline Bytes PutNumber(Bytes bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
  return bytes;
}
inline int Number(const Bytes& b, std::size_t at, int width) {
  std::uint32_t value = 0;
  for (int i = 0; i < width; ++i)
    value |= static_cast<std::uint32_t>(b[at + static_cast<std::size_t>(i)]) << (8 * i);
  return static_cast<int>(value);
}

// MASTER's 53-byte records and XMASTER's 150-byte ones follow a header of their size.
constexpr std::size_t M(int record, std::size_t offset) {
  return 53 * static_cast<std::size_t>(record + 1) + offset;
}
constexpr std::size_t X(int record, std::size_t offset) {
  return 150 * static_cast<std::size_t>(record + 1) + offset;
}

// An XMASTER listing daily six-field series; as the real files: the count twice, then one
// above the highest file number.
inline Bytes BuildXmasterBytes(const std::vector<XmasterSpec>& series, int countOverride = -1) {
  using namespace xmaster_offset;
  const auto count = static_cast<std::uint32_t>(
      countOverride >= 0 ? countOverride : static_cast<int>(series.size()));
  int highest = kFirstXmasterFileNumber - 1;
  for (const XmasterSpec& s : series) highest = std::max(highest, s.fileNumber);
  Bytes out = PutNumber(PutNumber(Bytes(kXmasterRecordSize, 0), kRecordCount, count, 2),
                        kRecordCountAgain, count, 2);
  out = PutNumber(Put(out, 0, "\x5D\xFEXM"), kNextFileNumber,
                  static_cast<std::uint32_t>(highest + 1), 2);
  for (const XmasterSpec& s : series) {
    Bytes record = Put(Put(Bytes(kXmasterRecordSize, 0), kSymbol, s.symbol), kName, s.name);
    record[0] = 1;
    record[kPeriodicity] = 'D';
    record[kFieldMask] = 0x3F;
    record = PutNumber(record, kFileNumber, static_cast<std::uint32_t>(s.fileNumber), 2);
    record = PutNumber(PutNumber(record, kFirstDate, 20000103, 4), kLastDate, 20000105, 4);
    out.insert(out.end(), record.begin(), record.end());
  }
  return out;
}

// The series `number` as an MWD file holds it: six daily fields, closes telling it apart.
inline SeriesSpec MwdSeries(int number, int quotes = 3) {
  return MakeDailySeries(number, "X" + std::to_string(number), "",
                         Quotes(quotes, Day(2000, 1, 3), static_cast<float>(number)),
                         /*writeDop=*/false);
}

// A NUL-ended text field of an index file.
inline std::string XText(const Bytes& b, std::size_t at, std::size_t width) {
  std::string text(reinterpret_cast<const char*>(b.data() + at), width);
  return text.substr(0, text.find('\0'));
}

// `master` series in MASTER (M1.., F1..) and `extra` more in XMASTER (X256..., in
// F256.MWD...), each of 3 quotes whose closes tell the series apart.
inline std::string WriteWideFolder(const fs::path& dir, int extra, int master = kMaxSymbols) {
  std::vector<PortfolioSpec::Entry> entries;
  for (int n = 1; n <= master; ++n)
    entries.push_back(
        SeriesEntry(MakeDailySeries(n, "M" + std::to_string(n), "MASTER " + std::to_string(n),
                                    Quotes(3, Day(2000, 1, 3), static_cast<float>(n)))));
  Write(dir, Portfolio(std::move(entries)));
  std::vector<XmasterSpec> listed;
  for (int n = 256; n < 256 + extra; ++n) {
    const std::string symbol = "X" + std::to_string(n);
    listed.push_back({n, symbol, "EXTENDED SERIES NUMBER " + std::to_string(n)});
    WriteFileBytes(dir / MwdFileName(n), BuildDatBytes(MwdSeries(n)));
  }
  WriteFileBytes(dir / "XMASTER", BuildXmasterBytes(listed));
  return dir.string();
}

// One bar of the intraday fixture: date (YYYMMDD), time (HHMMSS) and close; the other
// fields follow from the close, so every bar tells which it is.
struct Bar {
  float date;
  float time;
  float close;
};

inline RawRecord BarRecord(const Bar& bar) {
  return {bar.date,         bar.time,  bar.close - 0.25f,  bar.close + 0.5f,
          bar.close - 0.5f, bar.close, 1000.0f + bar.close};
}

// BARS (file 1): 28-byte intraday records without a DOP file, as stooq writes them.
inline SeriesSpec BarSeries(const std::vector<Bar>& bars) {
  SeriesSpec series;
  series.symbol = "BARS";
  series.name = "BARS INTRADAY";
  series.periodicity = 'I';
  series.fields = {Field::Date, Field::Time,  Field::Open, Field::High,
                   Field::Low,  Field::Close, Field::Vol};
  series.writeDop = false;
  for (const Bar& bar : bars) series.records.push_back(BarRecord(bar));
  return series;
}

// Three days of four 5-minute bars from 09:00 (Wed 11/13/13 .. Fri 11/15/13); closes
// 10, 11, 12, ... in file order.
inline std::vector<Bar> ThreeDaysOfBars() {
  std::vector<Bar> bars;
  float close = 10.0f;
  for (const float date : {1131113.0f, 1131114.0f, 1131115.0f})
    for (const float time : {90000.0f, 90500.0f, 91000.0f, 91500.0f})
      bars.push_back({date, time, close++});
  return bars;
}

inline PortfolioSpec BarPortfolio(const std::vector<Bar>& bars = ThreeDaysOfBars()) {
  return Portfolio({SeriesEntry(BarSeries(bars))});
}

// The F1.DAT a portfolio of these bars has: what a write must leave, byte for byte.
inline Bytes BarDatBytes(const fs::path& scratch, const std::vector<Bar>& bars) {
  Write(scratch, BarPortfolio(bars));
  return ReadFileBytes(scratch / "F1.DAT");
}

// The exit code of run in a child process whose files may grow to fileBytes at most (0: no
// limit), as a full disk would stop them; -1 when the child did not exit.
inline int ExitOfChild(const std::function<int()>& run, rlim_t fileBytes = 0) {
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{fileBytes, fileBytes};
    if (fileBytes > 0) setrlimit(RLIMIT_FSIZE, &limit);
    _exit(run());
  }
  int wstatus = 0;
  if (child < 0 || waitpid(child, &wstatus, 0) != child || !WIFEXITED(wstatus)) return -1;
  return WEXITSTATUS(wstatus);
}

// Temporary files of a write anywhere below root.
inline std::vector<std::string> TemporariesBelow(const fs::path& root) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (IsWriterTemporaryName(entry.path().filename().string()))
      found.push_back(entry.path().string());
  return found;
}

// MASTER's header counts exactly the records it holds, no two records share a file number,
// and the data file of every record is there.
inline void ExpectMasterSound(const fs::path& dir) {
  const Bytes master = ReadFileBytes(dir / "MASTER");
  ASSERT_GE(master.size(), kMasterRecordSize);
  const int records = static_cast<int>(master.size() / kMasterRecordSize) - 1;
  EXPECT_EQ(master.size() % kMasterRecordSize, 0u) << dir;
  EXPECT_EQ(Number(master, 0, 2), records) << dir;
  std::vector<int> numbers;
  for (int i = 0; i < records; ++i) {
    const int number = MasterRecordBytes(master, i)[0];
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), number), 0) << dir << " F" << number;
    numbers.push_back(number);
    EXPECT_TRUE(fs::exists(dir / DatFileName(number))) << dir << " F" << number;
  }
}

// Whether the folder (or one below it) lists the symbol.
inline bool Holds(const std::string& dir, const std::string& symbol) {
  FoundSymbol found;
  return FindSymbol(dir, symbol, found) == kOk;
}

// What every window says when another program keeps the portfolio past the wait.
inline const std::string kBusyText =
    "The portfolio is being changed by another program.\nTry again when it has "
    "finished.\n\nNothing was changed.";

// Sets how long writers wait for a held portfolio, and restores the wait when it goes.
class LockWait {
 public:
  explicit LockWait(std::chrono::milliseconds wait) : saved_(PortfolioLockWait()) {
    SetPortfolioLockWait(wait);
  }
  ~LockWait() { SetPortfolioLockWait(saved_); }

 private:
  std::chrono::milliseconds saved_;
};

// Holds a folder's lock the way any other program would: flock on the folder itself.
class FolderHolder {
 public:
  explicit FolderHolder(const fs::path& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    EXPECT_GE(fd_, 0) << folder;
    EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0) << folder;
  }
  ~FolderHolder() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderHolder(const FolderHolder&) = delete;
  FolderHolder& operator=(const FolderHolder&) = delete;

 private:
  int fd_;
};

}  // namespace voltrim::testing
