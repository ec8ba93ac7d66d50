#include <gtest/gtest.h>

#include "cli_run.h"
#include "datafiles/master.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// src holds ACME (1) and BETA (2); dst holds OTHER (1). Commands run with a private
// configuration home so that nothing here touches the user's settings.
class CliWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    src_ = WriteAcmePortfolio(temp_.path(), "src");
    PortfolioSpec plan;
    plan.entries.resize(1);
    plan.entries[0].series =
        MakeDailySeries(1, "OTHER", "OTHER CO", {{YmdToDay(2000, 1, 3), 1, 1, 1, 1, 1}});
    dst_ = (temp_.path() / "dst").string();
    ASSERT_EQ(WritePortfolio(dst_, plan), 0);
    before_ = TakeSnapshot(temp_.path());
  }
  CliResult Run(const std::vector<std::string>& arguments) {
    return RunCli(arguments, temp_.str(), {"XDG_CONFIG_HOME=" + temp_.str() + "/config"});
  }
  CliResult Acme(const std::string& command, std::vector<std::string> rest) {
    rest.insert(rest.begin(), {command, src_, "ACME"});
    return Run(rest);
  }
  // "{src}", "{dst}" and "{tmp}" stand for the folders of this test.
  std::string Expand(std::string text) const {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{src}", src_},
                                     {"{dst}", dst_},
                                     {"{tmp}", temp_.str()}}) {
      for (auto at = text.find(key); at != std::string::npos; at = text.find(key)) {
        text.replace(at, key.size(), value);
      }
    }
    return text;
  }
  Bytes Dat() const { return ReadFileBytes(temp_.path() / "src" / "F1.DAT"); }
  MasterFile Master(const std::string& dir) const {
    MasterFile master;
    EXPECT_EQ(ReadMasterFile(dir + "/MASTER", master), kOk);
    return master;
  }

  TempDir temp_;
  std::string src_, dst_;
  Snapshot before_;
};

struct Refusal {
  std::vector<std::string> arguments;
  int exitCode;
  std::string err;  // exit 2: a part of stderr (usage follows); exit 1: all of it
};

