#include "datafiles/write/import_quotes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>

#include "datafiles/format/encodings.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/held_series.h"
#include "datafiles/write/master_replace.h"
#include "datafiles/write/rewrite_series.h"
#include "datafiles/write/xmaster_write.h"

namespace voltrim {

namespace {

// Where a quote stands in date and time order.
struct Key {
  float date;
  float time;
};

bool Less(const Key& a, const Key& b) {
  return a.date < b.date || (a.date == b.date && a.time < b.time);
}
bool Same(const Key& a, const Key& b) { return a.date == b.date && a.time == b.time; }

// IeeeToMbf's four bytes as one little-endian word, without a branch: a new quote's every
// field goes through it.
std::uint32_t MbfWord(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  const std::uint32_t exponent = ((bits >> 23) + 2u) & 0xFFu;
  const std::uint32_t mbf = (bits & 0x7FFFFFu) | ((bits >> 31) << 23) | (exponent << 24);
  return mbf & ((bits & 0x7FFFFFFFu) != 0 ? 0xFFFFFFFFu : 0u);  // both zeros: four zero bytes
}

void StoreMbf(float value, std::uint8_t* out) {
  if constexpr (std::endian::native != std::endian::little) return IeeeToMbf(value, out);
  const std::uint32_t mbf = MbfWord(value);
  std::memcpy(out, &mbf, 4);
}

// IsImportDate, keeping the last month it found: a file's dates come month by month, and a
// day of a known month needs only its day number checked.
class DateCheck {
 public:
  bool Holds(float value) {
    if (!(value >= 10101.0f) || value >= 16777216.0f) return false;
    const auto whole = static_cast<int>(value);
    if (static_cast<float>(whole) != value) return false;
    const int month = whole / 100;
    const int day = whole - month * 100;
    if (month == month_) return day >= 1 && day <= lastDay_;
    if (!IsImportDate(value)) return false;
    month_ = month;
    lastDay_ = LastImportDay(month / 100 + 1900, month % 100);
    return true;
  }

 private:
  int month_ = -1;  // (year - 1900) x 100 + month
  int lastDay_ = 0;
};

// Where a new quote's numbers (date, time and the six values, in ImportQuote's order) go in
// its record: byte offsets, -1 for one not written (a field the series lacks or the file
// does not give, which stays 0).
using NewFields = std::array<int, 2 + kValueFields.size()>;

// Writes q into record, all zeros before. fields comes by value: a copy of its own, which
// the record's bytes cannot alias, stays in registers from one record to the next. The eight
// numbers are converted side by side, then placed.
void PutNewRecord(std::uint8_t* record, const ImportQuote& q, const NewFields fields) {
  const std::array<float, 8> numbers = {q.date,      q.time,      q.values[0], q.values[1],
                                        q.values[2], q.values[3], q.values[4], q.values[5]};
  std::array<std::uint32_t, 8> words;  // each set below
  for (std::size_t k = 0; k < words.size(); ++k) words[k] = MbfWord(numbers[k]);
#pragma GCC unroll 8
  for (std::size_t k = 0; k < words.size(); ++k) {
    if (fields[k] < 0) continue;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(record + fields[k], &words[k], 4);
    } else {
      IeeeToMbf(numbers[k], record + fields[k]);
    }
  }
}

// Byte offset of a field in a record, or -1 when the series lacks it.
int OffsetOf(const ColumnLayout& layout, Field field) {
  return layout.Has(field) ? 4 * (layout[field].position - 1) : -1;
}

class Planner {
 public:
  Planner(const SeriesLocation& series, const std::vector<std::uint8_t>& dat,
          const ImportRequest& request, ImportResult& result)
      : dat_(dat),
        request_(request),
        result_(result),
        length_(static_cast<std::size_t>(series.recordLength)),
        layout_(series.layout),
        withTime_(series.layout.Has(Field::Time)) {
    for (int f = 0; f < kFieldKindCount; ++f)
      offsets_[static_cast<std::size_t>(f)] = OffsetOf(layout_, static_cast<Field>(f));
    newFields_[0] = Offset(Field::Date);
    newFields_[1] = withTime_ && Given(Field::Time) ? Offset(Field::Time) : -1;
    for (std::size_t k = 0; k < kValueFields.size(); ++k)
      newFields_[2 + k] = Given(kValueFields[k]) ? Offset(kValueFields[k]) : -1;
  }

