#pragma once

#include <string>
#include <string_view>

#include "export/export_writer.h"
#include "export/text_sink.h"

namespace voltrim::testing {

// Keeps everything an export writes.
class StringSink : public TextSink {
 public:
  void Write(std::string_view piece) override { text.append(piece); }
  std::string text;
};

// What the single-series export writes, as one text.
inline std::string ExportText(const std::string& dir, const std::string& symbol, int quoteCount,
                              const ExportSettings& settings) {
  StringSink sink;
  WriteExportText(sink, dir, symbol, quoteCount, settings);
  return sink.text;
}

}  // namespace voltrim::testing