// Every refusal exits with its code and message, and leaves every file as it was.
TEST_F(CliWriteTest, RefusalsSayWhyAndChangeNothing) {
  const std::vector<Refusal> cases = {
      {{}, 2, ""},
      {{"no-such-command"}, 2, ""},
      {{"symbols"}, 2, ""},
      {{"symbols", "a", "b"}, 2, ""},
      {{"sample"}, 2, ""},
      {{"quotes", "{src}", "ACME", "--newest"},
       2,
       "Usage: voltrim-cli quotes DIR SYMBOL [--oldest-first]"},
      {{"export", "{src}"}, 2, ""},
      {{"export", "{src}", "ACME", "--delimiter", "semi"}, 2, ""},
      {{"export", "{src}", "ACME", "--omit", "date"}, 2, ""},
      {{"split-search"}, 2, ""},
      {{"split-search", "a", "b"}, 2, ""},
      {{"scan", "extra"}, 2, ""},
      {{"scan", "--drive", "/no/such/mount"}, 2, ""},
      {{"scan", "--filter", "/", "--no-filter"}, 2, ""},
      {{"scan", "--filter", "stocks"}, 2, "The Search Filter path refers to an unknown drive\n"},
      {{"edit", "{src}", "ACME", "01/04/00"}, 2, ""},                  // no field named
      {{"edit", "{src}", "ACME", "01/04/00", "--open", "-3"}, 2, ""},  // not typeable
      {{"edit", "{src}", "ACME", "01/04/00", "--open", "N/A"}, 2, ""},
      {{"edit", "{src}", "ACME", "01/04/00", "--open", "."}, 2, ""},
      {{"edit", "{src}", "ACME", "01/04/00", "--bogus", "1"}, 2, ""},
      {{"split", "{src}", "ACME", "01/06/00", "2"}, 2, ""},
      {{"rename-symbol", "{src}", "BETA", "SEVENTEEN-CHARSXX"}, 2, ""},
      {{"edit", "{src}", "ACME", "01/05/00", "--open", "3"}, 1, "No quote is dated 01/05/00.\n"},
      {{"edit", "{src}", "NOSUCH", "01/04/00", "--open", "3"},
       1,
       "Symbol \"NOSUCH\" not found in {src}\n"},
      {{"split", "{src}", "ACME", "01/12/00", "2", "1"}, 1, "Invalid Data Entered\n"},
      {{"split", "{src}", "ACME", "01/06/00", "0", "1"}, 1, "Invalid Data Entered\n"},
      {{"split", "{src}", "ACME", "01/06/00", "123456", "1"}, 1, "Invalid Data Entered\n"},
      {{"split", "{src}", "ACME", "1/6/2000", "2", "1"}, 1, "Invalid Data Entered\n"},
      {{"adjust", "{src}", "ACME", "01/03/00", "01/12/00"}, 1, "Invalid Data Entered\n"},
      {{"adjust", "{src}", "ACME", "01/03/00", "01/11/00", "--volume", "-2"},
       1,
       "Invalid Data Entered\n"},
      {{"delete-quote", "{src}", "ACME", "01/05/00"},
       1,
       "failure in delete quote for findrec\nDelete Edit Failed\n"},
      {{"add-quote", "{src}", "ACME", "01/04/00"}, 1, "Date 01/03/00 already exists.\n"},
      // Monday 01/10/00, whose quote the new Friday would copy, is missing.
      {{"add-quote", "{src}", "ACME", "01/08/00"}, 1, "Add Quote Failed\n"},
      {{"add-quote", "{src}", "ACME", "01/03/00"},
       1,
       "A quote cannot be added before the oldest quote.\n"},
      {{"rename-symbol", "{src}", "BETA", ""}, 1, "You must enter a symbol\n"},
      {{"rename-symbol", "{src}", "NOSUCH", "X"}, 1, "Symbol \"NOSUCH\" not found in {src}\n"},
      {{"repair", "{tmp}/none"}, 1, "{tmp}/none is not a folder\n"},
      {{"export", "{src}", "NOPE"}, 1, "Cannot read the quotes of NOPE in {src}\n"},
      {{"export", "{src}", "ACME", "-o", "{tmp}/none/x.txt"}, 1, "file export error\n"},
      {{"split-search", "{tmp}/nothing"}, 1, "Failure while filling symbols grid\n"},
  };
  for (const Refusal& c : cases) {
    std::vector<std::string> arguments;
    for (const std::string& word : c.arguments) arguments.push_back(Expand(word));
    const CliResult r = Run(arguments);
    const std::string err = Expand(c.err);
    SCOPED_TRACE(::testing::PrintToString(arguments));
    EXPECT_EQ(r.exitCode, c.exitCode);
    if (c.exitCode == 2) {
      EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
    } else {
      EXPECT_EQ(r.err, err);
      EXPECT_EQ(r.out, "");
    }
  }
  EXPECT_EQ(TakeSnapshot(temp_.path()), before_);
}

TEST_F(CliWriteTest, HelpDocumentsEachCommand) {
  const std::vector<std::pair<std::string, std::string>> cases = {{"quotes", "--oldest-first  "},
                                                                  {"export", "--newest-first"},
                                                                  {"edit", "--close <V>"},
                                                                  {"split", "DIR"},
                                                                  {"adjust", "DIR"},
                                                                  {"add-quote", "DIR"},
                                                                  {"delete-quote", "DIR"}};
  for (const auto& [command, text] : cases) {
    const CliResult r = Run({command, "--help"});
    EXPECT_EQ(r.exitCode, 0) << command;
    EXPECT_NE(r.out.find(text), std::string::npos) << command << ":\n" << r.out;
  }
  EXPECT_EQ(Run({"quotes", "--help"})
                .out.rfind("Usage: voltrim-cli quotes DIR SYMBOL [--oldest-first]\n", 0),
            0u);
}