  Status Run(std::vector<std::uint8_t>* content) {
    result_ = ImportResult{};
    result_.layout = layout_;
    Status status = CheckRequest();
    if (status == kOk) status = CheckStored();
    if (status != kOk) return status;
    if (!ascending_) {
      Order();
      if (FindDuplicate()) return kImportDuplicate;
    }
    MatchStored();
    result_.quotesAfter = stored_ + result_.added;
    if (result_.quotesAfter > kMaxImportQuotes) return kImportTooMany;
    if (result_.differing > 0 && request_.overlap == ImportOverlap::kRefuse) return kImportDiffers;
    if (content != nullptr) Build(*content);
    return kOk;
  }

 private:
  // Also notes whether the keys ascend strictly, as in nearly every file: the quotes are then
  // in order and no two share a key, and neither needs a pass of its own.
  Status CheckRequest() {
    if (!request_.given[static_cast<std::size_t>(Field::Date)]) return kBadRequest;
    const bool timeGiven = request_.given[static_cast<std::size_t>(Field::Time)];
    std::array<bool, kValueFields.size()> checked{};
    for (std::size_t k = 0; k < kValueFields.size(); ++k) checked[k] = Given(kValueFields[k]);
    ascending_ = true;
    const ImportQuote* previous = nullptr;
    DateCheck dates;
    for (const ImportQuote& q : request_.quotes) {
      if (!dates.Holds(q.date) || (timeGiven && !IsImportTime(q.time))) return kBadRequest;
      // Summed without a branch per value.
      unsigned unstorable = 0;
#pragma GCC unroll 6
      for (std::size_t k = 0; k < q.values.size(); ++k)
        unstorable |= static_cast<unsigned>(checked[k]) & (HasMbfForm(q.values[k]) ? 0u : 1u);
      if (unstorable != 0) return kBadRequest;
      if (previous != nullptr && !Less(KeyOf(*previous), KeyOf(q))) ascending_ = false;
      previous = &q;
    }
    return kOk;
  }

  // The header must count the records the file holds, no more and no fewer: quotes added
  // to a file whose length and header disagree could not all be read back.
  Status CheckStored() {
    if (dat_.size() < length_) return kDamagedFile;
    const auto last = static_cast<std::int16_t>(dat_[2] | (dat_[3] << 8));
    if (last < 1 || dat_.size() != length_ * static_cast<std::size_t>(last)) return kDamagedFile;
    stored_ = last - 1;
    result_.quotesBefore = stored_;
    return kOk;
  }

  bool Given(Field f) const { return request_.given[static_cast<std::size_t>(f)]; }
  int Offset(Field f) const { return offsets_[static_cast<std::size_t>(f)]; }

  Key KeyOf(const ImportQuote& q) const {
    return {q.date, withTime_ && Given(Field::Time) ? q.time : 0.0f};
  }
  Key StoredKey(int i) const {
    const std::uint8_t* record = Record(i);
    return {MbfToIeee(record + Offset(Field::Date)),
            withTime_ ? MbfToIeee(record + Offset(Field::Time)) : 0.0f};
  }
  const std::uint8_t* Record(int i) const {
    return dat_.data() + length_ * (static_cast<std::size_t>(i) + 1);
  }

  // The request's quotes in date order: a request whose keys ascend is in order already.
  void Order() {
    if (order_.size() == request_.quotes.size()) return;
    order_.resize(request_.quotes.size());
    std::iota(order_.begin(), order_.end(), std::size_t{0});
    const auto before = [&](std::size_t a, std::size_t b) {
      const Key ka = KeyOf(request_.quotes[a]);
      const Key kb = KeyOf(request_.quotes[b]);
      if (Less(ka, kb)) return true;
      if (Less(kb, ka)) return false;
      return request_.quotes[a].line < request_.quotes[b].line;
    };
    if (!ascending_ && !std::is_sorted(order_.begin(), order_.end(), before))
      std::sort(order_.begin(), order_.end(), before);
  }

