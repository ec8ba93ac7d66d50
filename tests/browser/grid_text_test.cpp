#include "browser/grid_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "datafiles/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::TempDir;

SymbolRow Row(const char* name16, const char* symbol16) {
  MasterRecord record;
  std::memcpy(&record.bytes[master_offset::kName], name16, kNameFieldSize);
  std::memcpy(&record.bytes[master_offset::kSymbol], symbol16, kSymbolFieldSize);
  return MakeSymbolRow(record);
}

TEST(SymbolCells, CutSymbolAndNameAsTheGridShowsThem) {
  const char* name = "ACME CORP       ";
  EXPECT_EQ(Row(name, "BRK A           ").symbol, "BRK");
  EXPECT_EQ(Row(name, "ABCDEFGHIJKLMNOP").symbol, "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(Row(name, "AB\tCD           ").symbol, "AB");
  EXPECT_EQ(Row(name,
                "AB\x7F"
                "CD           ")
                .symbol,
            "AB\x7F"
            "CD");
  EXPECT_EQ(Row(name,
                "AB\x80"
                "CD           ")
                .symbol,
            "AB");
  EXPECT_EQ(Row("ACME\0CORP       ", "ACME            ").name, "ACME");
  EXPECT_EQ(Row(name, "ACME            ").name, name);  // trailing blanks kept
  EXPECT_FALSE(Row(name, "ACME            ").symbolWasEmpty);

  // An empty symbol, however it starts, shows the name and calls for repair.
  for (const char* empty : {"                ", " ACME           ",
                            "\xC4"
                            "ACME           "}) {
    const SymbolRow row = Row(name, empty);
    EXPECT_EQ(row.symbol, name);
    EXPECT_TRUE(row.symbolWasEmpty);
  }
}

TEST(QuoteCells, FormatEachColumnAndShowAbsentFieldsAsNA) {
  Quote quote;
  quote.date = YmdToDay(1999, 5, 27);
  quote.open = 10.25f;
  quote.high = 0.0f;
  quote.close = 1234.56789f;
  quote.volume = 16777216.0f;
  const QuoteRowTexts expected = {"05/27/99",  "10.2500",  "0.0000", "N/A",
                                  "1234.5679", "16777216", "N/A"};
  EXPECT_EQ(QuoteCellTexts(quote), expected);
  EXPECT_EQ(PriceCellText(std::numeric_limits<float>::quiet_NaN()), "N/A");
  EXPECT_EQ(CountCellText(-0.5f), "N/A");
  EXPECT_EQ(QuoteCellTexts(Quote{})[0], "00/00/00");
}

// A MASTER of `records` entries whose header claims `headerCount`.
std::string WriteMaster(const TempDir& dir, int records, int headerCount, int blankAt = 0) {
  PortfolioSpec plan;
  for (int i = 1; i <= records; ++i) {
    PortfolioSpec::Entry entry;
    entry.series.fileNumber = i;
    entry.series.symbol = i == blankAt ? "" : "S" + std::to_string(i);
    entry.series.name = "NAME " + std::to_string(i);
    entry.series.fields = {Field::Date, Field::Close};
    plan.entries.push_back(entry);
  }
  plan.headerRecordCount = headerCount;
  const std::string path = (dir.path() / "MASTER").string();
  const auto bytes = BuildMasterBytes(plan);
  testing::WriteFileBytes(path, {bytes.begin(), bytes.end()});
  return path;
}

TEST(SymbolRowsFromMaster, ReadInFileOrderCappedAt255) {
  TempDir dir;
  SymbolRows rows;
  const std::string master = WriteMaster(dir, 3, 3, 2);
  auto bytes = testing::ReadFileBytes(master);
  bytes.resize(bytes.size() + 20, 0);  // a trailing piece shorter than a record is ignored
  testing::WriteFileBytes(master, bytes);
  ASSERT_EQ(ReadSymbolRows(master, rows), kOk);
  ASSERT_EQ(rows.rows.size(), 3u);
  EXPECT_EQ(rows.rows[0].symbol, "S1");
  EXPECT_EQ(rows.rows[0].name, "NAME 1          ");
  EXPECT_EQ(rows.rows[1].symbol, "NAME 2          ");
  EXPECT_TRUE(rows.needsRepair);
  EXPECT_FALSE(rows.countCapped);

  ASSERT_EQ(ReadSymbolRows(WriteMaster(dir, 300, 300), rows), kOk);
  EXPECT_TRUE(rows.countCapped);
  EXPECT_EQ(rows.headerCount, 300);
  ASSERT_EQ(rows.rows.size(), 255u);
  EXPECT_EQ(rows.rows[254].symbol, "S255");
  EXPECT_FALSE(rows.needsRepair);

  ASSERT_EQ(ReadSymbolRows(WriteMaster(dir, 0, 0), rows), kOk);
  EXPECT_TRUE(rows.rows.empty());
}

TEST(SymbolRowsFromMaster, RefuseACountThatDisagreesWithTheFile) {
  TempDir dir;
  SymbolRows rows;
  rows.headerCount = -7;
  EXPECT_NE(ReadSymbolRows(WriteMaster(dir, 12, 10), rows), kOk);  // records beyond the count
  EXPECT_NE(ReadSymbolRows(WriteMaster(dir, 10, 12), rows), kOk);  // records missing
  EXPECT_NE(ReadSymbolRows(WriteMaster(dir, 200, 300), rows), kOk);
  EXPECT_NE(ReadSymbolRows((dir.path() / "NOMASTER").string(), rows), kOk);
  EXPECT_EQ(rows.headerCount, -7);  // untouched on failure
}

}  // namespace
}  // namespace voltrim
