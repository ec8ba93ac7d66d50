#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "check/check_report_text.h"
#include "check/portfolio_check.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kDailyRecord = 24;  // six fields

// Puts four bytes at `at` of a file.
void Patch(const fs::path& file, std::size_t at, const MbfBytes& mbf) {
  WriteFileBytes(file, Put(ReadFileBytes(file), at, mbf));
}
// Where field `field` (0-based) of quote q (0 = oldest) of a six-field DAT file lies.
std::size_t DatAt(int q, int field) {
  return kDailyRecord * static_cast<std::size_t>(q + 1) + 4 * static_cast<std::size_t>(field);
}

std::map<std::string, int> KindCounts(const CheckReport& report) {
  std::map<std::string, int> counts;
  for (const Finding& finding : report.findings) ++counts[KindName(finding.kind)];
  return counts;
}

const Finding& Only(const CheckReport& report, FindingKind kind) {
  for (const Finding& finding : report.findings) {
    if (finding.kind == kind) return finding;
  }
  static const Finding none;
  ADD_FAILURE() << "no " << KindName(kind);
  return none;
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
  std::filesystem::remove(dir.path() / "MASTER");
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
  std::vector<std::string> seen;
  for (const Finding& f : report.findings) seen.push_back(FindingLine(f));
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "X256\tF256.MWD\t01/05/00\tmaster-last-date\tXMASTER's last date 1000100, "
                      "the last quote's 1000105",
                      "X257\tF257.MWD\t\tmissing-file\tthe data file is not there",
                      "\tF999.MWD\t\tunlisted-file\tno XMASTER record names this data file"}));

  const fs::path mininge = SharedDataDir() / "mininge";
  if (!fs::exists(mininge)) GTEST_SKIP() << "no shared data";
  const Snapshot untouched = TakeSnapshot(mininge);
  CheckReport real;
  ASSERT_EQ(CheckPortfolio(mininge.string(), real), kOk);
  const auto kinds = KindCounts(real);
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
  std::map<std::string, int> expected;
  for (int k = 0; k < kFindingKindCount; ++k) expected[KindName(static_cast<FindingKind>(k))] = 1;
  EXPECT_EQ(KindCounts(report), expected);
  EXPECT_EQ(FindingLine(Only(report, FindingKind::MasterCount)),
            "\tMASTER\t\tmaster-count\tthe header counts 12 records, the file holds 13");
  EXPECT_EQ(FindingLine(Only(report, FindingKind::DateOrder)),
            "BAD\tF1.DAT\t03/02/01\tdate-order\tdated before the quote ahead of it (03/05/01)");
  const Finding& order = Only(report, FindingKind::DateOrder);
  EXPECT_EQ(order.recordIndex, 0);
  EXPECT_EQ(order.quoteIndex, 2);
  EXPECT_EQ(FindingLine(Only(report, FindingKind::InvalidDate)),
            "BAD\tF1.DAT\tquote 10\tinvalid-date\tstored date 1010231 is not a day");
  EXPECT_EQ(Only(report, FindingKind::DuplicateDate).quoteIndex, 4);
  EXPECT_EQ(Only(report, FindingKind::HighBelowLow).detail, "high 9 is below low 10");
  EXPECT_EQ(Only(report, FindingKind::OutsideRange).detail, "close 12 is outside 10 - 11");
  EXPECT_EQ(Only(report, FindingKind::NegativeValue).detail, "volume is -5");
  EXPECT_EQ(Only(report, FindingKind::NotFinite).quoteIndex, 8);
  EXPECT_EQ(FindingLine(Only(report, FindingKind::DuplicateSymbol)),
            "AAA\tMASTER\t\tduplicate-symbol\trecord 2 shows the same symbol");
  EXPECT_EQ(FindingLine(Only(report, FindingKind::DuplicateFileNumber)),
            "TWIN\tF4.DAT\t\tduplicate-file\tF4.DAT is also the data file of SHARED");
  EXPECT_EQ(FindingLine(Only(report, FindingKind::ShortFile)),
            "SHORT\tF7.DAT\t\tshort-file\tthe header counts 3 quotes, the file holds 2");
  EXPECT_EQ(Only(report, FindingKind::EmptySymbol).symbol, "NO SYMBOL");
  EXPECT_EQ(FindingLine(Only(report, FindingKind::UnlistedFile)),
            "\tf42.dat\t\tunlisted-file\tno MASTER record names this data file");
  EXPECT_EQ(Only(report, FindingKind::MasterFirstDate).detail,
            "MASTER's first date 990104, the first quote's 1000103");
  EXPECT_EQ(CheckSummary(report), "19 problems found; 8 series, 30 quotes checked");
}

}  // namespace
}  // namespace voltrim::testing