  // The pair of lines sharing a date whose later line comes first in the file.
  bool FindDuplicate() {
    bool found = false;
    for (std::size_t i = 0; i + 1 < order_.size(); ++i) {
      const ImportQuote& a = request_.quotes[order_[i]];
      const ImportQuote& b = request_.quotes[order_[i + 1]];
      if (!Same(KeyOf(a), KeyOf(b))) continue;
      // Within a run of one date the lines ascend, so the run's first pair is its earliest.
      if (i > 0 && Same(KeyOf(request_.quotes[order_[i - 1]]), KeyOf(a))) continue;
      if (!found || b.line < result_.duplicateLines[1]) {
        result_.duplicateLines[0] = a.line;
        result_.duplicateLines[1] = b.line;
        result_.duplicate = b;
        found = true;
      }
    }
    return found;
  }

  // The value fields the file gives and the series has, as they would be stored.
  bool SameValues(const ImportQuote& q, const std::uint8_t* record) const {
    for (std::size_t k = 0; k < kValueFields.size(); ++k) {
      const Field f = kValueFields[k];
      if (!Given(f) || Offset(f) < 0) continue;
      const MbfBytes value = IeeeToMbf(q.values[k]);
      if (std::memcmp(value.data(), record + Offset(f), value.size()) != 0) return false;
    }
    return true;
  }

  // Whether the request's keys all lie above every stored key, as when the days after the
  // last stored one are added: nothing then needs looking up.
  bool AboveEveryStored() const {
    if (!ascending_ || request_.quotes.empty()) return false;
    const Key lowest = KeyOf(request_.quotes.front());
    for (int i = 0; i < stored_; ++i)
      if (!Less(StoredKey(i), lowest)) return false;
    return true;
  }

  void MatchStored() {
    replacement_.assign(static_cast<std::size_t>(stored_), nullptr);
    // Every quote is new and goes after the stored ones, in the request's order.
    appendAll_ = AboveEveryStored();
    if (appendAll_) {
      result_.added = static_cast<int>(request_.quotes.size());
      return;
    }
    Order();
    added_.reserve(order_.size());
    // Stored quotes by key, the first stored of each key first; a key that is no number
    // matches nothing.
    std::vector<std::pair<Key, int>> index;
    index.reserve(static_cast<std::size_t>(stored_));
    for (int i = 0; i < stored_; ++i) {
      const Key key = StoredKey(i);
      if (!std::isnan(key.date) && !std::isnan(key.time)) index.push_back({key, i});
    }
    std::sort(index.begin(), index.end(), [](const auto& a, const auto& b) {
      if (Less(a.first, b.first)) return true;
      if (Less(b.first, a.first)) return false;
      return a.second < b.second;
    });
    for (const std::size_t at : order_) {
      const ImportQuote& q = request_.quotes[at];
      const Key key = KeyOf(q);
      const auto hit =
          std::lower_bound(index.begin(), index.end(), key,
                           [](const auto& entry, const Key& k) { return Less(entry.first, k); });
      if (hit == index.end() || !Same(hit->first, key)) {
        added_.push_back(&q);
        continue;
      }
      if (SameValues(q, Record(hit->second))) {
        ++result_.skipped;
        continue;
      }
      ++result_.differing;
      if (result_.firstDiffering.size() < kDifferingNamed) result_.firstDiffering.push_back(q);
      if (request_.overlap == ImportOverlap::kReplace) {
        replacement_[static_cast<std::size_t>(hit->second)] = &q;
        ++result_.replaced;
      } else if (request_.overlap == ImportOverlap::kKeep) {
        ++result_.kept;
      }
    }
    result_.added = static_cast<int>(added_.size());
  }

  void PutStored(std::uint8_t* record, int i) const {
    std::memcpy(record, Record(i), length_);
    const ImportQuote* q = replacement_[static_cast<std::size_t>(i)];
    if (q == nullptr) return;
    for (std::size_t k = 0; k < kValueFields.size(); ++k)
      if (newFields_[2 + k] >= 0) StoreMbf(q->values[k], record + newFields_[2 + k]);
  }

