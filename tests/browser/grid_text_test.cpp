#include "browser/grid_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "samples/portfolio_builder.h"
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
  // An empty symbol, however it starts, shows the name and calls for repair.
  const std::pair<const char*, const char*> symbols[] = {
      {"BRK A           ", "BRK"},   {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
      {"AB\200CD           ", "AB"}, {"                ", name},
      {" ACME           ", name},    {"\304ACME           ", name},
      {"ACME\0           ", "ACME"}};
  for (const auto& [field, shown] : symbols) {
    const SymbolRow row = Row(name, field);
    EXPECT_EQ(row.symbol, shown) << field;
    EXPECT_EQ(row.symbolWasEmpty, std::string_view(shown) == name) << field;
    EXPECT_EQ(row.name, name);  // trailing blanks kept
  }
  EXPECT_EQ(Row("ACME\0CORP       ", "ACME            ").name, "ACME");
}

// A MASTER of `records` entries whose header claims `headerCount`.
std::string WriteMaster(const TempDir& dir, int records, int headerCount) {
  PortfolioSpec plan;
  for (int i = 1; i <= records; ++i)
    plan.entries.push_back(
        {false, MakeDailySeries(i, "S" + std::to_string(i), "NAME " + std::to_string(i), {}), {}});
  plan.headerRecordCount = headerCount;
  const std::string path = (dir.path() / "MASTER").string();
  const auto bytes = BuildMasterBytes(plan);
  testing::WriteFileBytes(path, {bytes.begin(), bytes.end()});
  return path;
}

TEST(SymbolRowsFromMaster, ReadInFileOrderButRefuseACountThatDisagreesWithTheFile) {
  TempDir dir;
  SymbolRows rows;
  const std::string master = WriteMaster(dir, 3, 3);
  auto bytes = testing::ReadFileBytes(master);
  // Records of zero bytes past the count are unused space, and a trailing piece shorter
  // than a record is ignored.
  bytes.resize(bytes.size() + 2 * kMasterRecordSize + 20, 0);
  testing::WriteFileBytes(master, bytes);
  ASSERT_EQ(ReadSymbolRows(master, rows), kOk);
  ASSERT_EQ(rows.rows.size(), 3u);
  EXPECT_EQ(rows.rows[2].name, "NAME 3          ");

  bytes[bytes.size() - 30] = 'X';  // now the second extra record is in use
  testing::WriteFileBytes(master, bytes);
  EXPECT_EQ(ReadSymbolRows(master, rows), kDamagedFile);

  rows.headerCount = -7;
  EXPECT_NE(ReadSymbolRows(WriteMaster(dir, 12, 10), rows), kOk);  // records beyond the count
  EXPECT_NE(ReadSymbolRows(WriteMaster(dir, 10, 12), rows), kOk);  // records missing
  EXPECT_NE(ReadSymbolRows((dir.path() / "NOMASTER").string(), rows), kOk);
  EXPECT_EQ(rows.headerCount, -7);  // untouched on failure
}

// voltrim-cli quotes writes the grid's cells straight into its lines; they must be the
// grid's very texts, N/A for absent (below zero) and NaN fields included.
TEST(QuoteCells, WrittenCellsAreTheGridsTexts) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Quote quotes[] = {
      {YmdToDay(1999, 12, 31), 0, 12.625f, 13.0f, 12.5f, 12.75f, 15000.0f, -1.0f},
      {0, 0, -1.0f, nan, 0.0f, 99999.9921875f, 123456789.0f, 4.5f},
      {YmdToDay(2059, 2, 28), 0, 1e-6f, 2097151.875f, 3e9f, -0.0f, 0.5f, 1e30f}};
  for (const Quote& quote : quotes) {
    const QuoteRowTexts texts = QuoteCellTexts(quote);
    std::string joined = texts[0];
    for (std::size_t i = 1; i < texts.size(); ++i) joined += "\t" + texts[i];
    char line[kQuoteRowTextMax];
    EXPECT_EQ(std::string(line, WriteQuoteCells(line, quote, '\t')), joined);
  }
}

}  // namespace
}  // namespace voltrim
