#include "datafiles/write/rewrite_series.h"

#include <array>
#include <bit>
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
#include "datafiles/write/held_series.h"
#include "datafiles/write/master_replace.h"
#include "datafiles/write/xmaster_write.h"

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
  std::vector<std::uint8_t>& Bytes() { return bytes_; }
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
    DateFloatDays days;
    return DayOf(i, days);
  }
  // The same, for the dates of a run of records read one after another.
  DayNumber DayOf(int i, DateFloatDays& days) const {
    const float value = MbfToIeee(Record(i) + FieldOffset(Field::Date));
    // A damaged date far outside YYYMMDD is no day; keep it out of the integer conversion.
    if (!(std::fabs(value) < 1.0e8f)) return 0;
    return days(value);
  }
  // The quote's time of day (0 when the layout has none), as the readers decode it.
  PackedTime TimeOf(int i) const {
    if (!layout_.Has(Field::Time)) return 0;
    const float value = MbfToIeee(Record(i) + FieldOffset(Field::Time));
    if (!(std::fabs(value) < 1.0e8f)) return 0;
    return TimeFloatToPacked(value);
  }
  // Date and time together, as quotes are ordered.
  std::uint64_t KeyOf(int i) const { return QuoteKey(DayOf(i), TimeOf(i)); }
  static std::uint64_t QuoteKey(DayNumber day, PackedTime time) {
    return (static_cast<std::uint64_t>(day) << 32) | time;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t length_;
  ColumnLayout layout_;
};

bool InRange(const SeriesEdit& q, DayNumber day) { return q.firstDay <= day && day <= q.lastDay; }

std::optional<int> FirstInRange(const DatImage& dat, const SeriesEdit& q) {
  DateFloatDays days;
  for (int i = 0; i < dat.Records(); ++i) {
    if (InRange(q, dat.DayOf(i, days))) return i;
  }
  return std::nullopt;
}

// The quote a request at a time works on: the one at that date and time for set, scale and
// delete; for an insert the first after it, whose copy goes in front of it.
std::optional<int> FirstAtTime(const DatImage& dat, const SeriesEdit& q) {
  const std::uint64_t key = DatImage::QuoteKey(q.firstDay, q.time);
  for (int i = 0; i < dat.Records(); ++i) {
    const std::uint64_t stored = dat.KeyOf(i);
    if (q.kind == edit_kind::kInsert ? stored > key : stored == key) return i;
  }
  return std::nullopt;
}

bool HasQuoteAt(const DatImage& dat, DayNumber day, PackedTime time) {
  const std::uint64_t key = DatImage::QuoteKey(day, time);
  for (int i = 0; i < dat.Records(); ++i) {
    if (dat.KeyOf(i) == key) return true;
  }
  return false;
}

Field ValueField(int index) { return kValueFields[static_cast<std::size_t>(index)]; }

void WriteTime(const DatImage& dat, std::uint8_t* record, PackedTime time) {
  IeeeToMbf(PackedToTimeValue(time), record + dat.FieldOffset(Field::Time));
}

// Multiplies one stored field by factor, in place: MbfToIeee, the product, IeeeToMbf,
// bit for bit, but on the four bytes as one word and without a branch, since a split
// scales every field of a series. False when the product has no MBF form (the field then
// holds no meaningful bytes).
bool ScaleStored(std::uint8_t* field, float factor) {
  if constexpr (std::endian::native != std::endian::little) {
    const float result = MbfToIeee(field) * factor;
    if (!HasMbfForm(result)) return false;
    IeeeToMbf(result, field);
    return true;
  }
  std::uint32_t mbf = 0;
  std::memcpy(&mbf, field, 4);
  const std::uint32_t exponent = mbf >> 24;
  std::uint32_t ieee =
      ((mbf & 0x800000u) << 8) | (((exponent - 2u) & 0xFFu) << 23) | (mbf & 0x7FFFFFu);
  ieee &= exponent != 0 ? 0xFFFFFFFFu : 0u;  // exponent byte 0: the value is 0
  const auto result = std::bit_cast<std::uint32_t>(std::bit_cast<float>(ieee) * factor);
  const std::uint32_t biased = (result >> 23) & 0xFFu;
  std::uint32_t stored =
      (result & 0x7FFFFFu) | ((result >> 31) << 23) | (((biased + 2u) & 0xFFu) << 24);
  stored &= (result & 0x7FFFFFFFu) != 0 ? 0xFFFFFFFFu : 0u;  // both zeros: four zero bytes
  std::memcpy(field, &stored, 4);
  return biased < 254u;
}