  void Build(std::vector<std::uint8_t>& out) {
    const int last = result_.quotesAfter + 1;
    out.assign(length_ * static_cast<std::size_t>(last), 0);
    std::memcpy(out.data(), dat_.data(), length_);
    const auto raw = static_cast<std::uint16_t>(last);
    out[2] = static_cast<std::uint8_t>(raw & 0xFFu);
    out[3] = static_cast<std::uint8_t>(raw >> 8);
    std::uint8_t* record = out.data() + length_;
    // Locals, as the stores into the records may alias any member.
    const NewFields fields = newFields_;
    const std::size_t length = length_;
    if (appendAll_) {
      std::memcpy(record, Record(0), length * static_cast<std::size_t>(stored_));
      record += length * static_cast<std::size_t>(stored_);
      const ImportQuote* const quotes = request_.quotes.data();
      const std::size_t count = request_.quotes.size();
      for (std::size_t i = 0; i < count; ++i, record += length)
        PutNewRecord(record, quotes[i], fields);
      return NoteFirstAndLastDates(out);
    }
    const ImportQuote* const* const added = added_.data();
    const std::size_t addedCount = added_.size();
    std::size_t next = 0;
    for (int i = 0; i < stored_; ++i) {
      // A stored key that is no number compares with nothing; the new quotes wait past it.
      const Key key = StoredKey(i);
      for (; next < addedCount && Less(KeyOf(*added[next]), key); record += length)
        PutNewRecord(record, *added[next++], fields);
      PutStored(record, i);
      record += length;
    }
    for (; next < addedCount; record += length) PutNewRecord(record, *added[next++], fields);
    NoteFirstAndLastDates(out);
  }

  void NoteFirstAndLastDates(const std::vector<std::uint8_t>& out) {
    if (result_.quotesAfter > 0) {
      const std::size_t date = static_cast<std::size_t>(Offset(Field::Date));
      std::memcpy(result_.firstDate.data(), out.data() + length_ + date, 4);
      std::memcpy(result_.lastDate.data(), out.data() + out.size() - length_ + date, 4);
    }
  }

  const std::vector<std::uint8_t>& dat_;
  const ImportRequest& request_;
  ImportResult& result_;
  std::size_t length_;
  ColumnLayout layout_;
  bool withTime_;
  std::array<int, kFieldKindCount> offsets_{};
  int stored_ = 0;
  bool ascending_ = false;                       // the request's keys ascend strictly
  bool appendAll_ = false;                       // all of them after every stored key
  std::vector<std::size_t> order_;               // request quotes in date order
  std::vector<const ImportQuote*> added_;        // new quotes, in date order
  std::vector<const ImportQuote*> replacement_;  // per stored quote: the file's values, or null
  NewFields newFields_;
};

// Sets both dates of the records of fileNumber; nothing is written when they hold them.
Status FollowDates(const std::string& masterPath, int fileNumber, const ImportResult& result) {
  MasterImage master;
  const Status status = ReadMasterImage(masterPath, master);
  if (status != kOk) return status;
  const std::vector<std::uint8_t> before = master.bytes;
  bool matched = false;
  for (int i = 0; i < master.RecordCount(); ++i) {
    std::uint8_t* record = master.Record(i);
    if (record[master_offset::kFileNumber] != fileNumber) continue;
    std::memcpy(record + master_offset::kFirstDate, result.firstDate.data(), 4);
    std::memcpy(record + master_offset::kLastDate, result.lastDate.data(), 4);
    matched = true;
  }
  if (!matched) return kRecordNotFound;
  if (master.bytes == before) return kOk;
  return ReplaceMasterKeepingEmaster(masterPath, before, master.bytes, ".NEW", true);
}

}  // namespace

bool IsImportDate(float value) {
  if (!(value >= 10101.0f) || value >= 16777216.0f) return false;
  const auto whole = static_cast<int>(value);
  if (static_cast<float>(whole) != value) return false;
  const int year = whole / 10000;
  const int month = whole / 100 % 100;
  const int day = whole % 100;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year + 1900, month)) return false;
  // Day numbers begin on 1 January 1961 and end on 4 June 2140; beyond, they wrap.
  return whole >= 610101 && whole <= 2400604;
}

int LastImportDay(int year, int month) {
  // Day numbers end on 4 June 2140, within its month.
  return year == 2140 && month == 6 ? 4 : DaysInMonth(year, month);
}

