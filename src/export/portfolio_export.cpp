#include "export/portfolio_export.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "datafiles/io/deferred_closes.h"
#include "datafiles/io/portfolio_files.h"
#include "export/portfolio_series.h"

namespace voltrim {

namespace {

// Rows are handed to the sink in blocks of at least this size: few writes, and a block
// small enough to stay in the processor's cache while it is written and copied out.
constexpr std::size_t kOutputBlock = 256 * 1024;

// The rows of the series being written and of those before it not yet handed on, written
// in place by the export's writer.
class PendingRows : public TextSink {
 public:
  // Room for a block and the rows of a long series past it, set aside once.
  PendingRows() { Grow(2 * kOutputBlock); }
  void Write(std::string_view text) override {
    std::memcpy(Room(text.size()), text.data(), text.size());
    Wrote(text.size());
  }
  char* Room(std::size_t size) override {
    if (size > capacity_ - size_) Grow(size_ + size);
    return text_.get() + size_;
  }
  void Wrote(std::size_t used) override { size_ += used; }

  std::size_t Size() const { return size_; }
  void CutTo(std::size_t size) { size_ = size; }
  std::string_view Text() const { return {text_.get(), size_}; }

 private:
  void Grow(std::size_t needed) {
    const std::size_t capacity = std::max(needed, 2 * capacity_);
    // Left unset: only what is written is ever read.
    std::unique_ptr<char[]> text(new char[capacity]);
    if (size_ != 0) std::memcpy(text.get(), text_.get(), size_);
    text_ = std::move(text);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> text_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace

Status WritePortfolioExport(TextSink& sink, std::string_view portfolioDir,
                            const ExportSettings& settings, ExportFormat format,
                            std::vector<SkippedSeries>& skipped) {
  // The folder is listed once, and each series' files are read whole from that listing.
  const auto names = std::make_shared<const FolderNames>(portfolioDir);
  std::vector<ListedSeries> listed;
  const Status status = ListPortfolioSeries(portfolioDir, listed, names);
  if (status != kOk) return status;
  WriteSeriesExport(sink, *names, portfolioDir, listed, settings, format, skipped);
  return kOk;
}

void WriteSeriesExport(TextSink& sink, const FolderNames& names, std::string_view portfolioDir,
                       const std::vector<ListedSeries>& series, const ExportSettings& settings,
                       ExportFormat format, std::vector<SkippedSeries>& skipped) {
  ExportStyle style;
  style.format = format;
  style.symbolColumn = true;
  if (format == ExportFormat::Csv || settings.WithTitle()) {
    sink.Write(ExportHeading(settings, style));
  }
  // One thread: a second one formatting ahead saved wall time but cost more CPU than it
  // saved. The buffers are used again for every series, sparing fresh pages each time.
  std::vector<std::uint8_t> bytes;
  DeferredCloses closes;  // the files are closed a few dozen at a time
  PendingRows rows;
  SeriesLocation location;
  for (const ListedSeries& entry : series) {
    // A series that fails part way is taken back out of the rows, so that it is left out
    // entirely rather than cut short.
    const std::size_t before = rows.Size();
    Status read = ReadListedSeries(names, portfolioDir, entry, location, bytes, &closes);
    if (read == kOk)
      read = WriteExportRowsOf(rows, location, bytes, entry.symbolText, settings, style);
    if (read != kOk) {
      rows.CutTo(before);
      skipped.push_back({entry.symbolText, entry.DataFileName(), read});
    }
    // The rows of many short series go out together, in few large writes.
    if (rows.Size() >= kOutputBlock) {
      sink.Write(rows.Text());
      rows.CutTo(0);
    }
  }
  if (rows.Size() != 0) sink.Write(rows.Text());
}

namespace {

const std::string& KeyText(const std::string& text) { return text; }
const std::string& KeyText(const ListedSymbol& row) { return row.symbol; }

// The series of the portfolio that match picks, one for each key, in the keys' order.
template <typename Key, typename Match>
Status FindSeries(std::string_view portfolioDir, const std::vector<Key>& keys,
                  const std::shared_ptr<const FolderNames>& names, Match match,
                  std::vector<ListedSeries>& found, std::vector<std::string>& missing) {
  std::vector<ListedSeries> listed;
  const Status status = ListPortfolioSeries(portfolioDir, listed, names);
  if (status != kOk) return status;
  for (const Key& key : keys) {
    const auto hit = std::find_if(listed.begin(), listed.end(),
                                  [&](const ListedSeries& series) { return match(series, key); });
    if (hit != listed.end()) {
      found.push_back(*hit);
    } else {
      missing.push_back(KeyText(key));
    }
  }
  return kOk;
}

}  // namespace

Status FindSeriesNamed(std::string_view portfolioDir, const std::vector<std::string>& texts,
                       const std::shared_ptr<const FolderNames>& names,
                       std::vector<ListedSeries>& found, std::vector<std::string>& missing) {
  const auto named = [](const ListedSeries& series, const std::string& text) {
    return series.index == IndexFile::kXmaster ? XmasterRecordMatches(series.xmaster, text)
                                               : RecordMatches(series.record, text);
  };
  return FindSeries(portfolioDir, texts, names, named, found, missing);
}

Status FindSeriesOfRows(std::string_view portfolioDir, const std::vector<ListedSymbol>& rows,
                        const std::shared_ptr<const FolderNames>& names,
                        std::vector<ListedSeries>& found, std::vector<std::string>& missing) {
  const auto shown = [](const ListedSeries& series, const ListedSymbol& row) {
    // The export's symbol column drops the blanks a name standing in for a symbol ends in.
    const std::string_view symbol(row.symbol);
    return series.index == row.index &&
           series.symbolText == symbol.substr(0, symbol.find_last_not_of(' ') + 1);
  };
  return FindSeries(portfolioDir, rows, names, shown, found, missing);
}

}  // namespace voltrim
