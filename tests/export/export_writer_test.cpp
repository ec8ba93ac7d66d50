#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "datafiles/fixtures.h"
#include "datafiles/io/portfolio_files.h"
#include "export/portfolio_export.h"
#include "export/portfolio_series.h"
#include "samples/sample_portfolios.h"
#include "support/export_text.h"

namespace voltrim::testing {
namespace {

const DayNumber kFirst = DateFloatToDay(990104.0f);

// Quote i closes at 100 + i (quote 0 at 12.625), so every line names its own index.
void WriteSeries(const TempDir& dir, int quotes, const std::vector<Field>& fields) {
  std::map<Field, float> values = {{Field::Open, 12.5f},
                                   {Field::High, 12.75f},
                                   {Field::Low, 12.25f},
                                   {Field::Vol, 0.0f},  // zero is a value, not N/A
                                   {Field::Oi, 250.5f}};
  SeriesSpec series;
  series.symbol = "XYZ";
  series.fields = fields;
  for (int i = 0; i < quotes; ++i) {
    values[Field::Date] = DayToDateValue(static_cast<DayNumber>(kFirst + i));
    values[Field::Close] = i == 0 ? 12.625f : 100.0f + static_cast<float>(i);
    RawRecord record;
    for (Field f : fields) record.push_back(values.at(f));
    series.records.push_back(record);
  }
  Write(dir.path(), Portfolio({SeriesEntry(series)}));
}

// The lines of the date and close alone.
std::vector<std::string> CloseLines(const TempDir& dir, int newest, int quoteCount) {
  ExportSettings settings;
  settings.omit = {1, 1, 1, 0, 1, 1};
  settings.newest = newest;
  const std::string text = ExportText(dir.str(), "XYZ", quoteCount, settings);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

std::string Line(int index) {
  char close[32];
  std::snprintf(close, sizeof close, " %.4f", index == 0 ? 12.625 : 100.0 + index);
  return FormatUserDate(static_cast<DayNumber>(kFirst + index)) + close;
}

// Columns keep their fixed order; one the series lacks shows N/A; omitted ones (any
// nonzero flag) leave no delimiter behind; a delimiter other than comma or tab is a space.
// Comma, tab and the full set of columns are checked through the CLI.
TEST(ExportWriter, ColumnsDelimitersAndTitle) {
  TempDir dir;
  WriteSeries(dir, 1, {Field::Date, Field::High, Field::Low, Field::Close, Field::Vol, Field::Oi});
  ExportSettings settings;
  settings.title = 1;
  settings.delimiter = 5;
  settings.omit = {0, 7, 0, -1, 0, 0};
  EXPECT_EQ(ExportText(dir.str(), "XYZ", 1, settings),
            "DATE OPEN LOW VOL OI\r\n01/04/99 N/A 12.2500 0.00 250.50\r\n");
}

// Series longer than one read window come out whole and in order both ways. Newest first
// walks down from the grid's count: a grid showing fewer starts lower; one showing more
// than the series holds finds nothing at its first index. Oldest first reads to the end.
TEST(ExportWriter, LongSeriesAcrossReadWindowsAndTheGridCount) {
  TempDir dir;
  const int quotes = 2 * kExportWindow + 3;
  WriteSeries(dir, quotes, {Field::Date, Field::Open, Field::High, Field::Low, Field::Close});
  std::vector<std::string> oldest;
  for (int index = 0; index < quotes; ++index) oldest.push_back(Line(index));
  EXPECT_EQ(CloseLines(dir, 0, 1), oldest);
  EXPECT_EQ(CloseLines(dir, 1, quotes), std::vector<std::string>(oldest.rbegin(), oldest.rend()));
  EXPECT_EQ(CloseLines(dir, 1, 2), (std::vector<std::string>{Line(1), Line(0)}));
  EXPECT_TRUE(CloseLines(dir, 1, quotes + 1).empty());

  // Quotes the header counts but the file does not hold end the text without a message.
  const auto dat = dir.path() / "F1.DAT";
  std::filesystem::resize_file(dat, std::filesystem::file_size(dat) - 4 * 20);
  oldest.resize(oldest.size() - 4);
  EXPECT_EQ(CloseLines(dir, 0, quotes), oldest);
  EXPECT_TRUE(CloseLines(dir, 1, quotes).empty());  // starts at a quote that is not there
}

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
// the stream must still be each readable series' own export in index order (MASTER's, then
// XMASTER's), every line led by its symbol, and the unreadable ones named in that order,
// wherever they fall. A wide folder with data files missing among 300, the demonstration
// portfolios and every real folder.
TEST(WideFolderExport, WholePortfolioIsEachSeriesOwnExportAndNamesWhatItLeavesOut) {
  namespace fs = std::filesystem;
  TempDir temp;
  const std::string wide = WriteWideFolder(temp.path() / "wide", 45);
  for (int n : {1, 9, 10, 100, 255}) fs::remove(fs::path(wide) / DatFileName(n));
  fs::remove(fs::path(wide) / MwdFileName(300));
  std::vector<std::string> written, dirs = {wide};
  ASSERT_EQ(WriteSamplePortfolios(temp.str() + "/demo", written), kOk);
  for (const char* name : {"Stocks", "Futures", "Legacy"})
    dirs.push_back(temp.str() + "/demo/" + name);
  if (!SharedDataDir().empty() && fs::exists(SharedDataDir())) {
    for (const auto& entry : fs::directory_iterator(SharedDataDir()))
      if (entry.is_directory()) dirs.push_back(entry.path().string());
  }
  const ExportSettings settings{};
  for (const std::string& dir : dirs) {
    SCOPED_TRACE(dir);
    std::vector<ListedSeries> listed;
    ASSERT_EQ(ListPortfolioSeries(dir, listed), kOk);
    std::string expected;
    std::vector<std::string> unreadable;
    for (const ListedSeries& series : listed) {
      const std::string& symbol = series.symbolText;
      SeriesBuffer buffer(1);
      SeriesLocation location;
      if (LocateAnySeries(dir, symbol, location) != kOk ||
          ReadSeriesAt(buffer, location, 0, 0) != kOk) {
        unreadable.push_back(symbol);
        continue;
      }
      std::istringstream lines(ExportText(dir, symbol, buffer.Total(), settings));
      for (std::string line; std::getline(lines, line);) expected += symbol + " " + line + "\n";
    }
    StringSink all;
    std::vector<SkippedSeries> skipped;
    ASSERT_EQ(WritePortfolioExport(all, dir, settings, ExportFormat::Text, skipped), kOk);
    EXPECT_TRUE(all.text == expected) << all.text.substr(0, 2000);
    std::vector<std::string> named;
    for (const SkippedSeries& series : skipped)
      named.push_back(dir == wide ? series.symbol + " " + series.file : series.symbol);
    if (dir == wide) {
      EXPECT_EQ(named,
                (std::vector<std::string>{"M1 F1.DAT", "M9 F9.DAT", "M10 F10.DAT", "M100 F100.DAT",
                                          "M255 F255.DAT", "X300 F300.MWD"}));
    } else {
      EXPECT_EQ(named, unreadable);
    }
  }
}

}  // namespace
}  // namespace voltrim::testing
