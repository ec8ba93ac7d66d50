#include "export/export_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"
#include "text/number_format.h"

namespace voltrim {

namespace {

constexpr std::array<const char*, kExportValueColumns> kColumnTitles = {"OPEN",  "HIGH", "LOW",
                                                                        "CLOSE", "VOL",  "OI"};
constexpr std::array<const char*, kExportValueColumns> kCsvNames = {"open",  "high",   "low",
                                                                    "close", "volume", "openint"};
// Rows are gathered into blocks of about this size before they go to the sink.
constexpr std::size_t kBlockSize = 32 * 1024;
// One row's longest text: symbol, date, time and six numbers with delimiters, and the
// scratch bytes the writers may leave past the end.
constexpr std::size_t kRowMax = 128 + 8 * kNumberTextMax;

// A CSV field is quoted when it holds a comma, a quote or a line break; Latin-1 bytes
// become UTF-8.
std::string CsvSymbolField(std::string_view symbol) {
  std::string utf8;
  for (const char c : symbol) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8.push_back(c);
    } else {
      utf8.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string quoted = "\"";
  for (const char c : utf8) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

class RowFormatter {
 public:
  RowFormatter(const ExportSettings& settings, const ExportStyle& style, const ColumnLayout& layout,
               std::string_view symbol)
      : csv_(style.format == ExportFormat::Csv),
        delimiter_(csv_ ? ',' : settings.DelimiterChar()),
        hasTime_(layout.Has(Field::Time)) {
    if (style.symbolColumn) {
      prefix_ = csv_ ? CsvSymbolField(symbol) : std::string(symbol);
      prefix_.push_back(delimiter_);
      if (prefix_.size() <= shortPrefix_.size()) {
        std::copy(prefix_.begin(), prefix_.end(), shortPrefix_.begin());
      }
    }
    for (std::size_t c = 0; c < kExportValueColumns; ++c) {
      const Field field = kValueFields[c];
      if (settings.Omits(static_cast<ExportColumn>(c))) continue;
      const bool count = field == Field::Vol || field == Field::Oi;
      columns_.push_back({field, layout.Has(field), count ? 2 : 4});
    }
  }

  // The quotes the next rows come from; the columns are looked up once per window.
  void Bind(const SeriesBuffer& window) {
    window_ = &window;
    views_.clear();
    views_.push_back(window.ValueColumn(Field::Date));
    for (const Column& column : columns_) views_.push_back(window.ValueColumn(column.field));
  }

  // Writes the row of quote index of the bound window at `at` (room for kRowMax
  // characters) and returns its end.
  char* Append(char* at, int index) { return csv_ ? Row<true>(at, index) : Row<false>(at, index); }

 private:
  struct Column {
    Field field;
    bool stored;
    int decimals;  // of text
  };

  template <bool kCsv>
  char* Row(char* at, int index) {
    // Locals, since every character stored could otherwise change the members.
    const char delimiter = delimiter_;
    const std::size_t columns = columns_.size();
    const Column* column = columns_.data();
    const SeriesBuffer::Column* values = views_.data() + 1;
    const std::size_t prefixLength = prefix_.size();
    if (prefixLength <= shortPrefix_.size()) {
      std::memcpy(at, shortPrefix_.data(), shortPrefix_.size());  // one fixed-size copy
    } else {
      std::memcpy(at, prefix_.data(), prefixLength);
    }
    at += prefixLength;
    if constexpr (kCsv) {
      at = CsvStart(at, index);
    } else {
      at = dateText_.UserDateOf(at, views_[0][index]);
    }
    for (std::size_t c = 0; c < columns; ++c) {
      *at++ = delimiter;
      const float value = values[c][index];
      if constexpr (kCsv) {
        if (column[c].stored) at = WriteRoundTrip(at, value);
      } else if (!(value >= 0.0f)) {
        // A value the series does not hold arrives below zero and is written "N/A".
        std::memcpy(at, "N/A", 3);
        at += 3;
      } else if (column[c].decimals == 4) {
        // Each count of decimals its own inlined writer, with its constants folded in.
        at = WriteFixed(at, value, 4);
      } else {
        at = WriteFixed(at, value, 2);
      }
    }
    if constexpr (!kCsv) *at++ = '\r';
    *at++ = '\n';
    return at;
  }

  char* CsvStart(char* at, int index) {
    at = dateText_.IsoDateOf(at, views_[0][index]);
    *at++ = ',';
    return hasTime_ ? WriteIsoTime(at, window_->TimeAt(index)) : at;
  }

  bool csv_;
  char delimiter_;
  bool hasTime_;
  std::string prefix_;
  std::array<char, 32> shortPrefix_{};  // the prefix again when it fits, for fixed-size copies
  std::vector<Column> columns_;
  const SeriesBuffer* window_ = nullptr;
  std::vector<SeriesBuffer::Column> views_;  // the stored dates, then each column's values
  DateTextWriter dateText_;
};

// Reads the series a window at a time, so a long series never sits in memory whole.
class QuoteWindows {
 public:
  QuoteWindows() = default;
  QuoteWindows(const QuoteWindows&) = delete;
  QuoteWindows& operator=(const QuoteWindows&) = delete;

  // Opens the series once; returns its total quotes, or -1 when it cannot be read.
  int Open(const SeriesLocation& location) {
    return reader_.Open(location) == kOk ? reader_.Total() : -1;
  }
  int Open(const SeriesLocation& location, const std::vector<std::uint8_t>& bytes) {
    return reader_.OpenBytes(bytes, location) == kOk ? reader_.Total() : -1;
  }
  const SeriesBuffer& window() const { return window_; }

  // Quotes [first, first + count) into the window; false unless all of them were read.
  bool Read(int first, int count) {
    return reader_.Read(window_, first, count) == kOk && window_.Count() == count;
  }

 private:
  SeriesReader reader_;
  SeriesBuffer window_{kExportWindow};
};

// Rows are formatted straight into a block that goes to the sink when it is full: room
// the sink lends, or a block of the writer's own that is copied to it.
class RowWriter {
 public:
  RowWriter(TextSink& sink, RowFormatter& format) : sink_(sink), format_(format) {
    block_ = sink_.Room(kBlockSize + kRowMax);
    if (block_ == nullptr) {
      own_.reset(new char[kBlockSize + kRowMax]);  // left unset: rows overwrite it
      block_ = own_.get();
    }
  }
  ~RowWriter() { Hand(); }
  RowWriter(const RowWriter&) = delete;
  RowWriter& operator=(const RowWriter&) = delete;

  // Rows come from this window until the next.
  void Window(const SeriesBuffer& window) { format_.Bind(window); }
  void Row(int index) {
    used_ = static_cast<std::size_t>(format_.Append(block_ + used_, index) - block_);
    ++rows_;
    if (used_ >= kBlockSize) {
      Hand();
      if (!own_) block_ = sink_.Room(kBlockSize + kRowMax);
    }
  }
  int Rows() const { return rows_; }

 private:
  void Hand() {
    if (own_ && used_ != 0) sink_.Write(std::string_view(block_, used_));
    if (!own_) sink_.Wrote(used_);
    used_ = 0;
  }

  TextSink& sink_;
  RowFormatter& format_;
  std::unique_ptr<char[]> own_;
  char* block_ = nullptr;
  std::size_t used_ = 0;
  int rows_ = 0;
};

// Both directions page through the series in windows; a window that cannot be read
// whole is read quote by quote to find the exact quote that fails, so that everything
// before it is still written.
bool WriteOldestFirst(RowWriter& out, QuoteWindows& reader, int total) {
  for (int first = 0; first < total; first += kExportWindow) {
    const int count = std::min(kExportWindow, total - first);
    if (!reader.Read(first, count)) {
      for (int index = first; index < first + count && reader.Read(index, 1); ++index) {
        out.Window(reader.window());
        out.Row(0);
      }
      return false;
    }
    out.Window(reader.window());
    for (int k = 0; k < count; ++k) out.Row(k);
  }
  return true;
}

bool WriteNewestFirst(RowWriter& out, QuoteWindows& reader, int last) {
  for (; last >= 0; last -= kExportWindow) {
    const int first = std::max(0, last - kExportWindow + 1);
    const int count = last - first + 1;
    if (!reader.Read(first, count)) {
      for (int index = last; index >= first && reader.Read(index, 1); --index) {
        out.Window(reader.window());
        out.Row(0);
      }
      return false;
    }
    out.Window(reader.window());
    for (int k = count - 1; k >= 0; --k) out.Row(k);
  }
  return true;
}

}  // namespace

std::string ExportHeading(const ExportSettings& settings, const ExportStyle& style) {
  const bool csv = style.format == ExportFormat::Csv;
  const char delimiter = csv ? ',' : settings.DelimiterChar();
  std::string line;
  if (style.symbolColumn) {
    line.append(csv ? "symbol" : "SYMBOL");
    line.push_back(delimiter);
  }
  line.append(csv ? "date,time" : "DATE");
  for (std::size_t c = 0; c < kExportValueColumns; ++c) {
    if (settings.Omits(static_cast<ExportColumn>(c))) continue;
    line.push_back(delimiter);
    line.append(csv ? kCsvNames[c] : kColumnTitles[c]);
  }
  line.append(csv ? "\n" : kLineEnd);
  return line;
}

namespace {

Status WriteOpenedRows(TextSink& sink, QuoteWindows& reader, int total, const ColumnLayout& layout,
                       std::string_view symbol, int quoteCount, const ExportSettings& settings,
                       const ExportStyle& style, int* rowsWritten) {
  if (rowsWritten) *rowsWritten = 0;
  if (total < 0) return kFileRead;
  RowFormatter format(settings, style, layout, symbol);
  RowWriter out(sink, format);
  Status status = kOk;
  if (!settings.NewestFirst()) {
    status = WriteOldestFirst(out, reader, total) ? kOk : kFileRead;
  } else {
    if (quoteCount < 0) quoteCount = total;
    // Quote quoteCount - 1 past the end of the series cannot be read: nothing is written.
    if (quoteCount > total) return kRecordNotFound;
    status = WriteNewestFirst(out, reader, quoteCount - 1) ? kOk : kFileRead;
  }
  if (rowsWritten) *rowsWritten = out.Rows();
  return status;
}

}  // namespace

Status WriteExportRows(TextSink& sink, const SeriesLocation& location, std::string_view symbol,
                       int quoteCount, const ExportSettings& settings, const ExportStyle& style,
                       int* rowsWritten) {
  QuoteWindows reader;
  const int total = reader.Open(location);
  return WriteOpenedRows(sink, reader, total, location.layout, symbol, quoteCount, settings, style,
                         rowsWritten);
}

Status WriteExportRowsOf(TextSink& sink, const SeriesLocation& location,
                         const std::vector<std::uint8_t>& dataBytes, std::string_view symbol,
                         const ExportSettings& settings, const ExportStyle& style) {
  QuoteWindows reader;
  const int total = reader.Open(location, dataBytes);
  return WriteOpenedRows(sink, reader, total, location.layout, symbol, -1, settings, style,
                         nullptr);
}

int WriteExportText(TextSink& sink, std::string_view portfolioDir, std::string_view symbol,
                    int quoteCount, const ExportSettings& settings) {
  ExportStyle style;
  if (settings.Csv()) style.format = ExportFormat::Csv;
  if (settings.Csv() || settings.WithTitle()) sink.Write(ExportHeading(settings, style));
  SeriesLocation location;
  if (LocateAnySeries(portfolioDir, symbol, location) != kOk) return 0;
  int rows = 0;
  WriteExportRows(sink, location, symbol, quoteCount, settings, style, &rows);
  return rows;
}

}  // namespace voltrim
