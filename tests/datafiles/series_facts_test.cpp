#include "datafiles/series_facts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "datafiles/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::TempDir;

void WriteText(const std::filesystem::path& file, const std::string& text) {
  testing::WriteFileBytes(file, std::vector<unsigned char>(text.begin(), text.end()));
}

SeriesSpec DailySeries(int fileNumber, const std::string& symbol, const std::string& name,
                       bool writeDop = true) {
  return MakeDailySeries(fileNumber, symbol, name,
                         {{YmdToDay(1999, 12, 31), 10.5f, 11.0f, 10.0f, 10.75f, 1200.0f},
                          {YmdToDay(2000, 1, 3), 10.75f, 12.0f, 10.5f, 11.5f, 1500.0f}},
                         writeDop);
}

PortfolioSpec::Entry Series(SeriesSpec series) {
  PortfolioSpec::Entry entry;
  entry.series = std::move(series);
  return entry;
}

PortfolioSpec::Entry Subdirectory(const std::string& name) {
  PortfolioSpec::Entry entry;
  entry.isSubdirectory = true;
  entry.subdirectory.name = name;
  return entry;
}

TEST(SeriesFacts, FillsEveryFieldFromMasterDatAndDop) {
  TempDir dir;
  PortfolioSpec spec;
  spec.entries = {Series(DailySeries(200, "XYZ", "XYZ CORP"))};
  ASSERT_EQ(WritePortfolio(dir.str(), spec), kOk);
  // Format codes of our own choosing, VOL shown in thousands.
  WriteText(dir.path() / "F200.DOP",
            "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",-3,2\r\n"
            "\"VOL\",0,1000\r\n");

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

  const auto input = [&](Field f) { return facts.inputFormat[static_cast<std::size_t>(f)]; };
  const auto display = [&](Field f) { return facts.displayFormat[static_cast<std::size_t>(f)]; };
  EXPECT_EQ(input(Field::Date), "Whole Num.");
  EXPECT_EQ(display(Field::Open), "100ths");
  EXPECT_EQ(input(Field::Close), "8ths");
  EXPECT_EQ(input(Field::Vol), "Whole Num.");
  EXPECT_EQ(display(Field::Vol), "1,000s");
  // Fields the layout lacks stay empty in both columns.
  EXPECT_EQ(input(Field::Time), "");
  EXPECT_EQ(display(Field::Time), "");
  EXPECT_EQ(input(Field::Oi), "");
  EXPECT_EQ(display(Field::Oi), "");
}

TEST(SeriesFacts, WithoutDopEveryPresentFieldIsWholeNumbers) {
  TempDir dir;
  PortfolioSpec spec;
  spec.entries = {Series(DailySeries(3, "ABC", "ABC INC", false))};
  ASSERT_EQ(WritePortfolio(dir.str(), spec), kOk);

  SeriesFacts facts;
  ASSERT_EQ(GetSeriesFacts(dir.str(), "ABC", facts), kFactsFound);
  for (const Field f :
       {Field::Date, Field::Open, Field::High, Field::Low, Field::Close, Field::Vol}) {
    EXPECT_EQ(facts.inputFormat[static_cast<std::size_t>(f)], "Whole Num.");
    EXPECT_EQ(facts.displayFormat[static_cast<std::size_t>(f)], "Whole Num.");
  }
  EXPECT_EQ(facts.inputFormat[static_cast<std::size_t>(Field::Oi)], "");
}

TEST(SeriesFacts, SymbolInSubdirectoryKeepsThePathAsPassed) {
  TempDir dir;
  PortfolioSpec top;
  top.entries = {Series(DailySeries(1, "TOP", "TOP CO")), Subdirectory("SUB")};
  PortfolioSpec sub;
  SeriesSpec lower = DailySeries(7, "LOW", "LOWER CO");
  lower.periodicity = 'd';  // lower case is not a known periodicity
  sub.entries = {Series(lower)};
  ASSERT_EQ(WritePortfolio(dir.str(), top), kOk);
  ASSERT_EQ(WritePortfolio((dir.path() / "SUB").string(), sub), kOk);

  SeriesFacts facts;
  ASSERT_EQ(GetSeriesFacts(dir.str(), "LOW", facts), kFactsFound);
  EXPECT_EQ(facts.path, dir.str());
  EXPECT_EQ(facts.fileNumber, 7);
  EXPECT_EQ(facts.periodicity, "ERROR");
}

TEST(SeriesFacts, UnavailableLeavesTheRecordUntouched) {
  TempDir dir;
  PortfolioSpec spec;
  SeriesSpec odd = DailySeries(2, "ODD", "ODD LAYOUT", false);
  odd.fields = {Field::Date, Field::Open, Field::High, Field::Low, Field::Close,
                Field::Vol,  Field::Oi,   Field::Time, Field::Vol};  // 36 bytes, nothing to infer
  for (auto& record : odd.records) record.resize(9, 1.0f);
  spec.entries = {Series(DailySeries(1, "GOOD", "GOOD CO")), Series(odd),
                  Series(DailySeries(3, "NODAT", "NO DAT FILE"))};
  ASSERT_EQ(WritePortfolio(dir.str(), spec), kOk);
  std::filesystem::remove(dir.path() / "F3.DAT");

  SeriesFacts facts;
  facts.fileNumber = 99;
  EXPECT_EQ(GetSeriesFacts(dir.str(), "MISSING", facts), kFactsUnavailable);
  EXPECT_EQ(GetSeriesFacts(dir.str(), "ODD", facts), kFactsUnavailable);
  EXPECT_EQ(GetSeriesFacts(dir.str(), "NODAT", facts), kFactsUnavailable);
  EXPECT_EQ(GetSeriesFacts((dir.path() / "nowhere").string(), "GOOD", facts), kFactsUnavailable);
  EXPECT_EQ(facts.fileNumber, 99);
}

TEST(SeriesFacts, NamesOfPeriodicitiesAndFormatCodes) {
  EXPECT_EQ(PeriodicityText('D'), "D Daily");
  EXPECT_EQ(PeriodicityText('I'), "I Intra-day");
  EXPECT_EQ(PeriodicityText('W'), "W Weekly");
  EXPECT_EQ(PeriodicityText('M'), "M Monthly");
  EXPECT_EQ(PeriodicityText('Q'), "Q Quarterly");
  EXPECT_EQ(PeriodicityText('Y'), "Y Yearly");
  EXPECT_EQ(PeriodicityText('y'), "ERROR");
  EXPECT_EQ(PeriodicityText('\0'), "ERROR");

  const std::pair<int, const char*> names[] = {
      {-7, "128ths"},  {-6, "64ths"},    {-5, "32nds"},     {-4, "16ths"}, {-3, "8ths"},
      {-2, "4ths"},    {-1, "Halves"},   {0, "Whole Num."}, {1, "10ths"},  {2, "100ths"},
      {3, "1,000ths"}, {4, "10,000ths"}, {5, "100,000ths"}, {100, "100s"}, {1000, "1,000s"},
  };
  for (const auto& [code, name] : names) EXPECT_EQ(FormatCodeName(code), name) << code;
  EXPECT_EQ(FormatCodeName(6), "Unknown (6)");
  EXPECT_EQ(FormatCodeName(-8), "Unknown (-8)");

  EXPECT_EQ(FactsDateText(991231.0f), "991231");
  EXPECT_EQ(FactsDateText(1000103.0f), "1000103");
  EXPECT_EQ(FactsDateText(0.0f), "     0");
}

}  // namespace
}  // namespace voltrim
