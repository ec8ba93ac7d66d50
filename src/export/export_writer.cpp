#include "export/export_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "datafiles/series.h"
#include "datafiles/xmaster.h"

namespace voltrim {

namespace {

constexpr std::array<const char*, kExportValueColumns> kColumnTitles = {"OPEN",  "HIGH", "LOW",
                                                                        "CLOSE", "VOL",  "OI"};

// A value the series does not hold arrives below zero and is written "N/A".
void AppendCell(std::string& line, float value, const char* format) {
  if (!(value >= 0.0f)) {
    line.append("N/A");
    return;
  }
  char cell[64];
  const int size = std::snprintf(cell, sizeof cell, format, static_cast<double>(value));
  line.append(cell,
              static_cast<std::size_t>(std::clamp(size, 0, static_cast<int>(sizeof cell) - 1)));
}

class LineFormatter {
 public:
  explicit LineFormatter(const ExportSettings& settings) : delimiter_(settings.DelimiterChar()) {
    for (int c = 0; c < kExportValueColumns; ++c) {
      kept_[static_cast<std::size_t>(c)] = !settings.Omits(static_cast<ExportColumn>(c));
    }
  }

  const std::string& Title() {
    line_.assign("DATE");
    for (std::size_t c = 0; c < kColumnTitles.size(); ++c) {
      if (!kept_[c]) continue;
      line_.push_back(delimiter_);
      line_.append(kColumnTitles[c]);
    }
    line_.append(kLineEnd);
    return line_;
  }

  const std::string& Quote(const SeriesBuffer& window, int index) {
    line_.assign(FormatUserDate(window.DateAt(index)));
    for (std::size_t c = 0; c < kExportValueColumns; ++c) {
      if (!kept_[c]) continue;
      line_.push_back(delimiter_);
      const Field field = kValueFields[c];
      const bool price = field != Field::Vol && field != Field::Oi;
      AppendCell(line_, window.ValueAt(field, index), price ? "%.4f" : "%.2f");
    }
    line_.append(kLineEnd);
    return line_;
  }

 private:
  char delimiter_;
  std::array<bool, kExportValueColumns> kept_{};
  std::string line_;
};

// Reads the series a window at a time, so a long series never sits in memory whole.
class QuoteWindows {
 public:
  QuoteWindows(std::string_view portfolioDir, std::string_view symbol)
      : portfolioDir_(portfolioDir), symbol_(symbol) {}
  ~QuoteWindows() { FreeSeriesBuffer(window_); }
  QuoteWindows(const QuoteWindows&) = delete;
  QuoteWindows& operator=(const QuoteWindows&) = delete;

  bool Allocate() { return AllocSeriesBuffer(window_, kExportWindow) == kOk; }
  const SeriesBuffer& window() const { return window_; }

  // Looks the series up and opens its file once; returns its total quotes, or -1 when
  // it cannot be read.
  int Total() {
    SeriesLocation location;
    const bool readable =
        LocateAnySeries(portfolioDir_, symbol_, location) == kOk && reader_.Open(location) == kOk;
    return readable ? reader_.Total() : -1;
  }

  // Quotes [first, first + count) into the window; false unless all of them were read.
  bool Read(int first, int count) {
    return reader_.Read(window_, first, count) == kOk && window_.Count() == count;
  }

 private:
  std::string_view portfolioDir_;
  std::string_view symbol_;
  SeriesReader reader_;
  SeriesBuffer window_;
};

void WriteOldestFirst(TextSink& sink, QuoteWindows& reader, int total, LineFormatter& format) {
  for (int first = 0; first < total; first += kExportWindow) {
    const int count = std::min(kExportWindow, total - first);
    if (!reader.Read(first, count)) {
      // Find the exact quote that fails: everything before it is still written.
      for (int index = first; index < first + count && reader.Read(index, 1); ++index) {
        sink.Write(format.Quote(reader.window(), 0));
      }
      return;
    }
    for (int k = 0; k < count; ++k) sink.Write(format.Quote(reader.window(), k));
  }
}

void WriteNewestFirst(TextSink& sink, QuoteWindows& reader, int total, int quoteCount,
                      LineFormatter& format) {
  // Quote quoteCount - 1 past the end of the series cannot be read: nothing is written.
  if (quoteCount > total) return;
  for (int last = quoteCount - 1; last >= 0; last -= kExportWindow) {
    const int first = std::max(0, last - kExportWindow + 1);
    const int count = last - first + 1;
    if (!reader.Read(first, count)) {
      for (int index = last; index >= first && reader.Read(index, 1); --index) {
        sink.Write(format.Quote(reader.window(), 0));
      }
      return;
    }
    for (int k = count - 1; k >= 0; --k) sink.Write(format.Quote(reader.window(), k));
  }
}

}  // namespace

void WriteExportText(TextSink& sink, std::string_view portfolioDir, std::string_view symbol,
                     int quoteCount, const ExportSettings& settings) {
  LineFormatter format(settings);
  if (settings.WithTitle()) sink.Write(format.Title());
  QuoteWindows reader(portfolioDir, symbol);
  if (!reader.Allocate()) return;
  const int total = reader.Total();
  if (total <= 0) return;
  if (settings.NewestFirst()) {
    WriteNewestFirst(sink, reader, total, quoteCount, format);
  } else {
    WriteOldestFirst(sink, reader, total, format);
  }
}

}  // namespace voltrim
