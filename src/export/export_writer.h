#pragma once

#include <string_view>

#include "export/export_settings.h"
#include "export/text_sink.h"

namespace voltrim {

// Quotes read from the series at a time while exporting.
inline constexpr int kExportWindow = 400;

// Writes the export text of one series: the title row when chosen, then one line per
// quote, oldest first from quote 0 to the end of the series, or newest first from quote
// quoteCount - 1 down to quote 0. A quote that cannot be read ends the text there.
void WriteExportText(TextSink& sink, std::string_view portfolioDir, std::string_view symbol,
                     int quoteCount, const ExportSettings& settings);

}  // namespace voltrim
