#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

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
  auto result = RunCli({"symbols", dir.str()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "AAA\tALPHA           \nBB\tBETA            \n");
  EXPECT_EQ(result.err, "");

  const std::string newer = "01/03/00\t10.7500\t12.0000\t10.5000\t11.5000\t1500\tN/A\n";
  const std::string older = "12/31/99\t10.5000\t11.0000\t10.0000\t10.7500\t1200\tN/A\n";
  result = RunCli({"quotes", dir.str(), "aaa"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, newer + older);
  result = RunCli({"quotes", dir.str(), "ALPHA", "--oldest-first"});
  EXPECT_EQ(result.out, older + newer);
  result = RunCli({"quotes", dir.str(), "BB"});  // no quotes at all
  EXPECT_TRUE(result.exitCode == 0 && result.out.empty()) << result.err;

  result = RunCli({"facts", dir.str(), "AAA"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.substr(0, result.out.find("Date Input")),
            "Path: " + dir.str() +
                "\nFile number: 1\nDAT file record length: 24\nDAT file number of fields: 6\n"
                "Number of quotes: 2\nName of issue: ALPHA           \n"
                "First date in file: 991231\nLast date in file: 1000103\n"
                "Data format: D Daily\nSymbol: AAA             \n"
                "Listed in: MASTER\nData file: F1.DAT\n");
  EXPECT_NE(result.out.find("\nTime Input:\nTime Display:\n"), std::string::npos);
  EXPECT_NE(result.out.find("\nVol Input: Whole Num.\nVol Display: 1,000s\nOI Input:\n"),
            std::string::npos);
}

// Each damage in turn: the commands exit 1 and say what is wrong, never show partial data.
TEST_F(SmallPortfolio, DamageIsReportedAndExitsOne) {
  const std::string d = dir.str();
  const auto expectFailure = [](std::vector<std::string> arguments, const std::string& err,
                                bool whole = true) {
    const auto result = RunCli(arguments);
    SCOPED_TRACE(::testing::PrintToString(arguments));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(whole ? result.err == err : result.err.find(err) != std::string::npos)
        << result.err;
  };
  // The newest quote is gone but the header still counts it: not shown twice.
  auto bytes = ReadFileBytes(dir.path() / "F1.DAT");
  bytes.resize(bytes.size() - 24);
  WriteFileBytes(dir.path() / "F1.DAT", bytes);
  expectFailure({"quotes", d, "AAA"}, "fewer quotes than its header counts", false);

  std::filesystem::remove(dir.path() / "F1.DAT");
  expectFailure({"quotes", d, "AAA"}, "Error in FillQuotesGrid: " + d +
                                          "/F1.DAT: " + SystemReason(ENOENT) + "\n" + d +
                                          "/F1.DAT cannot be opened\n");

  // Names that are not regular files fail at once (a FIFO would wait for ever), and say so;
  // a device is refused alike in the readers' tests.
  ASSERT_EQ(mkfifo((d + "/F1.DAT").c_str(), 0600), 0);
  expectFailure({"quotes", d, "AAA"},
                "Error in FillQuotesGrid: " + d + "/F1.DAT: not a regular file\n", false);
  expectFailure({"export", d, "AAA"}, "Cannot read the quotes of AAA in " + d + ": " + d +
                                          "/F1.DAT: not a regular file\n");
  std::filesystem::rename(dir.path() / "MASTER", dir.path() / "master");
  ASSERT_EQ(mkfifo((d + "/MASTER").c_str(), 0600), 0);
  expectFailure({"symbols", d},
                "Failure while filling symbols grid: " + d + "/MASTER: not a regular file\n",
                false);
  std::filesystem::remove(dir.path() / "master");

  std::filesystem::remove(dir.path() / "MASTER");
  expectFailure({"symbols", d}, "No MASTER file in " + d + "\n", false);
}

namespace fs = std::filesystem;

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "x";
}

// Argument mistakes of scan are among the refusals of cli_write_test.
TEST(ScanCommandTest, ListsPortfoliosBelowTheCurrentFolderSortedOrSaysNoneFound) {
  TempDir tree, home;
  Touch(tree.path() / "demo" / "Stocks" / "MASTER");
  Touch(tree.path() / "demo" / "bonds" / "master");
  Touch(tree.path() / "demo" / "bonds" / "daily" / "MASTER");
  Touch(tree.path() / "other" / "MASTER");
  fs::create_directories(tree.path() / "empty");
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

}  // namespace
}  // namespace voltrim::testing