// Four words of stored fields at once, in the lanes of one vector register (SSE2 on every
// x86-64, NEON on ARM).
using Words = std::uint32_t __attribute__((vector_size(16)));
using Floats = float __attribute__((vector_size(16)));

// ScaleStored of four fields at once, step for step. Lanes outside `scaled` keep their
// bytes; `bad` collects the scaled lanes whose product has no MBF form.
Words ScaleFour(Words mbf, Floats factor, Words scaled, Words& bad) {
  const Words exponent = mbf >> 24;
  Words ieee = ((mbf & 0x800000u) << 8) | (((exponent - 2u) & 0xFFu) << 23) | (mbf & 0x7FFFFFu);
  ieee &= std::bit_cast<Words>(exponent != 0u);
  const auto result = std::bit_cast<Words>(std::bit_cast<Floats>(ieee) * factor);
  const Words biased = (result >> 23) & 0xFFu;
  Words stored = (result & 0x7FFFFFu) | ((result >> 31) << 23) | (((biased + 2u) & 0xFFu) << 24);
  stored &= std::bit_cast<Words>((result & 0x7FFFFFFFu) != 0u);
  bad |= std::bit_cast<Words>(biased >= 254u) & scaled;
  return (stored & scaled) | (mbf & ~scaled);
}

// What a set or scale does to each in-range record, worked out once for the whole file:
// where each field it changes lies, and for a set the stored bytes of its value.
class RecordEdit {
 public:
  RecordEdit(const SeriesEdit& q, const DatImage& dat)
      : scale_(q.kind != edit_kind::kSet), wholeWords_(dat.Length() % 4 == 0) {
    const std::size_t words = dat.Length() / 4;
    std::vector<float> factorOfWord(words, 1.0f);
    std::vector<std::uint32_t> scaledWord(words, 0);
    for (int k = 0; k < 6; ++k) {
      const Field f = ValueField(k);
      if (!dat.Layout().Has(f)) continue;
      if (!scale_ && (q.fieldsToSet & (1u << k)) == 0) continue;
      const float given = q.values[static_cast<std::size_t>(k)];
      Change& change = changes_[static_cast<std::size_t>(count_++)];
      change.offset = dat.FieldOffset(f);
      change.factor = given;
      IeeeToMbf(given, change.stored.data());
      factorOfWord[change.offset / 4] = given;
      scaledWord[change.offset / 4] = 0xFFFFFFFFu;
    }
    // Four records are as many whole vectors as a record has fields: the lanes' pattern
    // of factors repeats every four records.
    for (std::size_t v = 0; v < words; ++v) {
      Floats factor{};
      Words scaled{};
      for (std::size_t lane = 0; lane < 4; ++lane) {
        factor[lane] = factorOfWord[(4 * v + lane) % words];
        scaled[lane] = scaledWord[(4 * v + lane) % words];
      }
      factors_.push_back(factor);
      scaled_.push_back(scaled);
    }
  }

  // Whether four records in a row can go through ApplyFour.
  bool ScalesFour() const {
    return scale_ && wholeWords_ && std::endian::native == std::endian::little;
  }

  // Set or scale the fields of one in-range record, in place.
  Status Apply(std::uint8_t* record) const {
    bool sound = true;
    for (int c = 0; c < count_; ++c) {
      const Change& change = changes_[static_cast<std::size_t>(c)];
      std::uint8_t* field = record + change.offset;
      if (scale_) {
        sound &= ScaleStored(field, change.factor);
      } else {
        std::memcpy(field, change.stored.data(), 4);
      }
    }
    return sound ? kOk : kNoMbfForm;
  }

