#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "samples/portfolio_builder.h"
#include "support/export_text.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::TempDir;

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
  PortfolioSpec plan;
  plan.entries.push_back({false, series, {}});
  ASSERT_EQ(WritePortfolio(dir.str(), plan), kOk);
}

// The lines of the date and close alone.
std::vector<std::string> CloseLines(const TempDir& dir, int newest, int quoteCount) {
  ExportSettings settings;
  settings.omit = {1, 1, 1, 0, 1, 1};
  settings.newest = newest;
  const std::string text = testing::ExportText(dir.str(), "XYZ", quoteCount, settings);
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
  EXPECT_EQ(testing::ExportText(dir.str(), "XYZ", 1, settings),
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

}  // namespace
}  // namespace voltrim
