#include <gtest/gtest.h>

#include "cli_run.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

TEST(CliCompanionFiles, XmasterSeriesAreListedAndReadOnlyWhenAsked) {
  TempDir temp;
  const std::string wide = WriteWideFolder(temp.path() / "wide", 45);
  const CliResult listed = RunCli({"symbols", wide, "--all"});
  EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 300);
  EXPECT_NE(listed.out.find("\nX300\tEXTENDED SERIES NUMBER 300\tF300.MWD\n"), std::string::npos);
  const fs::path dir = CopyRealFolder("equis-small", temp.path());
  if (dir.empty()) GTEST_SKIP() << "no shared data";
  const std::string masterRows = ".DJX\t1/100 Dow Jones \n.FCHI\tCAC 40 INDICE   \n";
  EXPECT_EQ(RunCli({"symbols", dir.string()}).out, masterRows);
  const CliResult all = RunCli({"symbols", dir.string(), "--all"});
  EXPECT_EQ(all.exitCode, 0);
  EXPECT_EQ(all.out, masterRows + "AZM.L\tAZM.L\tF256.MWD\n.N225\tNIKKEI 225 INDEX\tF2853.MWD\n");
  EXPECT_EQ(RunCli({"quotes", dir.string(), ".N225"}).out,
            "01/05/82\t7719.3398\t7719.3398\t7719.3398\t7719.3398\t0\t0\n"
            "01/04/82\t7718.8398\t7718.8398\t7718.8398\t7718.8398\t0\t0\n");
  EXPECT_EQ(RunCli({"export", dir.string(), "AZM.L"}).out,
            "12/31/96 28.5818 28.5818 28.5818 28.5818 0.00 0.00\r\n");
  const CliResult facts = RunCli({"facts", dir.string(), ".N225"});
  EXPECT_NE(facts.out.find("File number: 2853\n"), std::string::npos) << facts.out;
  EXPECT_NE(facts.out.find("Name of issue: NIKKEI 225 INDEX\n"), std::string::npos);
  // A MASTER series that EMASTER describes shows its longer name after the symbol.
  EXPECT_NE(RunCli({"facts", dir.string(), ".DJX"})
                .out.find("Symbol: .DJX            \nLong name (EMASTER): 1/100 Dow Jones INDU\n"),
            std::string::npos);
}

// A mirroring EMASTER is kept so by every write (the table of write commands); one that is
// not is left as it is, with a warning whenever MASTER changes: a quote delete warns only
// for the first or last quote.
TEST(CliCompanionFiles, AnEmasterThatDoesNotMirrorMasterIsLeftWithAWarning) {
  TempDir temp;
  const fs::path own = temp.path() / "own";
  Write(own, Portfolio({Symbol(1, "ACME", "ACME CORP", 5)}));
  Bytes stale = BuildEmasterBytes(ReadFileBytes(own / "MASTER"));
  stale[kEmasterRecordSize + emaster_offset::kSymbol] = 'X';
  WriteFileBytes(own / "EMASTER", stale);
  EXPECT_EQ(RunCli({"delete-quote", own.string(), "ACME", "01/05/00"}).err, "");
  const CliResult warned = RunCli({"delete-quote", own.string(), "ACME", "01/03/00"});
  EXPECT_EQ(warned.exitCode, 0);
  EXPECT_EQ(warned.err, "Warning: the EMASTER file of " + own.string() +
                            " does not list the same series as its MASTER file; it is left "
                            "unchanged.\n");
  EXPECT_EQ(ReadFileBytes(own / "EMASTER"), stale);
}

}  // namespace
}  // namespace voltrim::testing