  // Scale four in-range records in a row, in place, a vector at a time.
  Status ApplyFour(std::uint8_t* records) const {
    Words bad{};
    for (std::size_t v = 0; v < factors_.size(); ++v) {
      Words words;
      std::memcpy(&words, records + 16 * v, 16);
      words = ScaleFour(words, factors_[v], scaled_[v], bad);
      std::memcpy(records + 16 * v, &words, 16);
    }
    return (bad[0] | bad[1] | bad[2] | bad[3]) == 0 ? kOk : kNoMbfForm;
  }

 private:
  struct Change {
    std::size_t offset = 0;
    float factor = 0.0f;
    MbfBytes stored{};  // a set's value as stored (checked to have an MBF form beforehand)
  };
  bool scale_;
  bool wholeWords_;  // records of whole 4-byte fields: the lanes line up with the fields
  std::array<Change, 6> changes_{};
  int count_ = 0;
  std::vector<Floats> factors_;  // per vector of four records: each lane's factor
  std::vector<Words> scaled_;    // and whether the lane is scaled at all
};

// Turns the stored image into the complete new DAT content, in place: the file is read
// into memory once and written from the same bytes, with no second copy of it. Nothing
// is written until all of it is known to be sound. changed counts the quotes the request
// set, scaled, dropped or added.
Status BuildNewContent(const SeriesEdit& q, DatImage& dat, std::optional<int> hit, int& changed) {
  const std::size_t length = dat.Length();
  const auto records = static_cast<std::size_t>(dat.Records());
  std::vector<std::uint8_t>& bytes = dat.Bytes();
  // A piece of a record after the last whole one is not kept.
  bytes.resize(length * (records + 1));
  std::int16_t last = dat.LastRecord();
  if (q.kind == edit_kind::kDelete) --last;
  if (q.kind == edit_kind::kInsert) ++last;
  const auto raw = static_cast<std::uint16_t>(last);

  const auto recordAt = [&](std::size_t i) { return bytes.data() + length * (i + 1); };
  changed = 0;
  if (q.kind == edit_kind::kDelete) {
    changed = 1;
    const auto gone = static_cast<std::size_t>(*hit);
    std::memmove(recordAt(gone), recordAt(gone + 1), (records - gone - 1) * length);
    bytes.resize(bytes.size() - length);
  } else if (q.kind == edit_kind::kInsert) {
    const auto before = static_cast<std::size_t>(*hit);
    const DayNumber day = q.atTime ? q.firstDay : PreviousWeekday(dat.DayOf(*hit));
    const MbfBytes date = DayToDateFloat(day);
    bytes.resize(bytes.size() + length);
    std::memmove(recordAt(before + 1), recordAt(before), (records - before) * length);
    std::memcpy(recordAt(before) + dat.FieldOffset(Field::Date), date.data(), date.size());
    if (q.atTime) WriteTime(dat, recordAt(before), q.time);
    changed = 1;
  } else {
    const RecordEdit edit(q, dat);
    DateFloatDays days;
    const auto inRange = [&](std::size_t i) {
      const bool in =
          q.atTime ? hit == static_cast<int>(i) : InRange(q, dat.DayOf(static_cast<int>(i), days));
      changed += in ? 1 : 0;
      return in;
    };
    std::size_t i = 0;
    for (; i + 4 <= records; i += 4) {
      const bool in[4] = {inRange(i), inRange(i + 1), inRange(i + 2), inRange(i + 3)};
      if (edit.ScalesFour() && in[0] && in[1] && in[2] && in[3]) {
        const Status status = edit.ApplyFour(recordAt(i));
        if (status != kOk) return status;
        continue;
      }
      for (std::size_t j = 0; j < 4; ++j) {
        const Status status = in[j] ? edit.Apply(recordAt(i + j)) : kOk;
        if (status != kOk) return status;
      }
    }
    for (; i < records; ++i) {
      const Status status = inRange(i) ? edit.Apply(recordAt(i)) : kOk;
      if (status != kOk) return status;
    }
    if (q.kind == edit_kind::kSet && q.setTime) {
      WriteTime(dat, recordAt(static_cast<std::size_t>(*hit)), q.newTime);
    }
  }
  bytes[2] = static_cast<std::uint8_t>(raw & 0xFF);
  bytes[3] = static_cast<std::uint8_t>(raw >> 8);
  return kOk;
}

