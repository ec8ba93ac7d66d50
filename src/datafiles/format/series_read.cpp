#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/format/series_buffer_writer.h"
#include "datafiles/io/memory_files.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/regular_file.h"

namespace voltrim {

namespace {

using FilePtr = RegularStream;

FilePtr OpenForReading(const std::string& path) { return OpenRegularStream(path); }

// The last-record number from the first 4 bytes of a DAT file; below 1 is no header at all.
Status LastRecordOf(const std::uint8_t* header, std::int16_t& lastRecord) {
  lastRecord = static_cast<std::int16_t>(static_cast<std::uint16_t>(header[2] | (header[3] << 8)));
  return lastRecord < 1 ? kDamagedFile : kOk;
}

Status ReadLastRecord(std::FILE* file, std::int16_t& lastRecord) {
  std::uint8_t header[4];
  if (std::fread(header, 1, sizeof header, file) != sizeof header) return kDamagedFile;
  return LastRecordOf(header, lastRecord);
}

// Up to count bytes from offset on, in as few reads as the system allows: the number read,
// fewer at the file's end or when a read fails (as fread counts what came before a failure).
std::size_t ReadUpTo(int fd, std::uint8_t* to, std::size_t count, off_t offset) {
  std::size_t got = 0;
  while (got < count) {
    const ssize_t read = ::pread(fd, to + got, count - got, offset + static_cast<off_t>(got));
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) break;
    got += static_cast<std::size_t>(read);
  }
  return got;
}

bool SeekToQuote(std::FILE* file, long index, int recordLength) {
  return std::fseek(file, (index + 1) * recordLength, SEEK_SET) == 0;
}

// (date, time) of one quote as stored, for the binary search.
struct StoredKey {
  float date = 0.0f;
  float time = 0.0f;
};

bool ReadKey(std::FILE* file, const SeriesLocation& at, long index, StoredKey& key) {
  std::uint8_t record[4 * kMaxFieldCount];
  if (!SeekToQuote(file, index, at.recordLength)) return false;
  if (std::fread(record, 1, static_cast<std::size_t>(at.recordLength), file) !=
      static_cast<std::size_t>(at.recordLength))
    return false;
  const int datePos = at.layout[Field::Date].position;
  const int timePos = at.layout[Field::Time].position;
  key.date = MbfToIeee(record + 4 * (datePos - 1));
  key.time = timePos > 0 ? MbfToIeee(record + 4 * (timePos - 1)) : 0.0f;
  return true;
}

// The record is exactly the fields it claims, and at most 19 of them (as LocateSeries hands
// out); the readers' record buffers rely on it.
bool RecordShapeFits(const SeriesLocation& location) {
  return location.fieldCount >= 1 && location.fieldCount <= kMaxFieldCount &&
         location.recordLength == 4 * location.fieldCount;
}

bool KeyBefore(const StoredKey& a, const StoredKey& b) {
  return a.date < b.date || (a.date == b.date && a.time < b.time);
}

}  // namespace

Status ReadDatLastRecord(const std::string& datPath, std::int16_t& lastRecord) {
  const FilePtr file = OpenForReading(datPath);
  if (!file) return kFileOpen;
  return ReadLastRecord(file.get(), lastRecord);
}

Status LocateSeries(std::string_view portfolioDir, std::string_view symbol, SeriesLocation& out) {
  out = SeriesLocation{};
  const Status found = FindSymbol(portfolioDir, symbol, out.found);
  if (found != kOk) return found;
  return CompleteSeriesLocation(out);
}

Status CompleteSeriesLocation(SeriesLocation& out) {
  const MasterRecord& record = out.found.record;
  out.recordLength = record.RecordLength();
  out.fieldCount = record.FieldCount();
  if (!RecordShapeFits(out)) return kDamagedFile;
  const int n = record.FileNumber();
  out.datPath = ResolveInDirectory(out.found.directory, DatFileName(n));
  const Status layout = ReadSeriesColumnLayout(out.found.directory, n, out.datPath, out.recordLength,
                                               out.layout, record.IsIntraday(), out.dopPath);
  if (layout != kOk) return layout;
  return CheckColumnLayout(out.layout, out.fieldCount);
}

void SeriesReader::CloseDescriptor() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void SeriesReader::Close() {
  CloseDescriptor();
  file_.reset();
  bytes_ = nullptr;
  total_ = 0;
  reads_ = 0;
  aheadFirst_ = 0;
  aheadCount_ = 0;
}

void SeriesReader::TakeLocation(const SeriesLocation& location, std::int16_t lastRecord) {
  layout_ = location.layout;
  recordLength_ = location.recordLength;
  fieldCount_ = location.fieldCount;
  total_ = lastRecord - 1;
}

