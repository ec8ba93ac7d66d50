#include <gtest/gtest.h>

#include "cli_run.h"
#include "datafiles/format/master.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// src holds ACME (1) and BETA (2); dst holds OTHER (1); bars holds BARS, three days of
// four bars.
class CliWriteTest : public CliTest {
 protected:
  void SetUp() override {
    src_ = Write(temp_.path() / "src",
                 Portfolio({SeriesEntry(AcmeSeries()), Symbol(2, "BETA", "BETA INC", 1)}));
    dst_ = Write(temp_.path() / "dst", Portfolio({Symbol(1, "OTHER", "OTHER CO", 1)}));
    Write(temp_.path() / "bars", BarPortfolio());
    WriteText(temp_.path() / "bad.csv", "Date,Close\n2000-01-03,1\n2000-01-04,1..5\n");
  }
  CliResult Acme(const std::string& command, std::vector<std::string> rest) {
    rest.insert(rest.begin(), {command, src_, "ACME"});
    return Run(rest);
  }
  Bytes Dat() const { return ReadFileBytes(temp_.path() / "src" / "F1.DAT"); }

  std::string src_, dst_;
};

// Every refusal of every command exits with its code (2: the command line; 1: the
// request) and message, and leaves every file as it was. Texts the core's tests assert are
// not repeated here; a usage error is checked for the words that name the mistake.
TEST_F(CliWriteTest, RefusalsSayWhyAndChangeNothing) {
  // Folders in the way of the new files make the writes fail for a reason of the system.
  fs::create_directory(temp_.path() / "src" / "F1.NEW");
  fs::create_directory(temp_.path() / "src" / "MASTER.NEW");
  const Snapshot before = TakeSnapshot(temp_.path());
  const struct {
    std::vector<std::string> words;
    int exitCode;
    std::string err;
  } refusals[] = {
      {{}, 2, ""},
      {{"no-such-command"}, 2, ""},
      {{"export", "{src}", "ACME", "--delimiter", "semi"}, 2, ""},
      {{"scan", "--filter", "stocks"}, 2, ""},
      {{"edit", "{src}", "ACME", "01/04/00"}, 2, ""},                  // no field named
      {{"edit", "{src}", "ACME", "01/04/00", "--open", "-3"}, 2, ""},  // not typeable
      {{"split", "{src}", "ACME", "01/06/00", "2"}, 2, ""},
      {{"rename-symbol", "{src}", "BETA", "SEVENTEEN-CHARSXX"}, 2, ""},
      {{"import", "{src}", "ACME"}, 2, ""},
      {{"import", "{src}", "ACME", "bad.csv", "--keep", "--replace"}, 2, ""},
      {{"new-symbol", "{src}", "X", "--columns", "8"}, 2, ""},
      {{"new-symbol", "{src}", "SEVENTEEN-CHARSXX"}, 2, ""},
      {{"new-symbol", "{src}", "X", "--name", "SEVENTEEN-CHARSXX"}, 2, ""},
      {{"new-portfolio"}, 2, ""},
      // --time is refused for a daily series and for a text that is no storable time.
      {{"edit", "{src}", "ACME", "01/04/00", "--time", "09:00", "--open", "1"},
       2,
       "ACME has no time"},
      {{"delete-quote", "{src}", "ACME", "01/04/00", "--time", "09:00"}, 2, "ACME has no time"},
      {{"add-quote", "{src}", "ACME", "01/04/00", "--time", "09:00"}, 2, "ACME has no time"},
      {{"edit", "{bars}", "BARS", "11/14/13", "--time", "09:05:01", "--open", "1"},
       2,
       "even seconds"},
      {{"delete-quote", "{bars}", "BARS", "11/14/13", "--time", "9:05"}, 2, "HH:MM"},
      {{"edit", "{src}", "ACME", "01/05/00", "--open", "3"}, 1, "No quote is dated 01/05/00.\n"},
      {{"edit", "{src}", "NOSUCH", "01/04/00", "--open", "3"},
       1,
       "Symbol \"NOSUCH\" not found in {src}\n"},
      {{"delete-quote", "{src}", "ACME", "01/05/00"},
       1,
       "failure in delete quote for findrec\nDelete Edit Failed\n"},
      {{"add-quote", "{src}", "ACME", "01/04/00"}, 1, "Date 01/03/00 already exists.\n"},
      // Monday 01/10/00, whose quote the new Friday would copy, is missing.
      {{"add-quote", "{src}", "ACME", "01/08/00"}, 1, "Add Quote Failed\n"},
      {{"add-quote", "{src}", "ACME", "01/03/00"},
       1,
       "A quote cannot be added before the oldest quote.\n"},
      // A bar that is not there is named.
      {{"edit", "{bars}", "BARS", "11/14/13", "--time", "09:06", "--open", "1"},
       1,
       "No bar is dated 11/14/13 at 09:06:00.\n"},
      {{"edit", "{bars}", "BARS", "11/14/13", "--time", "09:05", "--new-time", "09:10"},
       1,
       "Choose a time between 09:00:00 and 09:10:00"},
      {{"add-quote", "{bars}", "BARS", "11/14/13", "--time", "09:05"},
       1,
       "Date 11/14/13 09:05:00 already exists.\n"},
      {{"delete-quote", "{bars}", "BARS", "11/14/13", "--time", "09:06"},
       1,
       "failure in delete quote for findrec"},
      {{"repair", "{tmp}/none"}, 1, "{tmp}/none is not a folder\n"},
      {{"export", "{src}", "NOPE"}, 1, "Cannot read the quotes of NOPE in {src}\n"},
      // After the program's own text, the file and the system's reason.
      {{"export", "{src}", "ACME", "-o", "{tmp}/none/x.txt"},
       1,
       "file export error: {tmp}/none/x.txt: No such file or directory\n"},
      {{"edit", "{src}", "ACME", "01/04/00", "--open", "3"},
       1,
       "Single Date Edit Failed: {src}/F1.NEW: {EISDIR}\n"},
      {{"rename-symbol", "{src}", "BETA", "BX"},
       1,
       "The Symbol edit failed.\n\nNothing was changed.\n{src}/MASTER.NEW: {EISDIR}\n"},
      {{"split-search", "{tmp}/nothing"}, 1, "Failure while filling symbols grid\n"},
      {{"import", "{src}", "ACME", "bad.csv"},
       1,
       "bad.csv cannot be imported.\n\nLine 3: \"1..5\" in column Close is not a number.\n\n"
       "Nothing was changed.\n"},
      {{"import", "{src}", "NONE", "bad.csv"}, 1, "Symbol \"NONE\" not found in {src}\n"},
      {{"import", "{src}", "ACME", "none.csv"},
       1,
       "none.csv cannot be read.\nnone.csv: {ENOENT}\n"},
      {{"new-symbol", "{src}", "acme"},
       1,
       "The Symbol addition failed.\n\nReason: Symbol acme already exists in\n{src}\n"},
      {{"new-portfolio", "{src}"},
       1,
       "The portfolio could not be created.\n\nReason: {src} already holds a MASTER file.\n"},
  };
  for (const auto& [words, exitCode, err] : refusals) {
    SCOPED_TRACE(::testing::PrintToString(words));
    const CliResult r = Run(words);
    EXPECT_EQ(r.exitCode, exitCode);
    EXPECT_EQ(r.out, "");
    if (exitCode == 1 && err.back() == '\n') {
      EXPECT_EQ(r.err, Expand(err));
    } else {
      EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
    }
  }
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);
  const CliResult help = Run({"quotes", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.rfind("Usage: voltrim-cli quotes DIR SYMBOL [--oldest-first]\n", 0), 0u);
}

