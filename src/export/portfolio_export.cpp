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
  for (const ListedSeries& entry : listed) {
    // A series that fails part way is taken back out of the rows, so that it is left out
    // entirely rather than cut short.
    const std::size_t before = rows.Size();
    Status read = ReadListedSeries(*names, portfolioDir, entry, location, bytes, &closes);
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
  return kOk;
}

}  // namespace voltrim