Status SeriesReader::Open(const SeriesLocation& location) {
  Close();
  if (!ValidLocation(location)) return kBadRequest;
  if (file_ops::MemoryFilesInUse() != nullptr) {
    RegularStream file = OpenRegularStream(location.datPath);
    if (!file) return kFileOpen;
    return OpenStream(file.release(), location);
  }
  const int fd = OpenRegularFile(location.datPath);
  if (fd < 0) return kFileOpen;
  std::uint8_t header[4];
  std::int16_t last = 0;
  const Status status = ReadUpTo(fd, header, sizeof header, 0) == sizeof header
                            ? LastRecordOf(header, last)
                            : kDamagedFile;
  if (status != kOk) {
    ::close(fd);
    return status;
  }
  fd_ = fd;
  TakeLocation(location, last);
  return kOk;
}

Status SeriesReader::OpenBytes(const std::vector<std::uint8_t>& bytes,
                               const SeriesLocation& location) {
  Close();
  if (!ValidLocation(location)) return kBadRequest;
  std::int16_t last = 0;
  if (bytes.size() < 4) return kDamagedFile;
  if (const Status header = LastRecordOf(bytes.data(), last); header != kOk) return header;
  bytes_ = &bytes;
  TakeLocation(location, last);
  return kOk;
}

Status SeriesReader::OpenStream(std::FILE* stream, const SeriesLocation& location) {
  std::unique_ptr<std::FILE, FileCloser> file(stream);
  Close();
  if (!ValidLocation(location)) return kBadRequest;  // not a location LocateSeries handed out
  if (!file) return kFileOpen;
  // Every read is a whole window that goes straight into the buffer; a stream buffer
  // would only copy it once more and be thrown away at the next seek. (A stream over memory
  // has no descriptor and keeps its buffer: unbuffered, the C library reads it byte by byte.)
  if (::fileno(file.get()) >= 0) std::setvbuf(file.get(), nullptr, _IONBF, 0);
  std::int16_t last = 0;
  if (const Status header = ReadLastRecord(file.get(), last); header != kOk) return header;
  file_ = std::move(file);
  TakeLocation(location, last);
  return kOk;
}

bool SeriesReader::ValidLocation(const SeriesLocation& location) {
  return RecordShapeFits(location);
}

Status SeriesReader::Read(SeriesBuffer& buffer, int start, int count) {
  if (!IsOpen()) return kFileOpen;
  const int quotes = total_;

  SeriesBufferWriter writer(buffer);
  if (count < 0) {
    // All quotes from start on, at most kMaxReadAll of them.
    count = std::min(quotes - std::max(start, 0), kMaxReadAll);
    // Nothing left to read: say so, rather than leave the last read's count standing.
    if (count == 0) writer.SetCount(0);
  }
  writer.SetTotal(quotes);
  if (count == 0) return kOk;
  count = std::min(count, buffer.Capacity());
  if (start < 0) start = std::max(quotes - count, 0);
  if (start > quotes - 1) return kRecordNotFound;

  // The whole window in one read, decoded from memory; a short file ends it early.
  const int wanted = std::min(count, quotes - start);
  const auto recordLength = static_cast<std::size_t>(recordLength_);
  const std::size_t size = static_cast<std::size_t>(wanted) * recordLength;
  std::uint8_t* rows = writer.PrepareRows(wanted, layout_, fieldCount_);
  if (rows == nullptr) return kMalloc;
  const int filled = bytes_ == nullptr && ++reads_ > 1 && size <= kReadAheadBytes / 4
                         ? CopyFromReadAhead(rows, start, wanted)
                         : ReadRecords(rows, start, wanted);
  MbfToIeeeInPlace(rows, static_cast<std::size_t>(filled) * recordLength / 4);
  writer.SetRows(filled);
  writer.SetCount(filled);
  return kOk;
}

int SeriesReader::ReadRecords(std::uint8_t* to, int start, int count) {
  if (bytes_ != nullptr) {
    // A file shorter than its header says gives the whole records it holds.
    const auto recordLength = static_cast<std::size_t>(recordLength_);
    const std::size_t from = (static_cast<std::size_t>(start) + 1) * recordLength;
    const std::size_t held = bytes_->size() > from ? (bytes_->size() - from) / recordLength : 0;
    const std::size_t copied = std::min(held, static_cast<std::size_t>(count));
    if (copied > 0) std::memcpy(to, bytes_->data() + from, copied * recordLength);
    return static_cast<int>(copied);
  }
  const auto recordLength = static_cast<std::size_t>(recordLength_);
  if (fd_ >= 0) {
    const auto offset = static_cast<off_t>((static_cast<std::size_t>(start) + 1) * recordLength);
    const std::size_t got = ReadUpTo(fd_, to, static_cast<std::size_t>(count) * recordLength, offset);
    return static_cast<int>(got / recordLength);
  }
  // A failed read before must not make this one look failed too.
  std::clearerr(file_.get());
  if (!SeekToQuote(file_.get(), start, recordLength_)) return 0;
  const std::size_t got =
      std::fread(to, 1, static_cast<std::size_t>(count) * recordLength, file_.get());
  return static_cast<int>(got / recordLength);
}

bool SeriesReader::ReserveReadAhead() {
  // Not cleared: only the records read are ever looked at.
  if (!aheadBytes_) aheadBytes_.reset(new (std::nothrow) std::uint8_t[kReadAheadBytes]);
  return aheadBytes_ != nullptr;
}