// The arithmetic and the copy and move are the core's (tested there): here each command
// only has to reach it and rewrite.
TEST_F(CliWriteTest, QuoteAndSymbolCommandsRewriteTheFiles) {
  const CliResult search = Run({"split-search", src_});
  EXPECT_TRUE(search.exitCode == 0 && search.out.empty()) << search.err;
  EXPECT_EQ(search.err,
            "For symbol BETA\nSplitSearch cannot perform search\nas there are fewer than 2 "
            "quotes.\nNo candidate splits found\n");
  const CliResult exported = Run({"export", src_, "acme", "--delimiter", "comma", "--omit",
                                  "open,High,low,Volume", "--newest-first", "--title"});
  EXPECT_EQ(exported.out.rfind("DATE,CLOSE,OI\r\n01/11/00,16.5000,N/A\r\n01/08/00,", 0), 0u)
      << exported.out;
  EXPECT_EQ(Acme("add-quote", {"01/06/00"}).exitCode, 0);
  EXPECT_EQ(Acme("delete-quote", {"01/05/00"}).exitCode, 0);
  EXPECT_EQ(Dat(), BuildDatBytes(AcmeSeries()));  // the copy added is the one deleted
  EXPECT_EQ(Acme("split", {"01/06/00", "2", "1"}).exitCode, 0);
  // Open interest takes any text, as its field does; this series has none to scale.
  EXPECT_EQ(Acme("adjust", {"01/06/00", "01/11/00", "--price", "2", "--oi", "-1"}).exitCode, 0);
  EXPECT_NE(Dat(), BuildDatBytes(AcmeSeries()));

  EXPECT_EQ(Run({"rename-symbol", src_, "beta", "bx"}).exitCode, 0);
  EXPECT_EQ(ReadMaster(src_).records[1].SymbolField(), "bx              ");
  EXPECT_EQ(ReadMaster(src_).records[1].NameField(), "BETA INC        ");  // kept unless given
  EXPECT_EQ(Run({"copy-symbol", src_, "acme", dst_}).exitCode, 0);
  EXPECT_EQ(Run({"move-symbol", src_, "BX", dst_}).exitCode, 0);
  const CliResult deleted = Run({"delete-symbol", src_, "ACME"});  // without asking
  EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
  EXPECT_TRUE(ReadMaster(src_).records.empty());
  EXPECT_FALSE(fs::exists(temp_.path() / "src" / "F1.DAT"));
  EXPECT_EQ(ReadMaster(dst_).records.size(), 3u);
}

