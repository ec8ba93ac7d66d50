#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "check/check_report_text.h"
#include "check/portfolio_check.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

constexpr std::size_t kDailyRecord = 24;  // six fields

// Puts four bytes at `at` of a file.
void Patch(const fs::path& file, std::size_t at, const MbfBytes& mbf) {
  WriteFileBytes(file, Put(ReadFileBytes(file), at, mbf));
}
// Where field `field` (0-based) of quote q (0 = oldest) of a six-field DAT file lies.
std::size_t DatAt(int q, int field) {
  return kDailyRecord * static_cast<std::size_t>(q + 1) + 4 * static_cast<std::size_t>(field);
}

// Each finding's line, then its record and quote index (-1: none).
std::vector<std::string> Lines(const CheckReport& report) {
  std::vector<std::string> lines;
  for (const Finding& f : report.findings) {
    lines.push_back(FindingLine(f) + " @" + std::to_string(f.recordIndex) + "," +
                    std::to_string(f.quoteIndex));
  }
  return lines;
}

TEST(PortfolioCheck, SoundPortfoliosReportNothingNoMasterFailsAndARealFolderReadsOnly) {
  TempDir dir;
  Write(dir.path(), Portfolio({Symbol(1, "AAA", "ALPHA", 40), Symbol(2, "BBB", "BETA", 3),
                               SeriesEntry(MakeDailySeries(3, "NONE", "NO QUOTES YET", {})),
                               SubdirectoryEntry("ARCHIVE")}));
  CheckReport report;
  ASSERT_EQ(CheckPortfolio(dir.str(), report), kOk);
  EXPECT_TRUE(report.findings.empty()) << FindingLine(report.findings.front());
  EXPECT_EQ(CheckSummary(report), "No problems found; 3 series, 43 quotes checked");
  fs::remove(dir.path() / "MASTER");
  EXPECT_EQ(CheckPortfolio(dir.str(), report), kFileNotFound);

  // XMASTER's series are checked and their files named.
  const fs::path wide = WriteWideFolder(dir.path() / "wide", 3);
  report = CheckReport{};
  ASSERT_EQ(CheckPortfolio(wide.string(), report), kOk);
  EXPECT_TRUE(report.findings.empty()) << report.findings.front().detail;
  EXPECT_EQ(CheckSummary(report), "No problems found; 258 series, 774 quotes checked");

  fs::remove(wide / "F257.MWD");
  WriteFileBytes(wide / "F999.MWD", ReadFileBytes(wide / "F256.MWD"));
  Bytes xmaster = ReadFileBytes(wide / "XMASTER");
  xmaster[150 + 116] = 0x64;  // X256's last date 20000105 -> 20000100
  WriteFileBytes(wide / "XMASTER", xmaster);
  report = CheckReport{};
  ASSERT_EQ(CheckPortfolio(wide.string(), report), kOk);
  EXPECT_EQ(report.seriesChecked, 257);
  EXPECT_EQ(Lines(report),
            (std::vector<std::string>{
                "X256\tF256.MWD\t01/05/00\tmaster-last-date\tXMASTER's last date 1000100, "
                "the last quote's 1000105 @255,2",
                "X257\tF257.MWD\t\tmissing-file\tthe data file is not there @256,-1",
                "\tF999.MWD\t\tunlisted-file\tno XMASTER record names this data file @-1,-1"}));

  const fs::path mininge = SharedDataDir() / "mininge";
  if (!fs::exists(mininge)) GTEST_SKIP() << "no shared data";
  const Snapshot untouched = TakeSnapshot(mininge);
  CheckReport real;
  ASSERT_EQ(CheckPortfolio(mininge.string(), real), kOk);
  std::map<std::string, int> kinds;
  for (const Finding& finding : real.findings) ++kinds[KindName(finding.kind)];
  EXPECT_EQ(kinds.at("master-count"), 1);
  EXPECT_GT(kinds.at("date-order"), 0);
  EXPECT_EQ(kinds.at("empty-symbol"), 24);  // APX keeps its symbol
  EXPECT_EQ(real.seriesChecked, 25);
  EXPECT_EQ(TakeSnapshot(mininge), untouched);  // read only
}

