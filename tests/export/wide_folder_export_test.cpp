#include <gtest/gtest.h>

#include <string>

#include "datafiles/companion_fixtures.h"
#include "export/export_writer.h"

namespace voltrim::testing {
namespace {

class StringSink : public TextSink {
 public:
  void Write(std::string_view piece) override { text.append(piece); }
  std::string text;
};

// 255 series in MASTER and 45 in XMASTER: every one exports its own three quotes.
TEST(WideFolderExport, EverySeriesOfMasterAndXmasterExports) {
  TempDir temp;
  const std::string dir = WriteWideFolder(temp.path(), 45);
  ExportSettings settings;
  settings.omit = {1, 1, 1, 0, 1, 1};
  for (int n = 1; n <= 300; ++n) {
    const std::string symbol = (n <= kMaxSymbols ? "M" : "X") + std::to_string(n);
    StringSink sink;
    WriteExportText(sink, dir, symbol, 3, settings);
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "01/03/00 %d.2500\r\n01/04/00 %d.2500\r\n01/05/00 %d.2500\r\n", n, n + 1, n + 2);
    ASSERT_EQ(sink.text, expected) << symbol;
  }
}

}  // namespace
}  // namespace voltrim::testing
