#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/encodings.h"
#include "datafiles/format/master.h"
#include "datafiles/status.h"

namespace voltrim {

inline constexpr int kMaxFieldCount = 19;
// Longest read a ReadSeries with a negative count makes.
inline constexpr int kMaxReadAll = 16000;

enum class Field : int { Date = 0, Time, Open, High, Low, Close, Vol, Oi };
inline constexpr int kFieldKindCount = 8;
inline std::size_t FieldSlot(Field f) { return static_cast<std::size_t>(f); }
inline constexpr std::array<Field, 6> kValueFields = {Field::Open,  Field::High, Field::Low,
                                                      Field::Close, Field::Vol,  Field::Oi};

struct ColumnField {
  std::int16_t position = 0;  // 1-based position in the DAT record, 0 when absent
  std::int16_t inputFormat = 0;
  std::int16_t displayFormat = 0;
};

struct ColumnLayout {
  std::array<ColumnField, kFieldKindCount> fields{};

  const ColumnField& operator[](Field f) const { return fields[static_cast<std::size_t>(f)]; }
  ColumnField& operator[](Field f) { return fields[static_cast<std::size_t>(f)]; }
  bool Has(Field f) const { return (*this)[f].position != 0; }
};

// A real DOP file is a few hundred bytes; anything larger than this is not one.
inline constexpr std::size_t kMaxDopFileBytes = 1 << 20;

// Reads the DOP file at dopPath, or infers the layout from the record length when it
// is not there (for length 20 the sibling DAT file's first quote decides; an intraday
// series keeps its time second). A DOP name that is not a readable regular file is damage.
Status ReadColumnLayout(const std::string& dopPath, int recordLength, ColumnLayout& out,
                        bool intraday = false);
// The same for a data file that is not the DOP file's sibling F<n>.DAT (an F<n>.MWD).
Status ReadColumnLayoutOf(const std::string& dopPath, const std::string& dataPath, int recordLength,
                          ColumnLayout& out, bool intraday);
// The same for series fileNumber of directory, its DOP file under its name in any case;
// dopPath receives that file's path (an existing case variant, else the canonical name).
Status ReadSeriesColumnLayout(const std::string& directory, int fileNumber,
                              const std::string& dataPath, int recordLength, ColumnLayout& out,
                              bool intraday, std::string& dopPath);
// Parses DOP text already in memory (lines of at most 299 characters; longer lines go on
// as further lines). A recognised field line without its two format codes is refused.
Status ParseDopText(std::string_view text, ColumnLayout& out);
// The layout a record length implies when there is no DOP file; for 20 bytes the first
// stored quote decides (null: no quote could be read). Intraday series of 28 and 32
// bytes have DATE, TIME, OPEN, HIGH, LOW, CLOSE, VOL (and OI). kNoLayout for other lengths.
Status InferColumnLayout(int recordLength, const std::uint8_t* firstQuote, ColumnLayout& out,
                         bool intraday = false);
// kOk when the layout fits a record of fieldCount fields and has DATE.
Status CheckColumnLayout(const ColumnLayout& layout, int fieldCount);

struct Quote {
  DayNumber date = 0;
  PackedTime time = 0;
  float open = -1.0f;
  float high = -1.0f;
  float low = -1.0f;
  float close = -1.0f;
  float volume = -1.0f;
  float openInterest = -1.0f;

  float Value(Field f) const;  // Open..Oi
};

// A window of quotes in memory. The quotes are kept as read (one row of IEEE singles per
// quote, in stored field order) and each column is a view on them: element i of a column
// is element i x stride + offset. Dates and times are decoded when asked for, so that a
// read costs little more than the read itself.
class SeriesBuffer {
 public:
  SeriesBuffer() = default;
  // A buffer for up to capacity quotes, as AllocSeriesBuffer makes one; its storage goes
  // with it. Allocated() is false for a capacity outside 0..32,767.
  explicit SeriesBuffer(int capacity);
  bool Allocated() const { return allocated_; }

  int Capacity() const { return capacity_; }
  int Count() const { return count_; }
  std::int32_t Total() const { return total_; }
  Quote At(int index) const;
  DayNumber DateAt(int index) const {
    const float* date = Slot(Field::Date, index);
    return date != nullptr ? DateFloatToDay(*date) : DayNumber{0};
  }
  PackedTime TimeAt(int index) const {
    const float* time = Slot(Field::Time, index);
    return time != nullptr ? TimeFloatToPacked(*time) : PackedTime{0};
  }
  // Open..Oi; -1.0 for a field the series does not have. Date and Time give their
  // DayNumber and PackedTime as numbers.
  float ValueAt(Field f, int index) const {
    if (f == Field::Date) return static_cast<float>(DateAt(index));
    if (f == Field::Time) return static_cast<float>(TimeAt(index));
    const float* value = Slot(f, index);
    return value != nullptr ? *value : -1.0f;
  }

