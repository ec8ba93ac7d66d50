#include "datafiles/write/rewrite_series.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "datafiles/format/emaster.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/series.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/master_replace.h"

namespace voltrim {

namespace {

constexpr std::int16_t kMaxLastRecord = 32767;

// The stored records of one DAT file and where the fields the edit touches lie in them.
class DatImage {
 public:
  DatImage(std::vector<std::uint8_t> bytes, const SeriesLocation& series)
      : bytes_(std::move(bytes)),
        length_(static_cast<std::size_t>(series.recordLength)),
        layout_(series.layout) {}

  bool HasHeader() const { return bytes_.size() >= length_; }
  int Records() const { return static_cast<int>(bytes_.size() / length_) - 1; }
  const std::uint8_t* Record(int i) const {
    return bytes_.data() + length_ * (static_cast<std::size_t>(i) + 1);
  }
  const std::uint8_t* Header() const { return bytes_.data(); }
  std::size_t Length() const { return length_; }
  const ColumnLayout& Layout() const { return layout_; }
  std::int16_t LastRecord() const {
    return static_cast<std::int16_t>(bytes_[2] | (bytes_[3] << 8));
  }

  std::size_t FieldOffset(Field f) const {
    return 4 * (static_cast<std::size_t>(layout_[f].position) - 1);
  }
  DayNumber DayOf(int i) const {
    const float value = MbfToIeee(Record(i) + FieldOffset(Field::Date));
    // A damaged date far outside YYYMMDD is no day; keep it out of the integer conversion.
    if (!(std::fabs(value) < 1.0e8f)) return 0;
    return DateFloatToDay(value);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t length_;
  ColumnLayout layout_;
};

bool InRange(const SeriesEdit& q, DayNumber day) { return q.firstDay <= day && day <= q.lastDay; }

std::optional<int> FirstInRange(const DatImage& dat, const SeriesEdit& q) {
  for (int i = 0; i < dat.Records(); ++i) {
    if (InRange(q, dat.DayOf(i))) return i;
  }
  return std::nullopt;
}

Field ValueField(int index) { return kValueFields[static_cast<std::size_t>(index)]; }

// Set or scale the fields of one in-range record, in place.
Status EditRecord(const SeriesEdit& q, const DatImage& dat, std::uint8_t* record) {
  for (int k = 0; k < 6; ++k) {
    const Field f = ValueField(k);
    if (!dat.Layout().Has(f)) continue;
    std::uint8_t* field = record + dat.FieldOffset(f);
    const float given = q.values[static_cast<std::size_t>(k)];
    float result = 0.0f;
    if (q.kind == edit_kind::kSet) {
      if ((q.fieldsToSet & (1u << k)) == 0) continue;
      result = given;
    } else {
      result = MbfToIeee(field) * given;
    }
    if (!HasMbfForm(result)) return kNoMbfForm;
    IeeeToMbf(result, field);
  }
  return kOk;
}

void AppendRecord(std::vector<std::uint8_t>& out, const std::uint8_t* record, std::size_t length) {
  out.insert(out.end(), record, record + length);
}

// The complete new DAT content; nothing is written until all of it is known to be sound.
Status BuildNewContent(const SeriesEdit& q, const DatImage& dat, std::optional<int> hit,
                       std::vector<std::uint8_t>& out) {
  const std::size_t length = dat.Length();
  out.clear();
  out.reserve(length * (static_cast<std::size_t>(dat.Records()) + 2));
  AppendRecord(out, dat.Header(), length);
  std::int16_t last = dat.LastRecord();
  if (q.kind == edit_kind::kDelete) --last;
  if (q.kind == edit_kind::kInsert) ++last;
  const auto raw = static_cast<std::uint16_t>(last);
  out[2] = static_cast<std::uint8_t>(raw & 0xFF);
  out[3] = static_cast<std::uint8_t>(raw >> 8);

  std::vector<std::uint8_t> record(length);
  for (int i = 0; i < dat.Records(); ++i) {
    const std::uint8_t* stored = dat.Record(i);
    if (q.kind == edit_kind::kDelete && hit == i) continue;
    if (q.kind == edit_kind::kInsert && hit == i) {
      std::memcpy(record.data(), stored, length);
      const MbfBytes date = DayToDateFloat(PreviousWeekday(dat.DayOf(i)));
      std::memcpy(record.data() + dat.FieldOffset(Field::Date), date.data(), date.size());
      AppendRecord(out, record.data(), length);
    }
    const bool edits = q.kind == edit_kind::kSet || q.kind == edit_kind::kScale ||
                       q.kind == edit_kind::kScaleRange;
    if (edits && InRange(q, dat.DayOf(i))) {
      std::memcpy(record.data(), stored, length);
      const Status status = EditRecord(q, dat, record.data());
      if (status != kOk) return status;
      AppendRecord(out, record.data(), length);
    } else {
      AppendRecord(out, stored, length);
    }
  }
  return kOk;
}

// Checks that can refuse the request before any file is read or written.
Status CheckRequest(const SeriesEdit& q) {
  if (q.kind < edit_kind::kSet || q.kind > edit_kind::kInsert) return kBadRequest;
  if (q.kind == edit_kind::kDelete || q.kind == edit_kind::kInsert) return kOk;
  for (int k = 0; k < 6; ++k) {
    const bool used = q.kind != edit_kind::kSet || (q.fieldsToSet & (1u << k)) != 0;
    if (used && !HasMbfForm(q.values[static_cast<std::size_t>(k)])) return kNoMbfForm;
  }
  return kOk;
}

Status CheckAgainstSeries(const SeriesEdit& q, const DatImage& dat, std::optional<int> hit) {
  if (!dat.HasHeader()) return kDamagedFile;
  if (q.kind == edit_kind::kDelete) {
    if (!hit || dat.DayOf(*hit) != q.firstDay) return kQuoteNotFound;
    if (dat.LastRecord() <= 1) return kDamagedFile;
  }
  if (q.kind == edit_kind::kInsert) {
    if (!hit) return kRecordNotFound;
    if (dat.LastRecord() >= kMaxLastRecord) return kBadRequest;
    const DayNumber day = dat.DayOf(*hit);
    const DayNumber before = PreviousWeekday(day);
    if (before == 0 || before >= day) return kBadRequest;
  }
  return kOk;
}

struct DateUpdate {
  MasterDate which;
  MbfBytes date;
};

// MASTER date changes that follow the delete of quote i out of quoteCount quotes, taken
// from the file as it was before the delete.
std::vector<DateUpdate> DeleteDateUpdates(const DatImage& dat, int i, int quoteCount) {
  auto dateOf = [&](int index) { return DayToDateFloat(dat.DayOf(index)); };
  const int n = quoteCount;
  std::vector<DateUpdate> updates;
  if (i == 0 && n > 1) {
    if (1 < dat.Records()) updates.push_back({MasterDate::kFirst, dateOf(1)});
  } else if (i == n - 1 && n > 1) {
    if (n - 2 < dat.Records()) updates.push_back({MasterDate::kLast, dateOf(n - 2)});
  } else if (i == 0 && n == 1) {
    updates.push_back({MasterDate::kLast, dateOf(0)});
    updates.push_back({MasterDate::kFirst, dateOf(0)});
  }
  return updates;
}

bool InsidePortfolio(std::string_view portfolioDir, const std::string& directory) {
  const std::string root = WithTrailingSeparator(portfolioDir);
  return directory.compare(0, root.size(), root) == 0 &&
         directory.find("/../", root.size() > 0 ? root.size() - 1 : 0) == std::string::npos;
}

// Finds the series with its folder held: a symbol found through a subdirectory entry lives
// in a folder the lock may not hold yet, and is looked up again once it does.
Status LocateHeld(PortfolioLock& lock, std::string_view portfolioDir, std::string_view symbol,
                  SeriesLocation& series) {
  Status status = LocateSeries(portfolioDir, symbol, series);
  if (status != kOk || lock.Covers(series.found.directory)) return status;
  status = lock.Add(series.found.directory);
  if (status == kOk) status = LocateSeries(portfolioDir, symbol, series);
  if (status == kOk && !lock.Covers(series.found.directory)) status = kPortfolioBusy;
  return status;
}

// The change in words, for Edit > Undo.
std::string ChangeWords(std::int16_t kind, std::string_view symbol) {
  const std::string name(symbol);
  switch (kind) {
    case edit_kind::kSet:
      return "Edit Quotes of " + name;
    case edit_kind::kDelete:
      return "Delete Quote of " + name;
    case edit_kind::kInsert:
      return "Add Quote to " + name;
    default:
      return "Adjust " + name;
  }
}

std::string FolderOf(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

}  // namespace

Status RewriteSeries(const SeriesEdit& request, std::string_view portfolioDir,
                     std::string_view symbol) {
  Status status = CheckRequest(request);
  if (status != kOk) return status;
  PortfolioLock lock({portfolioDir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording(ChangeWords(request.kind, symbol));
  SeriesLocation series;
  status = LocateHeld(lock, portfolioDir, symbol, series);
  if (status != kOk) return status;
  if (!InsidePortfolio(portfolioDir, series.found.directory)) return kDamagedFile;

  std::vector<std::uint8_t> stored;
  status = ReadWholeFile(series.datPath, stored, kMaxPortfolioFileBytes);
  if (status != kOk) return status == kFileOpen ? kFileOpen : status;
  const DatImage dat(std::move(stored), series);
  // A header the readers refuse (no quote count at all) is not rewritten either.
  if (!dat.HasHeader() || dat.LastRecord() < 1) return kDamagedFile;

  const bool findsOne = request.kind == edit_kind::kDelete || request.kind == edit_kind::kInsert;
  const std::optional<int> hit = findsOne ? FirstInRange(dat, request) : std::nullopt;
  status = CheckAgainstSeries(request, dat, hit);
  if (status != kOk) return status;

  std::vector<std::uint8_t> content;
  status = BuildNewContent(request, dat, hit, content);
  if (status != kOk) return status;

  const int number = series.found.record.FileNumber();
  ReplaceNames names;
  names.directory = series.found.directory;
  names.target = DatFileName(number);
  names.temporary = NewFileName(number);
  names.backup = BakFileName(number);
  status = ReplaceFileContent(names, content);
  if (status != kOk) return status;

  if (request.kind != edit_kind::kDelete) return kOk;
  // Only now that the quote is gone from the file may MASTER say so.
  const std::string masterPath = MasterPathIn(series.found.directory);
  // The caller's count is from its last read, which another writer may have changed since;
  // MASTER must follow the series as it now stands (both counts come from the header).
  const int storedCount = dat.LastRecord() - 1;
  for (const DateUpdate& update : DeleteDateUpdates(dat, *hit, storedCount)) {
    if (SetMasterDate(masterPath, update.date, number, update.which) != kOk) {
      return kMasterDatesNotUpdated;
    }
  }
  return kOk;
}

Status SetMasterDate(const std::string& masterPath, const MbfBytes& date, int fileNumber,
                     MasterDate which) {
  const PortfolioLock lock({FolderOf(masterPath)});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("Update MASTER Dates");
  MasterImage master;
  Status status = ReadMasterImage(masterPath, master);
  if (status != kOk) return status;
  const std::vector<std::uint8_t> before = master.bytes;
  const std::size_t offset =
      which == MasterDate::kFirst ? master_offset::kFirstDate : master_offset::kLastDate;
  bool matched = false;
  for (int i = 0; i < master.RecordCount(); ++i) {
    std::uint8_t* record = master.Record(i);
    if (record[master_offset::kFileNumber] != fileNumber) continue;
    std::memcpy(record + offset, date.data(), date.size());
    matched = true;
  }
  if (!matched) return kRecordNotFound;
  return ReplaceMasterKeepingEmaster(masterPath, before, master.bytes, ".NEW", true);
}

Status RenameMasterRecord(const std::string& masterPath, int row, std::string_view symbol,
                          std::string_view name) {
  if (symbol.size() > kSymbolFieldSize || name.size() > kNameFieldSize) return kBadRequest;
  const PortfolioLock lock({FolderOf(masterPath)});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("Edit Symbol " + std::string(symbol));
  MasterImage master;
  Status status = ReadMasterImage(masterPath, master);
  if (status != kOk) return status;
  if (row < 0 || row >= master.RecordCount()) return kRecordNotFound;
  const std::vector<std::uint8_t> before = master.bytes;
  std::uint8_t* record = master.Record(row);
  std::memset(record + master_offset::kName, ' ', kNameFieldSize);
  std::memcpy(record + master_offset::kName, name.data(), name.size());
  std::memset(record + master_offset::kSymbol, ' ', kSymbolFieldSize);
  std::memcpy(record + master_offset::kSymbol, symbol.data(), symbol.size());
  return ReplaceMasterKeepingEmaster(masterPath, before, master.bytes, ".NEW", true);
}

}  // namespace voltrim