// Checks that can refuse the request before any file is read or written.
Status CheckRequest(const SeriesEdit& q) {
  if (q.kind < edit_kind::kSet || q.kind > edit_kind::kInsert) return kBadRequest;
  // A packed time names a moment of one day at most.
  constexpr PackedTime kDayLength = 24 * 3600;
  if (q.atTime && q.time >= kDayLength) return kBadRequest;
  if (q.setTime && (!q.atTime || q.kind != edit_kind::kSet || q.newTime >= kDayLength))
    return kBadRequest;
  if (q.kind == edit_kind::kDelete || q.kind == edit_kind::kInsert) return kOk;
  for (int k = 0; k < 6; ++k) {
    const bool used = q.kind != edit_kind::kSet || (q.fieldsToSet & (1u << k)) != 0;
    if (used && !HasMbfForm(q.values[static_cast<std::size_t>(k)])) return kNoMbfForm;
  }
  return kOk;
}

// A request at a time: the quote it names must be there (or, for an insert, its date and
// time must be free and a quote must follow to copy), and a new time must leave the quote
// between its neighbours in the file, so that the series stays in order.
Status CheckAtTime(const SeriesEdit& q, const DatImage& dat, std::optional<int> hit) {
  if (!dat.Layout().Has(Field::Time)) return kBadRequest;
  if (q.kind == edit_kind::kInsert) {
    if (HasQuoteAt(dat, q.firstDay, q.time)) return kBadRequest;
    if (!hit) return kRecordNotFound;
    // In front of the first quote the new one would leave MASTER's first date behind.
    return *hit == 0 ? kBadRequest : kOk;
  }
  if (!hit) return kQuoteNotFound;
  if (q.kind != edit_kind::kSet || !q.setTime) return kOk;
  const std::uint64_t key = DatImage::QuoteKey(q.firstDay, q.newTime);
  if (*hit > 0 && !(dat.KeyOf(*hit - 1) < key)) return kBadRequest;
  if (*hit + 1 < dat.Records() && !(key < dat.KeyOf(*hit + 1))) return kBadRequest;
  return kOk;
}

Status CheckAgainstSeries(const SeriesEdit& q, const DatImage& dat, std::optional<int> hit) {
  if (!dat.HasHeader()) return kDamagedFile;
  if (q.atTime) {
    const Status status = CheckAtTime(q, dat, hit);
    if (status != kOk) return status;
  }
  if (q.kind == edit_kind::kDelete) {
    if (!hit || dat.DayOf(*hit) != q.firstDay) return kQuoteNotFound;
    if (dat.LastRecord() <= 1) return kDamagedFile;
  }
  if (q.kind == edit_kind::kInsert) {
    if (!hit) return kRecordNotFound;
    if (dat.LastRecord() >= kMaxLastRecord) return kBadRequest;
    const DayNumber day = dat.DayOf(*hit);
    const DayNumber before = PreviousWeekday(day);
    if (!q.atTime && (before == 0 || before >= day)) return kBadRequest;
    if (q.atTime && q.firstDay == 0) return kBadRequest;
  }
  return kOk;
}

struct DateUpdate {
  MasterDate which;
  MbfBytes date;
  DayNumber day = 0;
};

// MASTER date changes that follow the delete of quote i out of quoteCount quotes, taken
// from the file as it was before the delete.
std::vector<DateUpdate> DeleteDateUpdates(const DatImage& dat, int i, int quoteCount) {
  auto update = [&](MasterDate which, int index) {
    return DateUpdate{which, DayToDateFloat(dat.DayOf(index)), dat.DayOf(index)};
  };
  const int n = quoteCount;
  std::vector<DateUpdate> updates;
  if (i == 0 && n > 1) {
    if (1 < dat.Records()) updates.push_back(update(MasterDate::kFirst, 1));
  } else if (i == n - 1 && n > 1) {
    if (n - 2 < dat.Records()) updates.push_back(update(MasterDate::kLast, n - 2));
  } else if (i == 0 && n == 1) {
    updates.push_back(update(MasterDate::kLast, 0));
    updates.push_back(update(MasterDate::kFirst, 0));
  }
  return updates;
}