  // One value field (Open..Oi) of the quotes held, for loops over many quotes; a field
  // the series does not have reads -1.0 at every index. Date and Time give the stored
  // YYYMMDD and HHMMSS values. Indexes are not checked: keep them below Count().
  class Column {
   public:
    float operator[](int index) const {
      return values_[static_cast<std::ptrdiff_t>(index) * stride_];
    }

   private:
    friend class SeriesBuffer;
    Column(const float* values, std::ptrdiff_t stride) : values_(values), stride_(stride) {}
    const float* values_;
    std::ptrdiff_t stride_;
  };
  bool HasField(Field f) const { return offsets_[static_cast<std::size_t>(f)] >= 0; }
  Column ValueColumn(Field f) const {
    static constexpr float kAbsent = -1.0f;
    const int offset = offsets_[static_cast<std::size_t>(f)];
    if (offset < 0 || rowCount_ == 0) return Column(&kAbsent, 0);
    return Column(rows_.data() + offset, stride_);
  }

 private:
  friend Status AllocSeriesBuffer(SeriesBuffer&, int);
  friend void FreeSeriesBuffer(SeriesBuffer&);
  friend Status SetSeriesCount(SeriesBuffer&, int);
  friend class SeriesBufferWriter;

  // The stored number of field f of quote index, or nothing when there is none.
  const float* Slot(Field f, int index) const {
    const int offset = offsets_[static_cast<std::size_t>(f)];
    if (index < 0 || index >= rowCount_ || offset < 0) return nullptr;
    return &rows_[static_cast<std::size_t>(index) * static_cast<std::size_t>(stride_) +
                  static_cast<std::size_t>(offset)];
  }

  bool allocated_ = false;
  int capacity_ = 0;
  int count_ = 0;
  std::int32_t total_ = 0;
  std::vector<float> rows_;
  int rowCount_ = 0;                            // quotes held in rows_
  int stride_ = 0;                              // fields per row
  std::array<int, kFieldKindCount> offsets_{};  // field's place in a row, -1 when absent
};

Status AllocSeriesBuffer(SeriesBuffer& buffer, int capacity);
void FreeSeriesBuffer(SeriesBuffer& buffer);
Status SetSeriesCount(SeriesBuffer& buffer, int count);

// Reads quotes [start, start+count) of a symbol's series; negative start means the last
// count quotes, count 0 only learns the total, negative count means all from start.
Status ReadSeries(SeriesBuffer& buffer, std::string_view portfolioDir, std::string_view symbol,
                  int start, int count);

// Index of the quote at (day, time) or of the first after it; kRecordNotFound past the end.
int FindQuote(std::string_view portfolioDir, std::string_view symbol, DayNumber day,
              PackedTime time, DayNumber* foundDay = nullptr, PackedTime* foundTime = nullptr);

// Everything an operation needs to work on one series: the lookup, its files and a
// layout that has been checked against the record (length = 4 x fields, 1..19 fields,
// DATE present, positions within the record).
struct SeriesLocation {
  FoundSymbol found;
  ColumnLayout layout;
  std::string datPath;  // existing case variant or canonical name
  std::string dopPath;
  int recordLength = 0;
  int fieldCount = 0;
};
Status LocateSeries(std::string_view portfolioDir, std::string_view symbol, SeriesLocation& out);
// The rest of a location whose found record and directory are set: paths, record shape and
// column layout, by the same rules as LocateSeries (callers that walk MASTER's records
// themselves use it, so every reader agrees on a series' layout).
Status CompleteSeriesLocation(SeriesLocation& out);

class DeferredCloses;
class FolderNames;

// The files and record shape of one series of a folder read whole.
struct WholeSeriesFiles {
  std::string dataName;  // F3.DAT, F256.MWD
  std::string dopName;   // F3.DOP
  int recordLength = 0;
  int fieldCount = 0;
  bool intraday = false;
};
// Completes a location whose found record and directory are set, by the rules of
// CompleteSeriesLocation, from a folder listed once, and reads the data file's bytes as far
// as its header can count quotes: each file opened once and read in one step. A data file
// that cannot be read is kFileRead, as reading the quotes of a located series gives it.
// With closes given, the files' descriptors are left to it to close.
Status ReadWholeSeries(const FolderNames& folder, const WholeSeriesFiles& files,
                       SeriesLocation& out, std::vector<std::uint8_t>& bytes,
                       DeferredCloses* closes = nullptr);

// Header of a DAT file: the last-record number (quotes + 1) as stored. A file too short
// for it, or a number below 1, is refused as damaged.
Status ReadDatLastRecord(const std::string& datPath, std::int16_t& lastRecord);

// Reads quotes of an already located series from its DAT file, by the same rules as
// ReadSeries (used by operations that have done the lookup themselves).
Status ReadSeriesAt(SeriesBuffer& buffer, const SeriesLocation& location, int start, int count);

// Keeps a located series' DAT file open so that window after window is read without
// opening the file and its header again; each Read follows the rules of ReadSeriesAt
// with the total read when the file was opened. Closes the file when destroyed.
class SeriesReader {
 public:
  SeriesReader() = default;
  ~SeriesReader() { CloseDescriptor(); }
  SeriesReader(const SeriesReader&) = delete;
  SeriesReader& operator=(const SeriesReader&) = delete;

