#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "datafiles/portfolio_builder.h"
#include "export/export_writer.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::TempDir;

const DayNumber kFirst = DateFloatToDay(990104.0f);
const std::vector<Field> kNoOi = {Field::Date, Field::Open,  Field::High,
                                  Field::Low,  Field::Close, Field::Vol};

class StringSink : public TextSink {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// Quote i closes at 100 + i (quote 0 at 12.625), so every line names its own index.
void WriteSeries(const TempDir& dir, int quotes, const std::vector<Field>& fields) {
  const std::map<Field, float> fixed = {{Field::Open, 12.5f},
                                        {Field::High, 12.75f},
                                        {Field::Low, 12.25f},
                                        {Field::Vol, 15000.0f},
                                        {Field::Oi, 250.5f}};
  SeriesSpec series;
  series.symbol = "XYZ";
  series.fields = fields;
  for (int i = 0; i < quotes; ++i) {
    RawRecord record;
    for (Field f : fields) {
      if (f == Field::Date) record.push_back(DayToDateValue(static_cast<DayNumber>(kFirst + i)));
      if (f == Field::Close) record.push_back(i == 0 ? 12.625f : 100.0f + static_cast<float>(i));
      if (fixed.count(f) != 0) record.push_back(fixed.at(f));
    }
    series.records.push_back(record);
  }
  PortfolioSpec plan;
  plan.entries.push_back({false, series, {}});
  ASSERT_EQ(WritePortfolio(dir.str(), plan), kOk);
}

std::string Export(const TempDir& dir, const ExportSettings& settings, int quoteCount) {
  StringSink sink;
  WriteExportText(sink, dir.str(), "XYZ", quoteCount, settings);
  return sink.text();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

std::string Date(int index) { return FormatUserDate(static_cast<DayNumber>(kFirst + index)); }

// Exports of the date and close alone.
ExportSettings CloseOnly(int newest) {
  ExportSettings settings;
  settings.omit = {1, 1, 1, 0, 1, 1};
  settings.newest = newest;
  return settings;
}

// Columns keep their fixed order; one the series lacks shows N/A; omitted ones (any
// nonzero flag) leave no delimiter behind; any delimiter but 1 (comma) and 2 (tab) is a space.
TEST(ExportWriter, ColumnsDelimitersAndTitle) {
  TempDir dir;
  WriteSeries(dir, 1, {Field::Date, Field::High, Field::Low, Field::Close, Field::Vol, Field::Oi});
  const std::tuple<int, std::array<int, 6>, std::string> cases[] = {
      {2,
       {},
       "DATE\tOPEN\tHIGH\tLOW\tCLOSE\tVOL\tOI\r\n"
       "01/04/99\tN/A\t12.7500\t12.2500\t12.6250\t15000.00\t250.50\r\n"},
      {5,
       {},
       "DATE OPEN HIGH LOW CLOSE VOL OI\r\n"
       "01/04/99 N/A 12.7500 12.2500 12.6250 15000.00 250.50\r\n"},
      {0, {1, 1, 1, 1, 1, 1}, "DATE\r\n01/04/99\r\n"},
      {1, {0, 7, 0, -1, 0, 1}, "DATE,OPEN,LOW,VOL\r\n01/04/99,N/A,12.2500,15000.00\r\n"}};
  for (const auto& [delimiter, omit, text] : cases) {
    ExportSettings settings;
    settings.title = 1;
    settings.delimiter = delimiter;
    settings.omit = omit;
    EXPECT_EQ(Export(dir, settings, 1), text) << delimiter;
  }
}

TEST(ExportWriter, NewestFirstWalksDownFromTheGridCount) {
  TempDir dir;
  WriteSeries(dir, 3, kNoOi);
  EXPECT_EQ(Lines(Export(dir, CloseOnly(1), 3)),
            (std::vector<std::string>{Date(2) + " 102.0000", Date(1) + " 101.0000",
                                      Date(0) + " 12.6250"}));
  // A grid that shows fewer quotes starts lower; one that shows more than the series
  // holds finds nothing at its first index.
  EXPECT_EQ(Lines(Export(dir, CloseOnly(1), 2)).size(), 2u);
  EXPECT_EQ(Export(dir, CloseOnly(1), 4), "");
  // Oldest first reads to the end of the series whatever the grid shows.
  EXPECT_EQ(Lines(Export(dir, CloseOnly(0), 1)).size(), 3u);
}

// Series longer than one read window come out whole and in order both ways.
TEST(ExportWriter, LongSeriesAcrossReadWindows) {
  TempDir dir;
  const int quotes = 2 * kExportWindow + 3;
  WriteSeries(dir, quotes, kNoOi);
  for (int newest : {0, 1}) {
    const std::vector<std::string> lines = Lines(Export(dir, CloseOnly(newest), quotes));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(quotes));
    for (int n = 0; n < quotes; ++n) {
      const int index = newest ? quotes - 1 - n : n;
      char close[32];
      std::snprintf(close, sizeof close, " %.4f", index == 0 ? 12.625 : 100.0 + index);
      EXPECT_EQ(lines[static_cast<std::size_t>(n)], Date(index) + close);
    }
  }
}

// Quotes the header counts but the file does not hold end the text without a message.
TEST(ExportWriter, TruncatedSeriesEndsAtTheFirstUnreadableQuote) {
  TempDir dir;
  const int quotes = kExportWindow + 10;
  WriteSeries(dir, quotes, kNoOi);
  const auto dat = dir.path() / "F1.DAT";
  std::filesystem::resize_file(dat, std::filesystem::file_size(dat) - 4 * 24);
  const std::vector<std::string> oldest = Lines(Export(dir, CloseOnly(0), quotes));
  ASSERT_EQ(oldest.size(), static_cast<std::size_t>(quotes - 4));
  EXPECT_EQ(oldest.back(), Date(quotes - 5) + " " + std::to_string(100 + quotes - 5) + ".0000");
  // Newest first starts at a quote that is not there.
  EXPECT_EQ(Export(dir, CloseOnly(1), quotes), "");
  EXPECT_EQ(Lines(Export(dir, CloseOnly(1), quotes - 4)).size(),
            static_cast<std::size_t>(quotes - 4));
}

}  // namespace
}  // namespace voltrim
