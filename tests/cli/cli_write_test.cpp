#include <gtest/gtest.h>

#include "cli_run.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// The bytes each write leaves are compared with the core's in the table of write commands;
// here: what only voltrim-cli shows, its words, exits and refusals. src holds ACME (1) and
// BETA (2); bars holds BARS, three days of four bars; twins holds ACME (1) and acme (2).
class CliWriteTest : public CliTest {
 protected:
  void SetUp() override {
    Write(temp_.path() / "src",
          Portfolio({SeriesEntry(AcmeSeries()), Symbol(2, "BETA", "BETA INC", 1)}));
    Write(temp_.path() / "bars", BarPortfolio());
    Write(temp_.path() / "twins", Portfolio({Symbol(1, "ACME", "UPPER"), Symbol(2, "acme")}));
    WriteText(temp_.path() / "bad.csv", "Date,Close\n2000-01-03,1\n2000-01-04,1..5\n");
  }
};

// Every refusal exits with its code (2: the command line; 1: the request) and message and
// leaves every file as it was. A usage error is checked for the words that name the mistake.
TEST_F(CliWriteTest, RefusalsSayWhyAndChangeNothing) {
  // Folders in the way of the new files make the writes fail for a reason of the system.
  fs::create_directory(temp_.path() / "src" / "F1.NEW");
  fs::create_directory(temp_.path() / "src" / "MASTER.NEW");
  const Snapshot before = TakeSnapshot(temp_.path());
  const struct {
    std::string line;
    int exitCode;
    std::string err;
  } refusals[] = {
      {"", 2, ""},
      {"no-such-command", 2, ""},
      {"export {src} ACME --delimiter semi", 2, ""},
      {"scan --filter stocks", 2, ""},
      {"edit {src} ACME 01/04/00", 2, ""},            // no field named
      {"edit {src} ACME 01/04/00 --open -3", 2, ""},  // not typeable
      {"split {src} ACME 01/06/00 2", 2, ""},
      {"rename-symbol {src} BETA SEVENTEEN-CHARSXX", 2, ""},
      {"import {src} ACME", 2, ""},
      {"import {src} ACME bad.csv --keep --replace", 2, ""},
      {"new-symbol {src} X --columns 8", 2, ""},
      {"new-symbol {src} SEVENTEEN-CHARSXX", 2, ""},
      {"new-symbol {src} X --name SEVENTEEN-CHARSXX", 2, ""},
      {"new-portfolio", 2, ""},
      // --time is refused for a daily series and for a text that is no storable time.
      {"edit {src} ACME 01/04/00 --time 09:00 --open 1", 2, "ACME has no time"},
      {"delete-quote {src} ACME 01/04/00 --time 09:00", 2, "ACME has no time"},
      {"add-quote {src} ACME 01/04/00 --time 09:00", 2, "ACME has no time"},
      {"edit {bars} BARS 11/14/13 --time 09:05:01 --open 1", 2, "even seconds"},
      {"delete-quote {bars} BARS 11/14/13 --time 9:05", 2, "HH:MM"},
      {"edit {src} ACME 01/05/00 --open 3", 1, "No quote is dated 01/05/00.\n"},
      {"edit {src} NOSUCH 01/04/00 --open 3", 1, "Symbol \"NOSUCH\" not found in {src}\n"},
      {"delete-quote {src} ACME 01/05/00", 1,
       "failure in delete quote for findrec\nDelete Edit Failed\n"},
      {"add-quote {src} ACME 01/04/00", 1, "Date 01/03/00 already exists.\n"},
      // Monday 01/10/00, whose quote the new Friday would copy, is missing.
      {"add-quote {src} ACME 01/08/00", 1, "Add Quote Failed\n"},
      {"add-quote {src} ACME 01/03/00", 1, "A quote cannot be added before the oldest quote.\n"},
      {"edit {bars} BARS 11/14/13 --time 09:06 --open 1", 1,
       "No bar is dated 11/14/13 at 09:06:00.\n"},
      {"edit {bars} BARS 11/14/13 --time 09:05 --new-time 09:10", 1,
       "Choose a time between 09:00:00 and 09:10:00"},
      {"add-quote {bars} BARS 11/14/13 --time 09:05", 1,
       "Date 11/14/13 09:05:00 already exists.\n"},
      {"delete-quote {bars} BARS 11/14/13 --time 09:06", 1, "failure in delete quote for findrec"},
      {"repair {tmp}/none", 1, "{tmp}/none is not a folder\n"},
      {"export {src} NOPE", 1, "Cannot read the quotes of NOPE in {src}\n"},
      // After the program's own text, the file and the system's reason.
      {"export {src} ACME -o {tmp}/none/x.txt", 1,
       "file export error: {tmp}/none/x.txt: No such file or directory\n"},
      {"edit {src} ACME 01/04/00 --open 3", 1, "Single Date Edit Failed: {src}/F1.NEW: {EISDIR}\n"},
      {"rename-symbol {src} BETA BX", 1,
       "The Symbol edit failed.\n\nNothing was changed.\n{src}/MASTER.NEW: {EISDIR}\n"},
      {"split-search {tmp}/nothing", 1, "Failure while filling symbols grid\n"},
      {"import {src} ACME bad.csv", 1,
       "bad.csv cannot be imported.\n\nLine 3: \"1..5\" in column Close is not a number.\n\n"
       "Nothing was changed.\n"},
      {"import {src} NONE bad.csv", 1, "Symbol \"NONE\" not found in {src}\n"},
      {"import {src} ACME none.csv", 1, "none.csv cannot be read.\nnone.csv: {ENOENT}\n"},
      {"new-symbol {src} acme", 1,
       "The Symbol addition failed.\n\nReason: Symbol acme already exists in\n{src}\n"},
      {"new-portfolio {src}", 1,
       "The portfolio could not be created.\n\nReason: {src} already holds a MASTER file.\n"},
      {"sample {src}", 1, "nothing"},
  };
  for (const auto& [line, exitCode, err] : refusals) {
    SCOPED_TRACE(line);
    const CliResult r = RunLine(line);
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

// In order, each with what it prints: bars are counted and named, a symbol given exactly is
// the one written even when another differs only in case, which is taken otherwise.
TEST_F(CliWriteTest, WritesSayWhatTheyChangedAndTakeTheSymbolNamed) {
  const struct {
    std::string line;
    std::string out, err = "";
  } runs[] = {
      {"edit {bars} BARS 11/14/13 --volume 5", "Changed 4 bars dated 11/14/13.\n"},
      {"delete-quote {bars} BARS 11/14/13", "Deleted 1 bar: 11/14/13 09:00:00.\n"},
      {"add-quote {bars} BARS 11/13/13 --time 09:02:30", "Added 1 bar: 11/13/13 09:02:30.\n"},
      {"edit {bars} BARS 11/13/13 --time 09:02:30 --close 8.62",
       "Changed 1 bar: 11/13/13 09:02:30.\n"},
      {"delete-quote {bars} BARS 11/13/13 --time 09:02:30", "Deleted 1 bar: 11/13/13 09:02:30.\n"},
      {"split-search {src}", "",
       "For symbol BETA\nSplitSearch cannot perform search\nas there are fewer than 2 "
       "quotes.\nNo candidate splits found\n"},
      {"rename-symbol {twins} acme X", ""},
      {"symbols {twins}", "ACME\tUPPER           \nX\t                \n"},
      {"rename-symbol {src} beta bx", ""},  // the name is kept unless given
      {"symbols {src}", "ACME\tACME CORP       \nbx\tBETA INC        \n"},
      {"delete-symbol {src} ACME", ""},  // without asking
  };
  for (const auto& [line, out, err] : runs) {
    SCOPED_TRACE(line);
    const CliResult r = RunLine(line);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.err, err);
  }
  EXPECT_NE(RunLine("quotes {bars} BARS")
                .out.find("11/14/13\t09:10:00\t15.7500\t16.5000\t15.5000\t16.0000\t5\tN/A\n"),
            std::string::npos);
}

// Files named in lower case are rewritten under their own names, not beside them.
TEST(CliWriteRealData, LowerCaseFileNamesAreEditedInPlace) {
  TempDir temp;
  const std::string dir = CopyRealFolder("lowercase-names", temp.path()).string();
  if (dir.empty()) GTEST_SKIP() << "no shared data";
  const std::string symbol = "TU2__1990U";
  const std::string row = "09/18/90\t96.5550\t96.5550\t96.5550\t96.5550\t20\t2163\n";
  const CliResult before = RunCli({"quotes", dir, symbol});
  const std::size_t at = before.out.find(row);
  ASSERT_NE(at, std::string::npos) << before.err;
  ASSERT_EQ(RunCli({"edit", dir, symbol, "09/18/90", "--close", "96.6"}).exitCode, 0);
  std::string expected = before.out;
  expected.replace(at, row.size(), "09/18/90\t96.5550\t96.5550\t96.5550\t96.6000\t20\t2163\n");
  EXPECT_EQ(RunCli({"quotes", dir, symbol}).out, expected);  // every other row as before
  EXPECT_TRUE(fs::exists(fs::path(dir) / "F1.dat"));
  EXPECT_FALSE(fs::exists(fs::path(dir) / "F1.DAT"));
}

// What the portfolios hold is checked with the readers; a second run is among the refusals.
TEST_F(CliWriteTest, SampleNamesThePortfoliosItWrites) {
  const CliResult result = RunLine("sample {demo}");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, Expand("{demo}/Stocks\n{demo}/Futures\n{demo}/Legacy\n"
                               "{demo}/Legacy/ARCHIVE\n"));
}

