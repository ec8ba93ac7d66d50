#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "datafiles/companion_fixtures.h"
#include "datafiles/io/portfolio_files.h"
#include "export/portfolio_export.h"
#include "support/export_text.h"

namespace voltrim::testing {
namespace {

// 255 series in MASTER and 45 in XMASTER: every one exports its own three quotes.
TEST(WideFolderExport, EverySeriesOfMasterAndXmasterExports) {
  TempDir temp;
  const std::string dir = WriteWideFolder(temp.path(), 45);
  ExportSettings settings;
  settings.omit = {1, 1, 1, 0, 1, 1};
  for (int n = 1; n <= 300; ++n) {
    const std::string symbol = (n <= kMaxSymbols ? "M" : "X") + std::to_string(n);
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "01/03/00 %d.2500\r\n01/04/00 %d.2500\r\n01/05/00 %d.2500\r\n", n, n + 1, n + 2);
    ASSERT_EQ(ExportText(dir, symbol, 3, settings), expected) << symbol;
  }
}

// The whole-portfolio export formats several series at once ahead of the one it writes:
// the stream must still be every readable series in MASTER order, and the unreadable ones
// named in that order, wherever they fall.
TEST(WideFolderExport, WholePortfolioKeepsMasterOrderAndNamesWhatItLeavesOut) {
  TempDir temp;
  const std::string dir = WriteWideFolder(temp.path(), 0);
  const std::vector<int> missing = {1, 9, 10, 100, 255};
  for (int n : missing) std::filesystem::remove(std::filesystem::path(dir) / DatFileName(n));
  ExportSettings settings;
  settings.omit = {1, 1, 1, 0, 1, 1};
  std::string expected;
  for (int n = 1; n <= kMaxSymbols; ++n) {
    if (std::find(missing.begin(), missing.end(), n) != missing.end()) continue;
    const std::string symbol = "M" + std::to_string(n);
    std::istringstream lines(ExportText(dir, symbol, 3, settings));
    for (std::string line; std::getline(lines, line);) expected += symbol + " " + line + "\n";
  }
  StringSink all;
  std::vector<SkippedSeries> skipped;
  ASSERT_EQ(WritePortfolioExport(all, dir, settings, ExportFormat::Text, skipped), kOk);
  EXPECT_EQ(all.text, expected);
  std::vector<std::string> named;
  for (const SkippedSeries& series : skipped) named.push_back(series.symbol + " " + series.file);
  EXPECT_EQ(named, (std::vector<std::string>{"M1 F1.DAT", "M9 F9.DAT", "M10 F10.DAT",
                                             "M100 F100.DAT", "M255 F255.DAT"}));
}

}  // namespace
}  // namespace voltrim::testing
