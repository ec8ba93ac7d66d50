#include "export/portfolio_export.h"

#include <cstdint>
#include <memory>

#include "datafiles/io/portfolio_files.h"
#include "export/portfolio_series.h"

namespace voltrim {

namespace {

class StringSink : public TextSink {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

// Rows are handed to the sink in blocks of at least this size.
constexpr std::size_t kOutputBlock = 1 << 20;

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
  StringSink rows;
  SeriesLocation location;
  for (const ListedSeries& entry : listed) {
    // A series that fails part way is taken back out of the rows, so that it is left out
    // entirely rather than cut short.
    const std::size_t before = rows.text().size();
    Status read = ReadListedSeries(*names, portfolioDir, entry, location, bytes);
    if (read == kOk)
      read = WriteExportRowsOf(rows, location, bytes, entry.symbolText, settings, style);
    if (read != kOk) {
      rows.text().resize(before);
      skipped.push_back({entry.symbolText, entry.DataFileName(), read});
    }
    // The rows of many short series go out together, in few large writes.
    if (rows.text().size() >= kOutputBlock) {
      sink.Write(rows.text());
      rows.text().clear();
    }
  }
  if (!rows.text().empty()) sink.Write(rows.text());
  return kOk;
}

}  // namespace voltrim