// One portfolio with every kind of fault planted once: each is reported exactly once, and
// nothing else is.
TEST(PlantedFaults, EachIsReportedOnceNamingTheSymbolFileAndQuote) {
  TempDir dir;
  const auto d = [](int day) { return Day(2001, 3, day); };
  std::vector<DailyQuote> bad = {
      {d(1), 10, 11, 9, 10, 100},     {d(5), 10, 11, 9, 10, 100}, {d(2), 10, 11, 9, 10, 100},
      {d(6), 10, 11, 9, 10, 100},     {d(6), 10, 11, 9, 10, 100}, {d(7), 10, 9, 10, 9.5f, 100},
      {d(8), 10.5f, 11, 10, 12, 100}, {d(9), 10, 11, 9, 10, -5},  {d(12), 10, 11, 9, 10, 100},
      {d(13), 10, 11, 9, 10, 100},    {d(14), 10, 11, 9, 10, 100}};
  SeriesSpec badLayout = MakeDailySeries(8, "LAYOUT", "", Quotes(2));
  badLayout.recordLengthByte = 20;
  Write(dir.path(),
        Portfolio({SeriesEntry(MakeDailySeries(1, "BAD", "", bad)), Symbol(2, "AAA", "", 3),
                   Symbol(3, "AAA", "", 3), Symbol(4, "SHARED", "", 3), Symbol(4, "TWIN", "", 3),
                   Symbol(5, "GONE", "", 3), Symbol(6, "FOLDER", "", 3), Symbol(7, "SHORT", "", 3),
                   SeriesEntry(badLayout), Symbol(9, "", "NO SYMBOL"), Symbol(10, "DOPLESS", "", 3),
                   Symbol(11, "DATES", "", 3)}));
  const fs::path p = dir.path();
  Patch(p / "F1.DAT", DatAt(9, 0), IeeeToMbf(1010231.0f));  // 31 February
  Patch(p / "F1.DAT", DatAt(8, 5), {0, 0, 0, 1});           // reads as infinite
  fs::remove(p / "F5.DAT");
  fs::remove(p / "F6.DAT");
  fs::create_directory(p / "F6.DAT");
  fs::resize_file(p / "F7.DAT", fs::file_size(p / "F7.DAT") - kDailyRecord);
  WriteText(p / "F10.DOP", "\"DATE\"\r\n\"CLOSE\",2,2\r\n");
  WriteText(p / "f42.dat", "");
  Patch(p / "MASTER", M(11, master_offset::kFirstDate), IeeeToMbf(990104.0f));
  Patch(p / "MASTER", M(11, master_offset::kLastDate), IeeeToMbf(1000106.0f));
  fs::resize_file(p / "MASTER", fs::file_size(p / "MASTER") + kMasterRecordSize);  // zeros
  CheckReport report;
  ASSERT_EQ(CheckPortfolio(dir.str(), report), kOk);
  EXPECT_EQ(report.findings.size(), static_cast<std::size_t>(kFindingKindCount));
  EXPECT_EQ(
      Lines(report),
      (std::vector<std::string>{
          "\tMASTER\t\tmaster-count\tthe header counts 12 records, the file holds 13 @-1,-1",
          "BAD\tF1.DAT\t03/02/01\tdate-order\tdated before the quote ahead of it (03/05/01) @0,2",
          "BAD\tF1.DAT\t03/06/01\tduplicate-date\tsame date as the quote ahead of it @0,4",
          "BAD\tF1.DAT\t03/07/01\thigh-below-low\thigh 9 is below low 10 @0,5",
          "BAD\tF1.DAT\t03/08/01\toutside-range\tclose 12 is outside 10 - 11 @0,6",
          "BAD\tF1.DAT\t03/09/01\tnegative-value\tvolume is -5 @0,7",
          "BAD\tF1.DAT\t03/12/01\tnot-finite\tvolume is inf @0,8",
          "BAD\tF1.DAT\tquote 10\tinvalid-date\tstored date 1010231 is not a day @0,9",
          "AAA\tMASTER\t\tduplicate-symbol\trecord 2 shows the same symbol @2,-1",
          "TWIN\tF4.DAT\t\tduplicate-file\tF4.DAT is also the data file of SHARED @4,-1",
          "GONE\tF5.DAT\t\tmissing-file\tthe data file is not there @5,-1",
          "FOLDER\tF6.DAT\t\tnot-regular-file\tthe data file is not a regular file @6,-1",
          "SHORT\tF7.DAT\t\tshort-file\tthe header counts 3 quotes, the file holds 2 @7,-1",
          "LAYOUT\tF8.DAT\t\tbad-record\tfile number 8, record length 20, 6 fields @8,-1",
          "NO SYMBOL\tMASTER\t\tempty-symbol\tthe symbol is empty; the name stands in until the "
          "MASTER is repaired @9,-1",
          "DOPLESS\tF10.DOP\t\tunreadable-dop\tthe column file cannot be read or does not fit the "
          "record @10,-1",
          "DATES\tF11.DAT\t01/03/00\tmaster-first-date\tMASTER's first date 990104, the first "
          "quote's 1000103 @11,0",
          "DATES\tF11.DAT\t01/05/00\tmaster-last-date\tMASTER's last date 1000106, the last "
          "quote's 1000105 @11,2",
          "\tf42.dat\t\tunlisted-file\tno MASTER record names this data file @-1,-1"}));
  EXPECT_EQ(CheckSummary(report), "19 problems found; 8 series, 30 quotes checked");
}

}  // namespace
}  // namespace voltrim::testing