  // Opens the location's DAT file and reads its header (replacing any file open before);
  // a failure leaves the reader closed.
  Status Open(const SeriesLocation& location);
  // The same from a stream of the DAT file's bytes, which the reader takes over (closes).
  Status OpenStream(std::FILE* file, const SeriesLocation& location);
  // The same from the DAT file's bytes in memory, which must outlive the reading.
  Status OpenBytes(const std::vector<std::uint8_t>& bytes, const SeriesLocation& location);
  bool IsOpen() const { return fd_ >= 0 || file_ != nullptr || bytes_ != nullptr; }
  // Quotes in the series, as its header gave them when opened.
  int Total() const { return total_; }
  Status Read(SeriesBuffer& buffer, int start, int count);
  // Records [start, start + count) as the file stores them (MBF singles, unconverted), for
  // a pass that looks at a few fields of every record: records points into the reader's
  // memory until its next read or open. The number of whole records there, fewer where the
  // file ends early or past what the read-ahead holds, 0 when none can be read.
  int ReadStored(int start, int count, const std::uint8_t*& records);
  // Gets the read-ahead memory now rather than at the first read that needs it; false when
  // there is none to be had. Kept from one open to the next.
  bool ReserveReadAhead();

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  // Window after window costs a system read each; from the second window on, reads go
  // through a bounded read-ahead of the file's bytes (not of whole series), so that a
  // series is read in a few large steps whichever way it is paged.
  static constexpr std::size_t kReadAheadBytes = 256 * 1024;
  static bool ValidLocation(const SeriesLocation& location);
  // Forgets the file or bytes read before.
  void Close();
  void CloseDescriptor();
  void TakeLocation(const SeriesLocation& location, std::int16_t lastRecord);
  int ReadRecords(std::uint8_t* to, int start, int count);
  // Makes the read-ahead hold [start, start + wanted) as far as the file does; false
  // without memory for it.
  bool FillReadAhead(int start, int wanted);
  int CopyFromReadAhead(std::uint8_t* rows, int start, int wanted);

  // A data file on disk is read through its descriptor, each window with one pread and no
  // seek; a stream serves the memory files.
  int fd_ = -1;
  std::unique_ptr<std::FILE, FileCloser> file_;
  const std::vector<std::uint8_t>* bytes_ = nullptr;  // instead of the file
  std::unique_ptr<std::uint8_t[]> aheadBytes_;
  int aheadFirst_ = 0;  // quote index of the first record held
  int aheadCount_ = 0;  // whole records held
  int reads_ = 0;
  ColumnLayout layout_;
  int recordLength_ = 0;
  int fieldCount_ = 0;
  int total_ = 0;
};

// FindQuote on an already located series, from a stream of its DAT file's bytes (taken
// over and closed).
int FindQuoteIn(std::FILE* file, const SeriesLocation& location, DayNumber day, PackedTime time,
                DayNumber* foundDay = nullptr, PackedTime* foundTime = nullptr);

// Decodes one stored record (fieldCount MBF singles) into a Quote by the layout.
Quote DecodeQuoteRecord(const std::uint8_t* record, const ColumnLayout& layout, int fieldCount);

}  // namespace voltrim