bool IsImportTime(float value) {
  if (!(value >= 0.0f) || value >= 240000.0f) return false;
  const auto whole = static_cast<int>(value);
  return static_cast<float>(whole) == value && whole / 100 % 100 < 60 && whole % 100 < 60;
}

Status PlanImport(const SeriesLocation& series, const std::vector<std::uint8_t>& dat,
                  const ImportRequest& request, ImportResult& result,
                  std::vector<std::uint8_t>* content) {
  return Planner(series, dat, request, result).Run(content);
}

Status PreviewImport(std::string_view portfolioDir, std::string_view symbol,
                     const ImportRequest& request, ImportResult& result) {
  result = ImportResult{};
  SeriesLocation series;
  Status status = LocateAnySeries(portfolioDir, symbol, series);
  if (status != kOk) return status;
  std::vector<std::uint8_t> dat;
  status = ReadWholeFile(series.datPath, dat, kMaxPortfolioFileBytes);
  if (status != kOk) return status;
  return PlanImport(series, dat, request, result);
}

std::int32_t XmasterDateOfMbf(const MbfBytes& date) {
  return XmasterDateOf(DateFloatToDay(MbfToIeee(date.data())));
}

Status ImportQuotes(std::string_view portfolioDir, std::string_view symbol,
                    const ImportRequest& request, ImportResult& result) {
  result = ImportResult{};
  PortfolioLock lock({portfolioDir});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("Import Quotes into " + std::string(symbol));
  SeriesLocation series;
  Status status = LocateHeld(lock, portfolioDir, symbol, series);
  // A series MASTER's tree lacks may be one of XMASTER's, which is then read for the write
  // (a damaged one is refused before anything is written).
  XmasterSeries extended;
  XmasterImage xmaster;
  const bool inXmaster =
      status == kFileNotFound && LocateXmasterSeries(portfolioDir, symbol, extended) == kOk;
  if (inXmaster) {
    status = ReadXmasterImage(portfolioDir, xmaster);
    series = extended.location;
  }
  if (status != kOk) return status;
  if (!InsidePortfolio(portfolioDir, series.found.directory)) return kDamagedFile;
  std::vector<std::uint8_t> dat;
  status = ReadWholeFile(series.datPath, dat, kMaxPortfolioFileBytes);
  if (status != kOk) return status;
  std::vector<std::uint8_t> content;
  status = PlanImport(series, dat, request, result, &content);
  if (status != kOk) return status;

  const int number = inXmaster ? extended.record.fileNumber : series.found.record.FileNumber();
  const bool changes = result.added + result.replaced > 0;
  if (changes) {
    ReplaceNames names;
    names.directory = series.found.directory;
    names.target = inXmaster ? MwdFileName(number) : DatFileName(number);
    names.temporary = NewFileName(number);
    names.backup = BakFileName(number);
    status = ReplaceFileContent(names, content);
    if (status != kOk) return status;
  }
  if (result.quotesAfter == 0) return kOk;
  if (inXmaster) {
    const XmasterRecord& record = extended.record;
    if (record.firstDate == XmasterDateOfMbf(result.firstDate) &&
        record.lastDate == XmasterDateOfMbf(result.lastDate))
      return kOk;
    // Only once the quotes stand may XMASTER name their dates.
    status =
        SetXmasterDates(portfolioDir, number,
                        {{MasterDate::kFirst, DateFloatToDay(MbfToIeee(result.firstDate.data()))},
                         {MasterDate::kLast, DateFloatToDay(MbfToIeee(result.lastDate.data()))}});
    if (status != kOk && changes) return kXmasterDatesNotUpdated;
    return status;
  }
  // MASTER was read under the lock at the lookup: when the record already holds the dates,
  // there is nothing to follow.
  const MasterBytes& record = series.found.record.bytes;
  if (std::memcmp(record.data() + master_offset::kFirstDate, result.firstDate.data(), 4) == 0 &&
      std::memcmp(record.data() + master_offset::kLastDate, result.lastDate.data(), 4) == 0)
    return kOk;
  // Only once the quotes stand may MASTER name their dates.
  status = FollowDates(MasterPathIn(series.found.directory), number, result);
  if (status != kOk && changes) return kMasterDatesNotUpdated;
  return status;
}

}  // namespace voltrim
