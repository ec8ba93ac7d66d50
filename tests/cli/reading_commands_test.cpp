#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "cli_run.h"
#include "datafiles/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::RunCli;
using testing::TempDir;

PortfolioSpec::Entry Series(SeriesSpec series) {
  PortfolioSpec::Entry entry;
  entry.series = std::move(series);
  return entry;
}

// Two small series; AAA has a DOP file with format codes of its own.
class SmallPortfolio : public ::testing::Test {
 protected:
  void SetUp() override {
    PortfolioSpec spec;
    spec.entries = {
        Series(MakeDailySeries(1, "AAA", "ALPHA",
                               {{YmdToDay(1999, 12, 31), 10.5f, 11.0f, 10.0f, 10.75f, 1200.0f},
                                {YmdToDay(2000, 1, 3), 10.75f, 12.0f, 10.5f, 11.5f, 1500.0f}})),
        Series(MakeDailySeries(2, "BB", "BETA", {}, false)),
    };
    ASSERT_EQ(WritePortfolio(dir.str(), spec), kOk);
    const std::string dop =
        "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",-3,2\r\n"
        "\"VOL\",0,1000\r\n";
    testing::WriteFileBytes(dir.path() / "F1.DOP",
                            std::vector<unsigned char>(dop.begin(), dop.end()));
  }

  TempDir dir;
};

TEST_F(SmallPortfolio, SymbolsListsEachRecordAsTheGridShowsIt) {
  const auto result = RunCli({"symbols", dir.str()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "AAA\tALPHA           \nBB\tBETA            \n");
  EXPECT_EQ(result.err, "");
}

TEST_F(SmallPortfolio, QuotesNewestFirstOrOldestFirst) {
  const std::string newer = "01/03/00\t10.7500\t12.0000\t10.5000\t11.5000\t1500\tN/A\n";
  const std::string older = "12/31/99\t10.5000\t11.0000\t10.0000\t10.7500\t1200\tN/A\n";
  auto result = RunCli({"quotes", dir.str(), "aaa"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, newer + older);
  result = RunCli({"quotes", dir.str(), "ALPHA", "--oldest-first"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, older + newer);

  result = RunCli({"quotes", dir.str(), "BB"});  // no quotes at all
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");
}

TEST_F(SmallPortfolio, FactsPrintEveryLabelAndTheFieldFormats) {
  const auto result = RunCli({"facts", dir.str(), "AAA"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Path: " + dir.str() +
                            "\n"
                            "File number: 1\n"
                            "DAT file record length: 24\n"
                            "DAT file number of fields: 6\n"
                            "Number of quotes: 2\n"
                            "Name of issue: ALPHA           \n"
                            "First date in file: 991231\n"
                            "Last date in file: 1000103\n"
                            "Data format: D Daily\n"
                            "Symbol: AAA             \n"
                            "Date Input: Whole Num.\nDate Display: Whole Num.\n"
                            "Time Input:\nTime Display:\n"
                            "Open Input: 100ths\nOpen Display: 100ths\n"
                            "High Input: 100ths\nHigh Display: 100ths\n"
                            "Low Input: 100ths\nLow Display: 100ths\n"
                            "Close Input: 8ths\nClose Display: 100ths\n"
                            "Vol Input: Whole Num.\nVol Display: 1,000s\n"
                            "OI Input:\nOI Display:\n");
}

TEST_F(SmallPortfolio, FailuresSayWhatIsWrongAndExitOne) {
  auto result = RunCli({"quotes", dir.str(), "ZZZ"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "Symbol \"ZZZ\" not found in " + dir.str() + "\n");

  result = RunCli({"facts", dir.str(), "ZZZ"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Symbol \"ZZZ\" not found in " + dir.str() + "\n");

  std::filesystem::remove(dir.path() / "F1.DAT");
  result = RunCli({"quotes", dir.str(), "AAA"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err.rfind("Error in FillQuotesGrid\n", 0), 0u) << result.err;
  result = RunCli({"facts", dir.str(), "AAA"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("cannot be read"), std::string::npos) << result.err;

  result = RunCli({"symbols", (dir.path() / "missing").string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("is not a folder"), std::string::npos);
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

TEST(CliSymbols, MasterWithMoreRecordsThanItsCountIsRefused) {
  TempDir dir;
  PortfolioSpec spec;
  spec.entries = {Series(MakeDailySeries(1, "AAA", "ALPHA", {})),
                  Series(MakeDailySeries(2, "BBB", "BETA", {}))};
  spec.headerRecordCount = 1;
  ASSERT_EQ(WritePortfolio(dir.str(), spec), kOk);
  const auto result = RunCli({"symbols", dir.str()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("Failure while filling symbols grid\n", 0), 0u) << result.err;
}

TEST(CliUsage, MistakesInTheCommandLineExitTwo) {
  EXPECT_EQ(RunCli({}).exitCode, 2);
  EXPECT_EQ(RunCli({"no-such-command"}).exitCode, 2);
  EXPECT_EQ(RunCli({"symbols"}).exitCode, 2);
  EXPECT_EQ(RunCli({"symbols", "a", "b"}).exitCode, 2);
  EXPECT_EQ(RunCli({"quotes", "dir"}).exitCode, 2);
  EXPECT_EQ(RunCli({"facts", "dir", "SYM", "--bogus"}).exitCode, 2);
  const auto usage = RunCli({"quotes", "dir", "SYM", "--newest"});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.err.find("Usage: voltrim-cli quotes DIR SYMBOL [--oldest-first]"),
            std::string::npos)
      << usage.err;
}

TEST(CliUsage, HelpDocumentsEachCommand) {
  const auto all = RunCli({"--help"});
  EXPECT_EQ(all.exitCode, 0);
  for (const char* name : {"symbols", "quotes", "facts", "sample"}) {
    EXPECT_NE(all.out.find(name), std::string::npos) << name;
    const auto one = RunCli({name, "--help"});
    EXPECT_EQ(one.exitCode, 0) << name;
    EXPECT_EQ(one.out.rfind(std::string("Usage: voltrim-cli ") + name, 0), 0u) << one.out;
  }
  EXPECT_NE(RunCli({"quotes", "--help"}).out.find("--oldest-first"), std::string::npos);
}

}  // namespace
}  // namespace voltrim
