#include "datafiles/series_facts.h"

#include <gtest/gtest.h>

#include "fixtures.h"

namespace voltrim::testing {
namespace {

PortfolioSpec::Entry Series(int fileNumber, const std::string& symbol, bool writeDop = true) {
  return SeriesEntry(MakeDailySeries(fileNumber, symbol, symbol + " CORP", Quotes(2), writeDop));
}

// "input / display" format texts of a field.
std::string Formats(const SeriesFacts& facts, Field f) {
  const auto i = static_cast<std::size_t>(f);
  return facts.inputFormat[i] + " / " + facts.displayFormat[i];
}

// The command-line facts test checks the plain fields; here the format names, a layout
// inferred in a subdirectory, and the refusals.
TEST(SeriesFacts, FormatNamesInferredLayoutsAndUnavailableSeries) {
  TempDir dir;
  PortfolioSpec plan = Portfolio(
      {Series(1, "TOP"), SubdirectoryEntry("SUB"), Series(2, "ODD", false), Series(3, "NODAT")});
  auto& odd = plan.entries[2].series;  // 36-byte records: no layout to infer
  odd.fields.insert(odd.fields.end(), {Field::Oi, Field::Time, Field::Oi});
  for (auto& record : odd.records) record.resize(9, 1.0f);
  Write(dir.path(), plan);
  std::filesystem::remove(dir.path() / "F3.DAT");
  WriteText(dir.path() / "F1.DOP", "\"DATE\",0,0\n\"OPEN\",2,100\n\"CLOSE\",-3,7\n");
  PortfolioSpec sub = Portfolio({Series(7, "LOW", false)});
  sub.entries[0].series.periodicity = 'd';  // only upper case names a periodicity
  Write(dir.path() / "SUB", sub);

  SeriesFacts facts;
  ASSERT_EQ(GetSeriesFacts(dir.str(), "top", facts), kFactsFound);
  EXPECT_EQ(Formats(facts, Field::Close), "8ths / Unknown (7)");
  ASSERT_EQ(GetSeriesFacts(dir.str(), "LOW", facts), kFactsFound);
  EXPECT_EQ(facts.path, dir.str());  // as passed, not where the symbol was found
  EXPECT_EQ(facts.fileNumber, 7);
  EXPECT_EQ(facts.periodicity, "ERROR");
  EXPECT_EQ(Formats(facts, Field::High), "Whole Num. / Whole Num.");
  EXPECT_EQ(Formats(facts, Field::Oi), " / ");

  for (const char* symbol : {"MISSING", "ODD", "NODAT"})
    EXPECT_EQ(GetSeriesFacts(dir.str(), symbol, facts), kFactsUnavailable) << symbol;
  EXPECT_EQ(GetSeriesFacts((dir.path() / "nowhere").string(), "TOP", facts), kFactsUnavailable);
  EXPECT_EQ(facts.fileNumber, 7);  // untouched by the refusals
}

}  // namespace
}  // namespace voltrim::testing
