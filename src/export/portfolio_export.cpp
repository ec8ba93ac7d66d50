#include "export/portfolio_export.h"

#include "datafiles/portfolio_files.h"
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

}  // namespace

Status WritePortfolioExport(TextSink& sink, std::string_view portfolioDir,
                            const ExportSettings& settings, ExportFormat format,
                            std::vector<SkippedSeries>& skipped) {
  std::vector<ListedSeries> listed;
  const Status status = ListPortfolioSeries(portfolioDir, listed);
  if (status != kOk) return status;
  ExportStyle style;
  style.format = format;
  style.symbolColumn = true;
  if (format == ExportFormat::Csv || settings.WithTitle()) {
    sink.Write(ExportHeading(settings, style));
  }
  // A series is gathered whole before it goes out, so one that fails part way is left
  // out entirely rather than cut short.
  StringSink series;
  for (const ListedSeries& entry : listed) {
    series.text().clear();
    SeriesLocation location;
    Status read = LocateRecordSeries(portfolioDir, entry.record, location);
    if (read == kOk) {
      read = WriteExportRows(series, location, entry.symbolText, -1, settings, style);
    }
    if (read != kOk) {
      skipped.push_back({entry.symbolText, DatFileName(entry.record.FileNumber()), read});
      continue;
    }
    sink.Write(series.text());
  }
  return kOk;
}

}  // namespace voltrim
