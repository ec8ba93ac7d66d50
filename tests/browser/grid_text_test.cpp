#include "browser/grid_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "datafiles/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::TempDir;

MasterRecord RecordWith(const char* name16, const char* symbol16) {
  MasterRecord record;
  std::memcpy(&record.bytes[master_offset::kName], name16, kNameFieldSize);
  std::memcpy(&record.bytes[master_offset::kSymbol], symbol16, kSymbolFieldSize);
  return record;
}

TEST(SymbolCells, SymbolEndsAtTheFirstByteOutsidePrintableAscii) {
  EXPECT_EQ(SymbolCellText(RecordWith("NAME            ", "BRK A           ")), "BRK");
  EXPECT_EQ(SymbolCellText(RecordWith("NAME            ", "ABCDEFGHIJKLMNOP")), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(SymbolCellText(RecordWith("NAME            ", "AB\tCD           ")), "AB");
  EXPECT_EQ(SymbolCellText(RecordWith("NAME            ",
                                      "AB\x7F"
                                      "CD           ")),
            "AB\x7F"
            "CD");
  EXPECT_EQ(SymbolCellText(RecordWith("NAME            ",
                                      "AB\x80"
                                      "CD           ")),
            "AB");
  EXPECT_EQ(SymbolCellText(RecordWith("NAME            ",
                                      "\xC4"
                                      "ACME           ")),
            "");
  EXPECT_EQ(SymbolCellText(RecordWith("NAME            ", " ACME           ")), "");
}

TEST(SymbolCells, NameKeepsTrailingBlanksAndEndsAtNul) {
  EXPECT_EQ(NameCellText(RecordWith("ACME CORP       ", "ACME            ")), "ACME CORP       ");
  const char withNul[] = "ACME\0CORP       ";
  EXPECT_EQ(NameCellText(RecordWith(withNul, "ACME            ")), "ACME");
}

TEST(SymbolCells, EmptySymbolShowsTheNameAndAsksForRepair) {
  const SymbolRow blank = MakeSymbolRow(RecordWith("ACME CORP       ", "                "));
  EXPECT_EQ(blank.symbol, "ACME CORP       ");
  EXPECT_EQ(blank.name, "ACME CORP       ");
  EXPECT_TRUE(blank.symbolWasEmpty);
  const SymbolRow normal = MakeSymbolRow(RecordWith("ACME CORP       ", "ACME            "));
  EXPECT_EQ(normal.symbol, "ACME");
  EXPECT_FALSE(normal.symbolWasEmpty);
}

TEST(QuoteCells, FormatsEachColumnAndShowsAbsentFieldsAsNA) {
  Quote quote;
  quote.date = YmdToDay(1999, 5, 27);
  quote.open = 10.25f;
  quote.high = 10.5f;
  quote.low = 0.0f;
  quote.close = 1234.56789f;
  quote.volume = 1500.5f;  // "%.0f" rounds half to even
  const QuoteRowTexts cells = QuoteCellTexts(quote);
  EXPECT_EQ(cells[0], "05/27/99");
  EXPECT_EQ(cells[1], "10.2500");
  EXPECT_EQ(cells[2], "10.5000");
  EXPECT_EQ(cells[3], "0.0000");
  EXPECT_EQ(cells[4], "1234.5679");
  EXPECT_EQ(cells[5], "1500");
  EXPECT_EQ(cells[6], "N/A");  // open interest not held: read as -1

  EXPECT_EQ(PriceCellText(-0.01f), "N/A");
  EXPECT_EQ(PriceCellText(std::numeric_limits<float>::quiet_NaN()), "N/A");
  EXPECT_EQ(CountCellText(-1.0f), "N/A");
  EXPECT_EQ(CountCellText(0.0f), "0");
  EXPECT_EQ(CountCellText(16777216.0f), "16777216");
  Quote empty;
  EXPECT_EQ(QuoteCellTexts(empty)[0], "00/00/00");
}

// A MASTER of `records` numbered entries whose header claims `headerCount`.
std::string WriteMaster(const TempDir& dir, int records, int headerCount, int blankSymbolAt = 0) {
  PortfolioSpec spec;
  for (int i = 1; i <= records; ++i) {
    PortfolioSpec::Entry entry;
    entry.series.fileNumber = i;
    entry.series.symbol = i == blankSymbolAt ? "" : "S" + std::to_string(i);
    entry.series.name = "NAME " + std::to_string(i);
    entry.series.fields = {Field::Date, Field::Close};
    spec.entries.push_back(entry);
  }
  spec.headerRecordCount = headerCount;
  const std::string path = (dir.path() / "MASTER").string();
  const auto bytes = BuildMasterBytes(spec);
  testing::WriteFileBytes(path, std::vector<unsigned char>(bytes.begin(), bytes.end()));
  return path;
}

TEST(SymbolRowsFromMaster, ReadsEveryRecordInFileOrder) {
  TempDir dir;
  const std::string master = WriteMaster(dir, 3, 3);
  SymbolRows rows;
  ASSERT_EQ(ReadSymbolRows(master, rows), kOk);
  ASSERT_EQ(rows.rows.size(), 3u);
  EXPECT_EQ(rows.rows[0].symbol, "S1");
  EXPECT_EQ(rows.rows[0].name, "NAME 1          ");
  EXPECT_EQ(rows.rows[2].symbol, "S3");
  EXPECT_FALSE(rows.countCapped);
  EXPECT_FALSE(rows.needsRepair);

  // A trailing piece shorter than a record is ignored.
  auto bytes = testing::ReadFileBytes(master);
  bytes.resize(bytes.size() + 20, 0);
  testing::WriteFileBytes(master, bytes);
  ASSERT_EQ(ReadSymbolRows(master, rows), kOk);
  EXPECT_EQ(rows.rows.size(), 3u);
}

TEST(SymbolRowsFromMaster, RefusesACountThatDisagreesWithTheFile) {
  TempDir dir;
  SymbolRows rows;
  rows.headerCount = -7;
  EXPECT_NE(ReadSymbolRows(WriteMaster(dir, 12, 10), rows), kOk);  // records beyond the count
  EXPECT_NE(ReadSymbolRows(WriteMaster(dir, 10, 12), rows), kOk);  // records missing
  EXPECT_NE(ReadSymbolRows((dir.path() / "NOMASTER").string(), rows), kOk);
  EXPECT_EQ(rows.headerCount, -7);  // untouched on failure
}

TEST(SymbolRowsFromMaster, CapsAtTheFirst255Records) {
  TempDir dir;
  SymbolRows rows;
  ASSERT_EQ(ReadSymbolRows(WriteMaster(dir, 300, 300), rows), kOk);
  EXPECT_TRUE(rows.countCapped);
  EXPECT_EQ(rows.headerCount, 300);
  ASSERT_EQ(rows.rows.size(), 255u);
  EXPECT_EQ(rows.rows[254].symbol, "S255");
  EXPECT_NE(ReadSymbolRows(WriteMaster(dir, 200, 300), rows), kOk);
}

TEST(SymbolRowsFromMaster, EmptyMasterAndRecordsNeedingRepair) {
  TempDir dir;
  SymbolRows rows;
  ASSERT_EQ(ReadSymbolRows(WriteMaster(dir, 0, 0), rows), kOk);
  EXPECT_TRUE(rows.rows.empty());

  ASSERT_EQ(ReadSymbolRows(WriteMaster(dir, 3, 3, 2), rows), kOk);
  EXPECT_TRUE(rows.needsRepair);
  EXPECT_EQ(rows.rows[1].symbol, "NAME 2          ");
  EXPECT_FALSE(rows.rows[0].symbolWasEmpty);
}

}  // namespace
}  // namespace voltrim