using CliImportTest = CliTest;

// From nothing to a series kept current, with the summary on standard output.
TEST_F(CliImportTest, NewPortfolioNewSymbolAndImports) {
  ASSERT_EQ(Run({"new-portfolio", "{tmp}/p"}).exitCode, 0);
  const CliResult made =
      Run({"new-symbol", "{tmp}/p", "abc", "--name", "ABC Corp", "--columns", "6"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  WriteText(temp_.path() / "week.csv",
            "Date,Open,High,Low,Close,Adj Close,Volume\n2000-01-07,5,6,4,5.5,5.4,500\n"
            "2000-01-06,4,5,3,4.5,4.4,400\n2000-01-05,3,4,2,3.5,3.4,300\n");
  const CliResult first = Run({"import", "{tmp}/p", "ABC", "week.csv"});
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out,
            "ABC: 3 quotes added, 0 replaced, 0 kept, 0 skipped (already stored).\n"
            "Columns ignored: Adj Close.\n");
  EXPECT_EQ(Run({"quotes", "{tmp}/p", "abc"}).out,
            "01/07/00\t5.0000\t6.0000\t4.0000\t5.5000\t500\tN/A\n"
            "01/06/00\t4.0000\t5.0000\t3.0000\t4.5000\t400\tN/A\n"
            "01/05/00\t3.0000\t4.0000\t2.0000\t3.5000\t300\tN/A\n");

  // The next day's file overlaps: the same values are skipped, other ones refused first.
  WriteText(temp_.path() / "next.csv", "Date,Close\n2000-01-07,5.5\n2000-01-06,9\n2000-01-10,6\n");
  const Snapshot before = TakeSnapshot(temp_.path() / "p");
  const CliResult refused = Run({"import", "{tmp}/p", "abc", "next.csv"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err,
            "next.csv gives other values for 1 quote abc already holds: 01/06/00.\n\nNothing "
            "was changed. Run the import again with --replace to store the file's values, or "
            "with --keep to keep the stored quotes.\n");
  EXPECT_EQ(TakeSnapshot(temp_.path() / "p"), before);
  const CliResult kept = Run({"import", "{tmp}/p", "abc", "next.csv", "--keep"});
  EXPECT_EQ(kept.exitCode, 0);
  EXPECT_EQ(kept.out,
            "abc: 1 quote added, 0 replaced, 1 kept, 1 skipped (already stored).\n"
            "Columns the file does not hold, stored as 0 in new quotes: Open, High, Low and "
            "Volume.\n");
  const CliResult replaced = Run({"import", "{tmp}/p", "abc", "next.csv", "--replace"});
  EXPECT_EQ(replaced.exitCode, 0);
  EXPECT_EQ(replaced.out.substr(0, replaced.out.find('\n')),
            "abc: 0 quotes added, 1 replaced, 0 kept, 2 skipped (already stored).");
  const std::string quotes = Run({"quotes", "{tmp}/p", "abc"}).out;
  EXPECT_EQ(quotes.substr(0, quotes.find('\n')),
            "01/10/00\t0.0000\t0.0000\t0.0000\t6.0000\t0\tN/A");
  EXPECT_NE(quotes.find("01/06/00\t4.0000\t5.0000\t3.0000\t9.0000\t400\tN/A"), std::string::npos);
}

}  // namespace
}  // namespace voltrim::testing
