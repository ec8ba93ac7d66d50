#include <gtest/gtest.h>

#include "cli_write_runner.h"
#include "datafiles/master.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

class CliWriteSymbolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    src_ = WriteAcmePortfolio(temp_.path(), "src");
    PortfolioSpec plan;
    PortfolioSpec::Entry other;
    other.series = MakeDailySeries(1, "OTHER", "OTHER CO", {{YmdToDay(2000, 1, 3), 1, 1, 1, 1, 1}});
    plan.entries = {other};
    dst_ = (temp_.path() / "dst").string();
    ASSERT_EQ(WritePortfolio(dst_, plan), 0);
    before_ = TakeSnapshot(temp_.path());
  }
  MasterFile Master(const std::string& dir) const {
    MasterFile master;
    EXPECT_EQ(ReadMasterFile(dir + "/MASTER", master), kOk);
    return master;
  }

  TempDir temp_;
  std::string src_, dst_;
  Snapshot before_;
};

TEST_F(CliWriteSymbolsTest, RenameSymbolKeepsTheNameUnlessGiven) {
  EXPECT_EQ(RunCli({"rename-symbol", src_, "beta", "bx"}).exitCode, 0);
  MasterFile master = Master(src_);
  EXPECT_EQ(master.records[1].SymbolField(), "bx              ");
  EXPECT_EQ(master.records[1].NameField(), "BETA INC        ");
  EXPECT_EQ(RunCli({"rename-symbol", src_, "bx", "BX", "New Name"}).exitCode, 0);
  EXPECT_EQ(Master(src_).records[1].NameField(), "New Name        ");
}

TEST_F(CliWriteSymbolsTest, RenameSymbolRefusals) {
  const CliResult empty = RunCli({"rename-symbol", src_, "BETA", ""});
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.err, "You must enter a symbol\n");
  EXPECT_EQ(RunCli({"rename-symbol", src_, "BETA", "SEVENTEEN-CHARSXX"}).exitCode, 2);
  const CliResult missing = RunCli({"rename-symbol", src_, "NOSUCH", "X"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Symbol \"NOSUCH\" not found in " + src_ + "\n");
  EXPECT_EQ(TakeSnapshot(temp_.path()), before_);
}

TEST_F(CliWriteSymbolsTest, DeleteSymbolProceedsWithoutAQuestion) {
  const CliResult r = RunCli({"delete-symbol", src_, "BETA"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Master(src_).records.size(), 1u);
  EXPECT_FALSE(fs::exists(temp_.path() / "src" / "F2.DAT"));
  EXPECT_TRUE(fs::exists(temp_.path() / "src" / "F1.DAT"));
}

TEST_F(CliWriteSymbolsTest, CopyAndMoveSymbol) {
  EXPECT_EQ(RunCli({"copy-symbol", src_, "acme", dst_}).exitCode, 0);
  EXPECT_EQ(Master(dst_).records.size(), 2u);
  EXPECT_EQ(ReadFileBytes(temp_.path() / "dst" / "F2.DAT"),
            ReadFileBytes(temp_.path() / "src" / "F1.DAT"));
  EXPECT_EQ(Master(src_).records.size(), 2u);

  const CliResult again = RunCli({"move-symbol", src_, "acme", dst_});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.err,
            "The Symbol addition failed.\n\nReason: Symbol ACME already exists in\n" + dst_ + "\n");

  EXPECT_EQ(RunCli({"move-symbol", src_, "BETA", dst_}).exitCode, 0);
  EXPECT_EQ(Master(src_).records.size(), 1u);
  EXPECT_FALSE(fs::exists(temp_.path() / "src" / "F2.DAT"));
  EXPECT_TRUE(fs::exists(temp_.path() / "dst" / "F3.DAT"));
}

TEST_F(CliWriteSymbolsTest, RepairFillsEmptySymbolsWithoutAsking) {
  PortfolioSpec plan;
  PortfolioSpec::Entry blank;
  blank.series = MakeDailySeries(1, "", "ACME CORP", {{YmdToDay(2000, 1, 3), 1, 1, 1, 1, 1}});
  plan.entries = {blank};
  const std::string dir = (temp_.path() / "broken").string();
  ASSERT_EQ(WritePortfolio(dir, plan), 0);
  EXPECT_EQ(RunCli({"repair", dir}).exitCode, 0);
  EXPECT_EQ(Master(dir).records[0].SymbolField(), "ACME CORP       ");
  const Bytes repaired = ReadFileBytes(temp_.path() / "broken" / "MASTER");
  EXPECT_EQ(RunCli({"repair", dir}).exitCode, 0);  // nothing left to do
  EXPECT_EQ(ReadFileBytes(temp_.path() / "broken" / "MASTER"), repaired);
  EXPECT_EQ(RunCli({"repair", (temp_.path() / "none").string()}).exitCode, 1);
}

}  // namespace
}  // namespace voltrim::testing
