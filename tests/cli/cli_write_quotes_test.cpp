#include <gtest/gtest.h>

#include "cli_write_runner.h"

namespace voltrim::testing {
namespace {

class CliWriteQuotesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = WriteAcmePortfolio(temp_.path(), "p");
    before_ = TakeSnapshot(temp_.path());
  }
  CliResult Run(const std::string& command, std::vector<std::string> rest) {
    rest.insert(rest.begin(), {command, dir_, "ACME"});
    return RunCli(rest);
  }
  Bytes Dat() const { return ReadFileBytes(temp_.path() / "p" / "F1.DAT"); }
  void ExpectUnchanged() const { EXPECT_EQ(TakeSnapshot(temp_.path()), before_); }

  TempDir temp_;
  std::string dir_;
  Snapshot before_;
};

TEST_F(CliWriteQuotesTest, EditSetsOnlyTheNamedFieldsOfEveryQuoteOfTheDay) {
  const CliResult r = Run("edit", {"01/04/00", "--close", "20.5", "--volume", "7"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  auto expected = AcmeRecords();
  expected[1][4] = expected[2][4] = 20.5f;
  expected[1][5] = expected[2][5] = 7.0f;
  EXPECT_EQ(Dat(), BuildDatBytes(AcmeSeries(expected)));
}

TEST_F(CliWriteQuotesTest, EditRefusesWhatItCannotMean) {
  EXPECT_EQ(Run("edit", {"01/04/00"}).exitCode, 2);                  // no field named
  EXPECT_EQ(Run("edit", {"01/04/00", "--open", "-3"}).exitCode, 2);  // not typeable
  EXPECT_EQ(Run("edit", {"01/04/00", "--open", "N/A"}).exitCode, 2);
  EXPECT_EQ(Run("edit", {"01/04/00", "--open", "."}).exitCode, 2);
  EXPECT_EQ(Run("edit", {"01/04/00", "--bogus", "1"}).exitCode, 2);
  const CliResult missing = Run("edit", {"01/05/00", "--open", "3"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "No quote is dated 01/05/00.\n");
  const CliResult noSymbol = RunCli({"edit", dir_, "NOSUCH", "01/04/00", "--open", "3"});
  EXPECT_EQ(noSymbol.exitCode, 1);
  ExpectUnchanged();
}

// Split and Adjust: the dialogs' checks on stderr; the arithmetic is the core's (tested
// there), so a success is only checked to have rewritten the series.
TEST_F(CliWriteQuotesTest, SplitAndAdjustCheckLikeTheirDialogs) {
  const CliResult bad = Run("split", {"01/12/00", "2", "1"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "Invalid Data Entered\n");
  EXPECT_EQ(Run("split", {"01/06/00", "0", "1"}).err, "Invalid Data Entered\n");
  EXPECT_EQ(Run("split", {"01/06/00", "123456", "1"}).err, "Invalid Data Entered\n");
  EXPECT_EQ(Run("split", {"1/6/2000", "2", "1"}).err, "Invalid Data Entered\n");
  EXPECT_EQ(Run("split", {"01/06/00", "2"}).exitCode, 2);
  EXPECT_EQ(Run("adjust", {"01/03/00", "01/12/00"}).err, "Invalid Data Entered\n");
  EXPECT_EQ(Run("adjust", {"01/03/00", "01/11/00", "--volume", "-2"}).exitCode, 1);
  ExpectUnchanged();

  EXPECT_EQ(Run("split", {"01/06/00", "2", "1"}).exitCode, 0);
  const Bytes split = Dat();
  EXPECT_NE(split, BuildDatBytes(AcmeSeries()));
  // Open interest takes any text, as its field does; this series has none to scale.
  EXPECT_EQ(Run("adjust", {"01/06/00", "01/11/00", "--price", "2", "--oi", "-1"}).exitCode, 0);
  EXPECT_NE(Dat(), split);
}

TEST_F(CliWriteQuotesTest, DeleteAndAddQuote) {
  const CliResult missing = Run("delete-quote", {"01/05/00"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "failure in delete quote for findrec\nDelete Edit Failed\n");
  ExpectUnchanged();

  EXPECT_EQ(Run("add-quote", {"01/06/00"}).exitCode, 0);
  EXPECT_EQ(Run("delete-quote", {"01/05/00"}).exitCode, 0);
  EXPECT_EQ(Dat(), BuildDatBytes(AcmeSeries()));  // the copy added is the one deleted
}

TEST_F(CliWriteQuotesTest, AddQuoteRefusals) {
  const CliResult exists = Run("add-quote", {"01/04/00"});
  EXPECT_EQ(exists.exitCode, 1);
  EXPECT_EQ(exists.err, "Date 01/03/00 already exists.\n");
  const CliResult weekend = Run("add-quote", {"01/08/00"});  // Monday 01/10/00 is missing
  EXPECT_EQ(weekend.exitCode, 1);
  EXPECT_EQ(weekend.err, "Add Quote Failed\n");
  const CliResult oldest = Run("add-quote", {"01/03/00"});
  EXPECT_EQ(oldest.exitCode, 1);
  EXPECT_EQ(oldest.err, "A quote cannot be added before the oldest quote.\n");
  ExpectUnchanged();
}

TEST_F(CliWriteQuotesTest, HelpDocumentsTheCommand) {
  for (const char* command : {"edit", "split", "adjust", "add-quote", "delete-quote"}) {
    const CliResult r = RunCli({command, "--help"});
    EXPECT_EQ(r.exitCode, 0) << command;
    EXPECT_NE(r.out.find("DIR"), std::string::npos) << command;
  }
  EXPECT_NE(RunCli({"edit", "--help"}).out.find("--close <V>"), std::string::npos);
}

}  // namespace
}  // namespace voltrim::testing
