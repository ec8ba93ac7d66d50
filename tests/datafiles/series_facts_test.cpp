#include "datafiles/series_facts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "datafiles/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::TempDir;

PortfolioSpec::Entry Series(int fileNumber, const std::string& symbol, bool writeDop = true) {
  PortfolioSpec::Entry entry;
  entry.series = MakeDailySeries(fileNumber, symbol, symbol + " CORP",
                                 {{YmdToDay(1999, 12, 31), 10.5f, 11.0f, 10.0f, 10.75f, 1200.0f},
                                  {YmdToDay(2000, 1, 3), 10.75f, 12.0f, 10.5f, 11.5f, 1500.0f}},
                                 writeDop);
  return entry;
}

const std::string& Input(const SeriesFacts& facts, Field f) {
  return facts.inputFormat[static_cast<std::size_t>(f)];
}
const std::string& Display(const SeriesFacts& facts, Field f) {
  return facts.displayFormat[static_cast<std::size_t>(f)];
}

TEST(SeriesFacts, FillsEveryFieldFromMasterDatAndDop) {
  TempDir dir;
  PortfolioSpec plan;
  plan.entries = {Series(200, "XYZ")};
  ASSERT_EQ(WritePortfolio(dir.str(), plan), kOk);
  const std::string dop =
      "\"DATE\",0,0\n\"OPEN\",2,100\n\"HIGH\",2,2\n\"LOW\",2,2\n"
      "\"CLOSE\",-3,7\n\"VOL\",0,1000\n";
  testing::WriteFileBytes(dir.path() / "F200.DOP", {dop.begin(), dop.end()});

  SeriesFacts facts;
  ASSERT_EQ(GetSeriesFacts(dir.str(), "xyz", facts), kFactsFound);
  EXPECT_EQ(facts.path, dir.str());
  EXPECT_EQ(facts.fileNumber, 200);
  EXPECT_EQ(facts.recordLength, 24);
  EXPECT_EQ(facts.fieldCount, 6);
  EXPECT_EQ(facts.quoteCount, 2);
  EXPECT_EQ(facts.name, "XYZ CORP        ");
  EXPECT_EQ(facts.symbol, "XYZ             ");
  EXPECT_EQ(FactsDateText(facts.firstDate), "991231");
  EXPECT_EQ(FactsDateText(facts.lastDate), "1000103");
  EXPECT_EQ(facts.periodicity, "D Daily");
  EXPECT_EQ(Input(facts, Field::Date), "Whole Num.");
  EXPECT_EQ(Display(facts, Field::Open), "100s");
  EXPECT_EQ(Input(facts, Field::Close), "8ths");
  EXPECT_EQ(Display(facts, Field::Close), "Unknown (7)");
  EXPECT_EQ(Display(facts, Field::Vol), "1,000s");
  // Fields the layout lacks stay empty in both columns.
  for (const Field f : {Field::Time, Field::Oi}) {
    EXPECT_EQ(Input(facts, f), "");
    EXPECT_EQ(Display(facts, f), "");
  }
}

TEST(SeriesFacts, InferredLayoutAndSubdirectory) {
  TempDir dir;
  PortfolioSpec top, sub;
  PortfolioSpec::Entry subdirectory;
  subdirectory.isSubdirectory = true;
  subdirectory.subdirectory.name = "SUB";
  top.entries = {Series(1, "TOP"), subdirectory};
  sub.entries = {Series(7, "LOW", false)};
  sub.entries[0].series.periodicity = 'd';  // only upper case names a periodicity
  ASSERT_EQ(WritePortfolio(dir.str(), top), kOk);
  ASSERT_EQ(WritePortfolio((dir.path() / "SUB").string(), sub), kOk);

  SeriesFacts facts;
  ASSERT_EQ(GetSeriesFacts(dir.str(), "LOW", facts), kFactsFound);
  EXPECT_EQ(facts.path, dir.str());  // as passed, not where the symbol was found
  EXPECT_EQ(facts.fileNumber, 7);
  EXPECT_EQ(facts.periodicity, "ERROR");
  EXPECT_EQ(Input(facts, Field::High), "Whole Num.");
  EXPECT_EQ(Display(facts, Field::Vol), "Whole Num.");
  EXPECT_EQ(Display(facts, Field::Oi), "");
}

TEST(SeriesFacts, UnavailableLeavesTheRecordUntouched) {
  TempDir dir;
  PortfolioSpec plan;
  plan.entries = {Series(1, "GOOD"), Series(2, "ODD", false), Series(3, "NODAT")};
  auto& odd = plan.entries[1].series;  // 36-byte records: no layout to infer
  odd.fields.insert(odd.fields.end(), {Field::Oi, Field::Time, Field::Oi});
  for (auto& record : odd.records) record.resize(9, 1.0f);
  ASSERT_EQ(WritePortfolio(dir.str(), plan), kOk);
  std::filesystem::remove(dir.path() / "F3.DAT");

  SeriesFacts facts;
  facts.fileNumber = 99;
  EXPECT_EQ(GetSeriesFacts(dir.str(), "MISSING", facts), kFactsUnavailable);
  EXPECT_EQ(GetSeriesFacts(dir.str(), "ODD", facts), kFactsUnavailable);
  EXPECT_EQ(GetSeriesFacts(dir.str(), "NODAT", facts), kFactsUnavailable);
  EXPECT_EQ(GetSeriesFacts((dir.path() / "nowhere").string(), "GOOD", facts), kFactsUnavailable);
  EXPECT_EQ(facts.fileNumber, 99);
}

}  // namespace
}  // namespace voltrim
