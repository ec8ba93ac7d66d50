#include "datafiles/series_facts.h"

#include <gtest/gtest.h>

#include "fixtures.h"

namespace voltrim::testing {
namespace {

PortfolioSpec::Entry Series(int fileNumber, const std::string& symbol, bool writeDop = true) {
  return SeriesEntry(MakeDailySeries(fileNumber, symbol, symbol + " CORP",
                                     Quotes(2, Day(1999, 12, 31)), writeDop));
}

// "input / display" format texts of a field.
std::string Formats(const SeriesFacts& facts, Field f) {
  const auto i = static_cast<std::size_t>(f);
  return facts.inputFormat[i] + " / " + facts.displayFormat[i];
}

TEST(SeriesFacts, FillsEveryFieldFromMasterDatAndDop) {
  TempDir dir;
  Write(dir.path(), Portfolio({Series(200, "XYZ")}));
  WriteText(dir.path() / "F200.DOP",
            "\"DATE\",0,0\n\"OPEN\",2,100\n\"HIGH\",2,2\n\"LOW\",2,2\n\"CLOSE\",-3,7\n"
            "\"VOL\",0,1000\n");
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
  EXPECT_EQ(Formats(facts, Field::Date), "Whole Num. / Whole Num.");
  EXPECT_EQ(Formats(facts, Field::Open), "100ths / 100s");
  EXPECT_EQ(Formats(facts, Field::Close), "8ths / Unknown (7)");
  EXPECT_EQ(Formats(facts, Field::Vol), "Whole Num. / 1,000s");
  EXPECT_EQ(Formats(facts, Field::Time), " / ");  // fields the layout lacks stay empty
  EXPECT_EQ(Formats(facts, Field::Oi), " / ");
}

TEST(SeriesFacts, InferredLayoutInASubdirectory) {
  TempDir dir;
  Write(dir.path(), Portfolio({Series(1, "TOP"), SubdirectoryEntry("SUB")}));
  PortfolioSpec sub = Portfolio({Series(7, "LOW", false)});
  sub.entries[0].series.periodicity = 'd';  // only upper case names a periodicity
  Write(dir.path() / "SUB", sub);
  SeriesFacts facts;
  ASSERT_EQ(GetSeriesFacts(dir.str(), "LOW", facts), kFactsFound);
  EXPECT_EQ(facts.path, dir.str());  // as passed, not where the symbol was found
  EXPECT_EQ(facts.fileNumber, 7);
  EXPECT_EQ(facts.periodicity, "ERROR");
  EXPECT_EQ(Formats(facts, Field::High), "Whole Num. / Whole Num.");
  EXPECT_EQ(Formats(facts, Field::Oi), " / ");
}

TEST(SeriesFacts, UnavailableLeavesTheRecordUntouched) {
  TempDir dir;
  PortfolioSpec plan = Portfolio({Series(1, "GOOD"), Series(2, "ODD", false), Series(3, "NODAT")});
  auto& odd = plan.entries[1].series;  // 36-byte records: no layout to infer
  odd.fields.insert(odd.fields.end(), {Field::Oi, Field::Time, Field::Oi});
  for (auto& record : odd.records) record.resize(9, 1.0f);
  Write(dir.path(), plan);
  std::filesystem::remove(dir.path() / "F3.DAT");
  SeriesFacts facts;
  facts.fileNumber = 99;
  for (const char* symbol : {"MISSING", "ODD", "NODAT"})
    EXPECT_EQ(GetSeriesFacts(dir.str(), symbol, facts), kFactsUnavailable) << symbol;
  EXPECT_EQ(GetSeriesFacts((dir.path() / "nowhere").string(), "GOOD", facts), kFactsUnavailable);
  EXPECT_EQ(facts.fileNumber, 99);
}

}  // namespace
}  // namespace voltrim::testing
