#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/status.h"
#include "export/export_settings.h"
#include "export/text_sink.h"

namespace voltrim {

// Quotes read from the series at a time while exporting.
inline constexpr int kExportWindow = 400;

// Writes the export text of one series: the title row when chosen, then one line per
// quote, oldest first from quote 0 to the end of the series, or newest first from quote
// quoteCount - 1 down to quote 0. A quote that cannot be read ends the text there. With
// the CSV format chosen, the CSV of the same quotes (always with its header row). Returns
// the number of quotes written.
int WriteExportText(TextSink& sink, std::string_view portfolioDir, std::string_view symbol,
                    int quoteCount, const ExportSettings& settings);

enum class ExportFormat {
  Text,  // the Export dialog's lines: MM/DD/YY, "%.4f" prices, "%.2f" counts, N/A, CR LF
  Csv,   // header row, ISO dates, round-trip decimals, empty absent fields, LF
};

// How the rows are laid out beyond the stored choices; the choices still pick the columns
// and the order (and, for text, the delimiter and the title row).
struct ExportStyle {
  ExportFormat format = ExportFormat::Text;
  bool symbolColumn = false;  // every line begins with the series' symbol
};

// The title row (text) or header row (CSV), line end included.
std::string ExportHeading(const ExportSettings& settings, const ExportStyle& style);

// The rows of one located series (no title), symbol first when the style asks for it.
// quoteCount as for WriteExportText, or -1 for the whole series. Returns kOk when every
// quote was written; otherwise the rows before the failing quote have been written. The
// number of rows written goes to rowsWritten when given.
Status WriteExportRows(TextSink& sink, const SeriesLocation& location, std::string_view symbol,
                       int quoteCount, const ExportSettings& settings, const ExportStyle& style,
                       int* rowsWritten = nullptr);
// The same, the whole series from its data file's bytes already in memory.
Status WriteExportRowsOf(TextSink& sink, const SeriesLocation& location,
                         const std::vector<std::uint8_t>& dataBytes, std::string_view symbol,
                         const ExportSettings& settings, const ExportStyle& style);

}  // namespace voltrim
