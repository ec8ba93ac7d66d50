#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "cli_run.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// Two small series; AAA has a DOP file with format codes of its own.
class SmallPortfolio : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<DailyQuote> aaa = {
        {YmdToDay(1999, 12, 31), 10.5f, 11.0f, 10.0f, 10.75f, 1200.0f},
        {YmdToDay(2000, 1, 3), 10.75f, 12.0f, 10.5f, 11.5f, 1500.0f}};
    Write(dir.path(), Portfolio({SeriesEntry(MakeDailySeries(1, "AAA", "ALPHA", aaa)),
                                 SeriesEntry(MakeDailySeries(2, "BB", "BETA", {}, false))}));
    WriteText(dir.path() / "F1.DOP",
              "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n"
              "\"CLOSE\",-3,2\r\n\"VOL\",0,1000\r\n");
  }

  TempDir dir;
};

TEST_F(SmallPortfolio, SymbolsQuotesAndFactsPrintWhatTheWindowsShow) {
  const std::string d = dir.str();
  const std::string newer = "01/03/00\t10.7500\t12.0000\t10.5000\t11.5000\t1500\tN/A\n";
  const std::string older = "12/31/99\t10.5000\t11.0000\t10.0000\t10.7500\t1200\tN/A\n";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"symbols", d}, "AAA\tALPHA           \nBB\tBETA            \n"},
      {{"quotes", d, "aaa"}, newer + older},
      {{"quotes", d, "ALPHA", "--oldest-first"}, older + newer},
      {{"quotes", d, "BB"}, ""},  // no quotes at all
  };
  for (const auto& [words, out] : cases) {
    const CliResult result = RunCli(words);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.err, "");
  }
  const CliResult facts = RunCli({"facts", d, "AAA"});
  EXPECT_EQ(facts.exitCode, 0) << facts.err;
  EXPECT_EQ(facts.out.substr(0, facts.out.find("Date Input")),
            "Path: " + d +
                "\nFile number: 1\nDAT file record length: 24\nDAT file number of fields: 6\n"
                "Number of quotes: 2\nName of issue: ALPHA           \n"
                "First date in file: 991231\nLast date in file: 1000103\n"
                "Data format: D Daily\nSymbol: AAA             \n"
                "Listed in: MASTER\nData file: F1.DAT\n");
  EXPECT_NE(facts.out.find("\nTime Input:\nTime Display:\n"), std::string::npos);
  EXPECT_NE(facts.out.find("\nVol Input: Whole Num.\nVol Display: 1,000s\nOI Input:\n"),
            std::string::npos);
}

// Never partial data.
TEST_F(SmallPortfolio, DamageIsReportedAndExitsOne) {
  const std::string d = dir.str();
  const auto expectFailure = [](std::vector<std::string> arguments, const std::string& err) {
    const auto result = RunCli(arguments);
    SCOPED_TRACE(::testing::PrintToString(arguments));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(err), std::string::npos) << result.err;
  };
  // The newest quote is gone but the header still counts it: not shown twice.
  fs::resize_file(dir.path() / "F1.DAT", fs::file_size(dir.path() / "F1.DAT") - 24);
  expectFailure({"quotes", d, "AAA"}, "fewer quotes than its header counts");
  fs::remove(dir.path() / "F1.DAT");
  expectFailure({"quotes", d, "AAA"}, "Error in FillQuotesGrid: " + d +
                                          "/F1.DAT: " + SystemReason(ENOENT) + "\n" + d +
                                          "/F1.DAT cannot be opened\n");
  // Names that are not regular files fail at once (a FIFO would wait for ever), and say so;
  // a device is refused alike in the readers' tests.
  ASSERT_EQ(mkfifo((d + "/F1.DAT").c_str(), 0600), 0);
  expectFailure({"quotes", d, "AAA"},
                "Error in FillQuotesGrid: " + d + "/F1.DAT: not a regular file\n");
  expectFailure({"export", d, "AAA"}, "Cannot read the quotes of AAA in " + d + ": " + d +
                                          "/F1.DAT: not a regular file\n");
  fs::rename(dir.path() / "MASTER", dir.path() / "master");
  ASSERT_EQ(mkfifo((d + "/MASTER").c_str(), 0600), 0);
  expectFailure({"symbols", d},
                "Failure while filling symbols grid: " + d + "/MASTER: not a regular file\n");
  fs::remove(dir.path() / "master");
  fs::remove(dir.path() / "MASTER");
  expectFailure({"symbols", d}, "No MASTER file in " + d + "\n");
}

// Argument mistakes of scan are among the refusals of the write tests.
TEST(ScanCommandTest, ListsPortfoliosBelowTheCurrentFolderSortedOrSaysNoneFound) {
  TempDir tree, home;
  for (const char* master : {"demo/Stocks/MASTER", "demo/bonds/master", "demo/bonds/daily/MASTER",
                             "other/MASTER", "empty/"}) {
    fs::create_directories((tree.path() / master).parent_path());
    if (fs::path(master).has_filename()) std::ofstream(tree.path() / master) << "x";
  }
  const std::string demo = (tree.path() / "demo").string();
  const auto scan = [&](const fs::path& cwd, std::vector<std::string> options) {
    options.insert(options.begin(), "scan");
    return RunCli(options, cwd.string(), {"XDG_CONFIG_HOME=" + home.str() + "/config"});
  };
  const CliResult all = scan(demo, {});
  EXPECT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(all.out, demo + "/bonds\n" + demo + "/bonds/daily\n" + demo + "/Stocks\n");
  EXPECT_FALSE(fs::exists(home.path() / "config")) << "scan must not write settings";
  const CliResult none = scan(tree.path() / "empty", {"--drive", "/"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err,
            "No master files found on drive /\n\n(Is your Portfolio Search Filter setting "
            "correct?)\n");
}

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

// A mirroring one is kept so by every write (the table of write commands); this one only when
// MASTER changes: a quote delete warns for the first or last quote.
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