bool SeriesReader::FillReadAhead(int start, int wanted) {
  if (start >= aheadFirst_ && start + wanted <= aheadFirst_ + aheadCount_) return true;
  if (!ReserveReadAhead()) return false;
  // Windows are read in order, oldest or newest first: read on in the same direction.
  const int span = static_cast<int>(kReadAheadBytes / static_cast<std::size_t>(recordLength_));
  const bool backwards = start < aheadFirst_;
  const int first = backwards ? std::max(0, start + wanted - span) : start;
  aheadFirst_ = first;
  aheadCount_ = ReadRecords(aheadBytes_.get(), first, std::min(span, total_ - first));
  return true;
}

int SeriesReader::CopyFromReadAhead(std::uint8_t* rows, int start, int wanted) {
  // Without memory for the read-ahead, the window is read as it is.
  if (!FillReadAhead(start, wanted)) return ReadRecords(rows, start, wanted);
  const auto recordLength = static_cast<std::size_t>(recordLength_);
  // A file shorter than its header says ends the window early, as a direct read would.
  const int filled = std::clamp(aheadFirst_ + aheadCount_ - start, 0, wanted);
  std::memcpy(rows,
              aheadBytes_.get() + static_cast<std::size_t>(start - aheadFirst_) * recordLength,
              static_cast<std::size_t>(filled) * recordLength);
  return filled;
}

int SeriesReader::ReadStored(int start, int count, const std::uint8_t*& records) {
  records = nullptr;
  if (!IsOpen() || start < 0 || start >= total_ || count <= 0) return 0;
  const auto recordLength = static_cast<std::size_t>(recordLength_);
  count = std::min({count, total_ - start, static_cast<int>(kReadAheadBytes / recordLength)});
  if (bytes_ != nullptr) {
    // A file shorter than its header says gives the whole records it holds.
    const std::size_t from = (static_cast<std::size_t>(start) + 1) * recordLength;
    const std::size_t held = bytes_->size() > from ? (bytes_->size() - from) / recordLength : 0;
    if (held > 0) records = bytes_->data() + from;
    return static_cast<int>(std::min(held, static_cast<std::size_t>(count)));
  }
  if (!FillReadAhead(start, count)) return 0;
  const int filled = std::clamp(aheadFirst_ + aheadCount_ - start, 0, count);
  if (filled > 0)
    records = aheadBytes_.get() + static_cast<std::size_t>(start - aheadFirst_) * recordLength;
  return filled;
}

Status ReadSeriesAt(SeriesBuffer& buffer, const SeriesLocation& location, int start, int count) {
  SeriesReader reader;
  const Status opened = reader.Open(location);
  if (opened != kOk) return opened;
  return reader.Read(buffer, start, count);
}

Status ReadSeries(SeriesBuffer& buffer, std::string_view portfolioDir, std::string_view symbol,
                  int start, int count) {
  SeriesLocation location;
  const Status located = LocateSeries(portfolioDir, symbol, location);
  if (located != kOk) return located;
  return ReadSeriesAt(buffer, location, start, count);
}

int FindQuote(std::string_view portfolioDir, std::string_view symbol, DayNumber day,
              PackedTime time, DayNumber* foundDay, PackedTime* foundTime) {
  SeriesLocation at;
  const Status located = LocateSeries(portfolioDir, symbol, at);
  if (located != kOk) return located;
  return FindQuoteIn(OpenForReading(at.datPath).release(), at, day, time, foundDay, foundTime);
}

int FindQuoteIn(std::FILE* stream, const SeriesLocation& at, DayNumber day, PackedTime time,
                DayNumber* foundDay, PackedTime* foundTime) {
  const FilePtr file(stream);
  if (!RecordShapeFits(at)) return kBadRequest;  // not a location LocateSeries handed out
  if (!file) return kFileOpen;
  const StoredKey target{DayToDateValue(day),
                         at.layout.Has(Field::Time) ? PackedToTimeValue(time) : 0.0f};
  std::int16_t last = 0;
  if (const Status header = ReadLastRecord(file.get(), last); header != kOk) return header;
  const long quotes = last - 1;

  long low = 0;
  long high = quotes - 1;
  long result = -1;
  StoredKey key;
  while (low <= high) {
    const long middle = low + (high - low) / 2;
    if (!ReadKey(file.get(), at, middle, key)) return kFileRead;
    if (KeyBefore(key, target)) {
      low = middle + 1;
    } else if (KeyBefore(target, key)) {
      high = middle - 1;
    } else {
      result = middle;
      break;
    }
  }
  if (result < 0) result = low;
  const bool pastEnd = result >= quotes;
  const long reported = pastEnd ? quotes - 1 : result;
  StoredKey reportedKey;
  if (reported >= 0 && !ReadKey(file.get(), at, reported, reportedKey)) return kFileRead;
  if (foundDay != nullptr) *foundDay = DateFloatToDay(reportedKey.date);
  if (foundTime != nullptr) *foundTime = TimeFloatToPacked(reportedKey.time);
  return pastEnd ? kRecordNotFound : static_cast<int>(result);
}

}  // namespace voltrim