TEST_F(CliWriteTest, EditSetsOnlyTheNamedFieldsOfEveryQuoteOfTheDay) {
  const CliResult r = Acme("edit", {"01/04/00", "--close", "20.5", "--volume", "7"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  auto expected = AcmeRecords();
  expected[1][4] = expected[2][4] = 20.5f;
  expected[1][5] = expected[2][5] = 7.0f;
  EXPECT_EQ(Dat(), BuildDatBytes(AcmeSeries(expected)));
}

// The arithmetic is the core's (tested there): here each command only has to rewrite.
TEST_F(CliWriteTest, QuoteCommandsRewriteTheSeries) {
  EXPECT_EQ(Acme("add-quote", {"01/06/00"}).exitCode, 0);
  EXPECT_EQ(Acme("delete-quote", {"01/05/00"}).exitCode, 0);
  EXPECT_EQ(Dat(), BuildDatBytes(AcmeSeries()));  // the copy added is the one deleted

  EXPECT_EQ(Acme("split", {"01/06/00", "2", "1"}).exitCode, 0);
  const Bytes split = Dat();
  EXPECT_NE(split, BuildDatBytes(AcmeSeries()));
  // Open interest takes any text, as its field does; this series has none to scale.
  EXPECT_EQ(Acme("adjust", {"01/06/00", "01/11/00", "--price", "2", "--oi", "-1"}).exitCode, 0);
  EXPECT_NE(Dat(), split);
}

TEST_F(CliWriteTest, RenameKeepsTheNameUnlessGivenAndDeleteDoesNotAsk) {
  EXPECT_EQ(Run({"rename-symbol", src_, "beta", "bx"}).exitCode, 0);
  EXPECT_EQ(Master(src_).records[1].SymbolField(), "bx              ");
  EXPECT_EQ(Master(src_).records[1].NameField(), "BETA INC        ");
  EXPECT_EQ(Run({"rename-symbol", src_, "bx", "BX", "New Name"}).exitCode, 0);
  EXPECT_EQ(Master(src_).records[1].NameField(), "New Name        ");

  const CliResult r = Run({"delete-symbol", src_, "BX"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Master(src_).records.size(), 1u);
  EXPECT_FALSE(fs::exists(temp_.path() / "src" / "F2.DAT"));
  EXPECT_TRUE(fs::exists(temp_.path() / "src" / "F1.DAT"));
}

TEST_F(CliWriteTest, CopyAndMoveSymbol) {
  EXPECT_EQ(Run({"copy-symbol", src_, "acme", dst_}).exitCode, 0);
  EXPECT_EQ(Master(dst_).records.size(), 2u);
  EXPECT_EQ(ReadFileBytes(temp_.path() / "dst" / "F2.DAT"),
            ReadFileBytes(temp_.path() / "src" / "F1.DAT"));
  EXPECT_EQ(Master(src_).records.size(), 2u);

  const CliResult again = Run({"move-symbol", src_, "acme", dst_});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.err,
            "The Symbol addition failed.\n\nReason: Symbol ACME already exists in\n" + dst_ + "\n");

  EXPECT_EQ(Run({"move-symbol", src_, "BETA", dst_}).exitCode, 0);
  EXPECT_EQ(Master(src_).records.size(), 1u);
  EXPECT_FALSE(fs::exists(temp_.path() / "src" / "F2.DAT"));
  EXPECT_TRUE(fs::exists(temp_.path() / "dst" / "F3.DAT"));
}

TEST_F(CliWriteTest, RepairFillsEmptySymbolsWithoutAsking) {
  PortfolioSpec plan;
  plan.entries.resize(1);
  plan.entries[0].series =
      MakeDailySeries(1, "", "ACME CORP", {{YmdToDay(2000, 1, 3), 1, 1, 1, 1, 1}});
  const std::string dir = (temp_.path() / "broken").string();
  ASSERT_EQ(WritePortfolio(dir, plan), 0);
  EXPECT_EQ(Run({"repair", dir}).exitCode, 0);
  EXPECT_EQ(Master(dir).records[0].SymbolField(), "ACME CORP       ");
  const Bytes repaired = ReadFileBytes(temp_.path() / "broken" / "MASTER");
  EXPECT_EQ(Run({"repair", dir}).exitCode, 0);  // nothing left to do
  EXPECT_EQ(ReadFileBytes(temp_.path() / "broken" / "MASTER"), repaired);
}

}  // namespace
}  // namespace voltrim::testing