// Files named in lower case are rewritten under their own names, not beside them.
TEST(CliWriteRealData, LowerCaseFileNamesAreEditedInPlace) {
  TempDir temp;
  const std::string dir = CopyRealFolder("lowercase-names", temp.path()).string();
  if (dir.empty()) GTEST_SKIP() << "no shared data";
  const std::string symbol = "TU2__1990U";
  const std::string row = "09/18/90\t96.5550\t96.5550\t96.5550\t96.5550\t20\t2163\n";
  const CliResult before = RunCli({"quotes", dir, symbol});
  ASSERT_EQ(before.exitCode, 0) << before.err;
  const std::size_t at = before.out.find(row);
  ASSERT_NE(at, std::string::npos);

  ASSERT_EQ(RunCli({"edit", dir, symbol, "09/18/90", "--close", "96.6"}).exitCode, 0);
  std::string expected = before.out;
  expected.replace(at, row.size(), "09/18/90\t96.5550\t96.5550\t96.5550\t96.6000\t20\t2163\n");
  EXPECT_EQ(RunCli({"quotes", dir, symbol}).out, expected);  // every other row as before
  EXPECT_TRUE(fs::exists(fs::path(dir) / "F1.dat"));
  EXPECT_FALSE(fs::exists(fs::path(dir) / "F1.DAT"));

  ASSERT_EQ(RunCli({"delete-quote", dir, symbol, "09/18/90"}).exitCode, 0);
  expected.erase(at, row.size());
  EXPECT_EQ(RunCli({"quotes", dir, symbol}).out, expected);
}

// What the portfolios hold is checked with the readers; here: the command and its refusal.
TEST(SampleCommand, WritesThePortfoliosOnceAndNeverOverwrites) {
  TempDir dir;
  const std::string root = (dir.path() / "demo").string();
  const auto result = RunCli({"sample", root});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, root + "/Stocks\n" + root + "/Futures\n" + root + "/Legacy\n" + root +
                            "/Legacy/ARCHIVE\n");

  const std::string master = root + "/Stocks/MASTER";
  const auto before = ReadFileBytes(master);
  for (const std::string& target : {root, master}) {
    const auto again = RunCli({"sample", target});
    EXPECT_EQ(again.exitCode, 1) << target;
    EXPECT_EQ(again.out, "");
    EXPECT_NE(again.err.find("nothing"), std::string::npos) << again.err;
  }
  EXPECT_EQ(ReadFileBytes(master), before);
}

}  // namespace
}  // namespace voltrim::testing