// A series MASTER's tree does not hold, looked for in the folder's XMASTER: found only in an
// XMASTER the writes may change (a damaged one is refused before anything is written).
Status LocateXmasterForWrite(std::string_view portfolioDir, std::string_view symbol,
                             XmasterSeries& out) {
  const Status status = LocateXmasterSeries(portfolioDir, symbol, out);
  if (status != kOk) return status;
  XmasterImage image;
  return ReadXmasterImage(portfolioDir, image);
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
                     std::string_view symbol, int* recordsChanged) {
  if (recordsChanged) *recordsChanged = 0;
  Status status = CheckRequest(request);
  if (status != kOk) return status;
  PortfolioLock lock({portfolioDir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording(ChangeWords(request.kind, symbol));
  SeriesLocation series;
  status = LocateHeld(lock, portfolioDir, symbol, series);
  XmasterSeries extended;
  bool inXmaster = false;
  if (status == kFileNotFound) {
    status = LocateXmasterForWrite(portfolioDir, symbol, extended);
    inXmaster = status == kOk;
    if (inXmaster) series = extended.location;
  }
  if (status != kOk) return status;
  if (!InsidePortfolio(portfolioDir, series.found.directory)) return kDamagedFile;

  std::vector<std::uint8_t> stored;
  status = ReadWholeFile(series.datPath, stored, kMaxPortfolioFileBytes);
  if (status != kOk) return status == kFileOpen ? kFileOpen : status;
  DatImage dat(std::move(stored), series);
  // A header the readers refuse (no quote count at all) is not rewritten either.
  if (!dat.HasHeader() || dat.LastRecord() < 1) return kDamagedFile;

  const bool findsOne = request.kind == edit_kind::kDelete || request.kind == edit_kind::kInsert;
  std::optional<int> hit;
  if (request.atTime) {
    hit = FirstAtTime(dat, request);
  } else if (findsOne) {
    hit = FirstInRange(dat, request);
  }
  status = CheckAgainstSeries(request, dat, hit);
  if (status != kOk) return status;
  // The MASTER dates a delete leads to, taken from the file as it is before the delete.
  // The caller's count is from its last read, which another writer may have changed since;
  // MASTER must follow the series as it now stands (both counts come from the header).
  const std::vector<DateUpdate> dateUpdates =
      request.kind == edit_kind::kDelete ? DeleteDateUpdates(dat, *hit, dat.LastRecord() - 1)
                                         : std::vector<DateUpdate>{};

  int changed = 0;
  status = BuildNewContent(request, dat, hit, changed);
  if (status != kOk) return status;

  const int number = inXmaster ? extended.record.fileNumber : series.found.record.FileNumber();
  ReplaceNames names;
  names.directory = series.found.directory;
  names.target = inXmaster ? MwdFileName(number) : DatFileName(number);
  names.temporary = NewFileName(number);
  names.backup = BakFileName(number);
  status = ReplaceFileContent(names, dat.Bytes());
  if (status != kOk) return status;
  if (recordsChanged) *recordsChanged = changed;

  // Only now that the quote is gone from the file may MASTER say so.
  const std::string masterPath = MasterPathIn(series.found.directory);
  if (inXmaster) {
    // XMASTER takes both dates in one replacement.
    std::vector<XmasterDateChange> changes;
    for (const DateUpdate& update : dateUpdates) changes.push_back({update.which, update.day});
    if (!changes.empty() && SetXmasterDates(portfolioDir, number, changes) != kOk)
      return kXmasterDatesNotUpdated;
    return kOk;
  }
  for (const DateUpdate& update : dateUpdates) {
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
