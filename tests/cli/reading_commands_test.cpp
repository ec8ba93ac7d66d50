#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_run.h"
#include "datafiles/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::RunCli;

// Two small series; AAA has a DOP file with format codes of its own.
class SmallPortfolio : public ::testing::Test {
 protected:
  void SetUp() override {
    PortfolioSpec plan;
    plan.entries.resize(2);
    plan.entries[0].series =
        MakeDailySeries(1, "AAA", "ALPHA",
                        {{YmdToDay(1999, 12, 31), 10.5f, 11.0f, 10.0f, 10.75f, 1200.0f},
                         {YmdToDay(2000, 1, 3), 10.75f, 12.0f, 10.5f, 11.5f, 1500.0f}});
    plan.entries[1].series = MakeDailySeries(2, "BB", "BETA", {}, false);
    ASSERT_EQ(WritePortfolio(dir.str(), plan), kOk);
    const std::string dop =
        "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n"
        "\"CLOSE\",-3,2\r\n\"VOL\",0,1000\r\n";
    testing::WriteFileBytes(dir.path() / "F1.DOP", {dop.begin(), dop.end()});
  }

  testing::TempDir dir;
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
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");

  result = RunCli({"facts", dir.str(), "AAA"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.substr(0, result.out.find("Date Input")),
            "Path: " + dir.str() +
                "\nFile number: 1\nDAT file record length: 24\nDAT file number of fields: 6\n"
                "Number of quotes: 2\nName of issue: ALPHA           \n"
                "First date in file: 991231\nLast date in file: 1000103\n"
                "Data format: D Daily\nSymbol: AAA             \n");
  EXPECT_NE(result.out.find("\nTime Input:\nTime Display:\n"), std::string::npos);
  EXPECT_NE(result.out.find("\nVol Input: Whole Num.\nVol Display: 1,000s\nOI Input:\n"),
            std::string::npos);
}

TEST_F(SmallPortfolio, FailuresSayWhatIsWrongAndExitOne) {
  const std::string notFound = "Symbol \"ZZZ\" not found in " + dir.str() + "\n";
  auto result = RunCli({"quotes", dir.str(), "ZZZ"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, notFound);
  result = RunCli({"facts", dir.str(), "ZZZ"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, notFound);

  std::filesystem::remove(dir.path() / "F1.DAT");
  result = RunCli({"quotes", dir.str(), "AAA"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error in FillQuotesGrid\n" + dir.str() + "/F1.DAT cannot be opened\n");
  result = RunCli({"facts", dir.str(), "AAA"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("F1.DAT cannot be opened"), std::string::npos) << result.err;

  result = RunCli({"symbols", (dir.path() / "missing").string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("is not a folder"), std::string::npos);
  std::filesystem::remove(dir.path() / "MASTER");
  for (const std::vector<std::string>& command : {std::vector<std::string>{"symbols", dir.str()},
                                                  {"quotes", dir.str(), "AAA"},
                                                  {"facts", dir.str(), "AAA"}}) {
    result = RunCli(command);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("No MASTER file in " + dir.str() + "\n"), std::string::npos);
  }
}

// A data file shorter than its header says must not show quotes twice.
TEST_F(SmallPortfolio, TruncatedDataFileIsReportedNotShownTwice) {
  const auto datPath = dir.path() / "F1.DAT";
  auto bytes = testing::ReadFileBytes(datPath);
  bytes.resize(bytes.size() - 24);  // the newest quote is gone, the header still counts it
  testing::WriteFileBytes(datPath, bytes);
  const auto result = RunCli({"quotes", dir.str(), "AAA"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("fewer quotes than its header counts"), std::string::npos)
      << result.err;
}

TEST(CliUsage, MistakesExitTwoAndHelpDocumentsEachCommand) {
  EXPECT_EQ(RunCli({}).exitCode, 2);
  EXPECT_EQ(RunCli({"no-such-command"}).exitCode, 2);
  EXPECT_EQ(RunCli({"symbols"}).exitCode, 2);
  EXPECT_EQ(RunCli({"symbols", "a", "b"}).exitCode, 2);
  EXPECT_EQ(RunCli({"sample"}).exitCode, 2);
  const auto usage = RunCli({"quotes", "dir", "SYM", "--newest"});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.err.find("Usage: voltrim-cli quotes DIR SYMBOL [--oldest-first]"),
            std::string::npos)
      << usage.err;

  const auto help = RunCli({"quotes", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: voltrim-cli quotes DIR SYMBOL [--oldest-first]\n", 0), 0u);
  EXPECT_NE(help.out.find("--oldest-first  "), std::string::npos) << help.out;
}

}  // namespace
}  // namespace voltrim
