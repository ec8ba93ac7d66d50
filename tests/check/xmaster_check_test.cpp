#include <gtest/gtest.h>

#include <filesystem>

#include "check/portfolio_check.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// The check reads the series XMASTER lists as it reads MASTER's, and names their files.
TEST(XmasterCheck, SeriesXmasterListsAreCheckedAndTheirFilesNamed) {
  TempDir temp;
  const fs::path dir = WriteWideFolder(temp.path() / "wide", 3);
  CheckReport report;
  ASSERT_EQ(CheckPortfolio(dir.string(), report), kOk);
  EXPECT_EQ(report.seriesChecked, 258);
  EXPECT_EQ(report.quotesChecked, 3 * 258);
  EXPECT_TRUE(report.findings.empty()) << report.findings.front().detail;

  fs::remove(dir / "F257.MWD");
  WriteFileBytes(dir / "F999.MWD", ReadFileBytes(dir / "F256.MWD"));
  Bytes xmaster = ReadFileBytes(dir / "XMASTER");
  xmaster[150 + 116] = 0x64;  // X256's last date 20000105 -> 20000104 (0x01312D64)
  WriteFileBytes(dir / "XMASTER", xmaster);
  report = CheckReport{};
  ASSERT_EQ(CheckPortfolio(dir.string(), report), kOk);
  EXPECT_EQ(report.seriesChecked, 257);
  std::vector<std::string> seen;
  for (const Finding& f : report.findings)
    seen.push_back(f.symbol + " " + f.file + " " + std::to_string(static_cast<int>(f.kind)) + " " +
                   f.detail.substr(0, 22));
  EXPECT_EQ(seen,
            (std::vector<std::string>{
                "X256 F256.MWD " + std::to_string(static_cast<int>(FindingKind::MasterLastDate)) +
                    " XMASTER's last date 10",
                "X257 F257.MWD " + std::to_string(static_cast<int>(FindingKind::MissingFile)) +
                    " the data file is not t",
                " F999.MWD " + std::to_string(static_cast<int>(FindingKind::UnlistedFile)) +
                    " no XMASTER record name"}));
}

}  // namespace
}  // namespace voltrim::testing
