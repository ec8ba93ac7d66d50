#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include <string>
#include <vector>

#include "datafiles/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

CliResult RunCli(const QStringList& arguments) {
  QProcess process;
  process.start(VOLTRIM_CLI_PATH, arguments);
  process.waitForFinished(60000);
  CliResult result;
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  return result;
}

std::string ReadText(const std::filesystem::path& file) {
  const auto bytes = ReadFileBytes(file);
  return {bytes.begin(), bytes.end()};
}

class CliSplitSearchExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const DayNumber first = DateFloatToDay(990104.0f);
    const auto day = [first](int i) { return static_cast<DayNumber>(first + i); };
    PortfolioSpec plan;
    // Halves on the third quote: a 2-for-1 split candidate.
    plan.entries.push_back({false,
                            MakeDailySeries(1, "XYZ", "XYZ CORP",
                                            {{day(0), 100, 101, 98, 100, 1000},
                                             {day(1), 100, 101, 99, 100.5f, 1500},
                                             {day(2), 50, 52, 49, 50, 3000}}),
                            {}});
    plan.entries.push_back(
        {false, MakeDailySeries(2, "ONE", "ONE QUOTE", {{day(0), 1, 1, 1, 1, 1}}), {}});
    ASSERT_EQ(WritePortfolio(portfolioStd(), plan), kOk);
  }

  QString portfolio() const { return QString::fromStdString((dir_.path() / "data").string()); }
  std::string portfolioStd() const { return (dir_.path() / "data").string(); }

  TempDir dir_;
};

TEST_F(CliSplitSearchExportTest, ExportWritesTheExportTextToStdout) {
  const CliResult r = RunCli({"export", portfolio(), "xyz", "--delimiter", "comma", "--omit",
                              "open,Volume", "--newest-first", "--title"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "DATE,HIGH,LOW,CLOSE,OI\r\n"
            "01/06/99,52.0000,49.0000,50.0000,N/A\r\n"
            "01/05/99,101.0000,99.0000,100.5000,N/A\r\n"
            "01/04/99,101.0000,98.0000,100.0000,N/A\r\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(CliSplitSearchExportTest, ExportReplacesTheOutputFile) {
  const auto file = dir_.path() / "out.txt";
  testing::WriteFileBytes(file, std::vector<unsigned char>(300, 'x'));
  const CliResult r = RunCli({"export", portfolio(), "ONE", "-o",
                              QString::fromStdString(file.string()), "--delimiter", "tab"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadText(file), "01/04/99\t1.0000\t1.0000\t1.0000\t1.0000\t1.00\tN/A\r\n");

  const CliResult bad = RunCli({"export", portfolio(), "ONE", "-o",
                                QString::fromStdString((dir_.path() / "none" / "x.txt").string())});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "file export error\n");
}

TEST_F(CliSplitSearchExportTest, UsageErrorsAndFailures) {
  for (const QStringList& bad :
       {QStringList{"export", portfolio()},
        QStringList{"export", portfolio(), "XYZ", "--delimiter", "semi"},
        QStringList{"export", portfolio(), "XYZ", "--omit", "date"}, QStringList{"split-search"},
        QStringList{"split-search", "a", "b"}}) {
    EXPECT_EQ(RunCli(bad).exitCode, 2) << bad.join(' ').toStdString();
  }
  EXPECT_NE(RunCli({"export", "--help"}).out.find("--newest-first"), std::string::npos);
  const CliResult unknown = RunCli({"export", portfolio(), "NOPE"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_EQ(unknown.out, "");
  const CliResult none =
      RunCli({"split-search", QString::fromStdString((dir_.path() / "nothing").string())});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.err, "Failure while filling symbols grid\n");
}

TEST_F(CliSplitSearchExportTest, SplitSearchListsCandidatesAndReportsOnStderr) {
  const CliResult r = RunCli({"split-search", portfolio()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "XYZ possible 2 for 1 split on 01/06/99\n");
  EXPECT_EQ(
      r.err,
      "For symbol ONE\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.\n");

  const auto file = dir_.path() / "result.txt";
  const CliResult saved =
      RunCli({"split-search", portfolio(), "-o", QString::fromStdString(file.string())});
  EXPECT_EQ(saved.exitCode, 0);
  EXPECT_EQ(saved.out, "");
  EXPECT_EQ(ReadText(file), "XYZ possible 2 for 1 split on 01/06/99\r\n");
}

}  // namespace
}  // namespace voltrim
