#include <gtest/gtest.h>

#include "cli_run.h"
#include "datafiles/format/master.h"
#include "datafiles/format/master_image.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

class CliImportTest : public ::testing::Test {
 protected:
  CliResult Run(std::vector<std::string> arguments) {
    for (std::string& word : arguments) {
      for (auto at = word.find("{tmp}"); at != std::string::npos; at = word.find("{tmp}"))
        word.replace(at, 5, temp_.str());
    }
    return RunCli(arguments, temp_.str(), {"XDG_CONFIG_HOME=" + temp_.str() + "/config"});
  }
  void Text(const std::string& name, const std::string& text) {
    WriteText(temp_.path() / name, text);
  }
  TempDir temp_;
};

// From nothing to a series kept current, with the summary on standard output.
TEST_F(CliImportTest, NewPortfolioNewSymbolAndImports) {
  ASSERT_EQ(Run({"new-portfolio", "{tmp}/p"}).exitCode, 0);
  const CliResult made =
      Run({"new-symbol", "{tmp}/p", "abc", "--name", "ABC Corp", "--columns", "6"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  Text("week.csv",
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
  Text("next.csv", "Date,Close\n2000-01-07,5.5\n2000-01-06,9\n2000-01-10,6\n");
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

// Refusals exit with their status and message and change nothing.
TEST_F(CliImportTest, RefusalsSayWhyAndChangeNothing) {
  ASSERT_EQ(Run({"new-portfolio", "{tmp}/p"}).exitCode, 0);
  ASSERT_EQ(Run({"new-symbol", "{tmp}/p", "ABC"}).exitCode, 0);
  Text("bad.csv", "Date,Close\n2000-01-03,1\n2000-01-04,1..5\n");
  Text("twice.csv", "Date,Close\n2000-01-03,1\n2000-01-04,1\n2000-01-03,2\n");
  Text("notes", "x");
  const Snapshot before = TakeSnapshot(temp_.path());
  using Words = std::vector<std::string>;
  for (const Words& usage :
       {Words{"import", "{tmp}/p", "ABC"},
        Words{"import", "{tmp}/p", "ABC", "bad.csv", "--keep", "--replace"},
        Words{"new-symbol", "{tmp}/p", "X", "--columns", "8"},
        Words{"new-symbol", "{tmp}/p", "SEVENTEEN-CHARSXX"},
        Words{"new-symbol", "{tmp}/p", "X", "--name", "SEVENTEEN-CHARSXX"}, Words{"new-portfolio"}})
    EXPECT_EQ(Run(usage).exitCode, 2) << ::testing::PrintToString(usage);
  const std::pair<Words, std::string> failures[] = {
      {{"import", "{tmp}/p", "ABC", "bad.csv"},
       "bad.csv cannot be imported.\n\nLine 3: \"1..5\" in column Close is not a number.\n\n"
       "Nothing was changed.\n"},
      {{"import", "{tmp}/p", "ABC", "twice.csv"},
       "twice.csv cannot be imported.\n\nLines 2 and 4 both hold a quote of 01/03/00.\n\n"
       "Nothing was changed.\n"},
      {{"import", "{tmp}/p", "NONE", "bad.csv"}, "Symbol \"NONE\" not found in {tmp}/p\n"},
      {{"import", "{tmp}/p", "ABC", "none.csv"},
       "none.csv cannot be read.\nnone.csv: No such file or directory\n"},
      {{"new-symbol", "{tmp}/p", "abc"},
       "The Symbol addition failed.\n\nReason: Symbol abc already exists in\n{tmp}/p\n"},
      {{"new-portfolio", "{tmp}/p"},
       "The portfolio could not be created.\n\nReason: {tmp}/p already holds a MASTER file.\n"},
      {{"new-portfolio", "{tmp}/notes"},
       "The portfolio could not be created.\n\nReason: {tmp}/notes is not a folder.\n"},
  };
  for (const auto& [words, err] : failures) {
    const CliResult r = Run(words);
    std::string expected = err;
    for (auto at = expected.find("{tmp}"); at != std::string::npos; at = expected.find("{tmp}"))
      expected.replace(at, 5, temp_.str());
    EXPECT_EQ(r.exitCode, 1) << ::testing::PrintToString(words);
    EXPECT_EQ(r.err, expected);
  }
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);
}

// The CSV export of every series of a real folder, imported through the command line into
// new series of the same columns, gives back the same data files.
TEST_F(CliImportTest, ARealFolderSurvivesExportAndImport) {
  if (SharedDataDir().empty()) GTEST_SKIP() << "no shared data";
  // The two small folders, daily and intraday, through the real commands; every series of
  // every folder goes through the same code in the core's round trip.
  for (const std::string folder : {"equis-small", "stooq-intraday"}) {
    const std::string source = (SharedDataDir() / folder).string();
    const std::string target = (temp_.path() / folder).string();
    ASSERT_EQ(Run({"new-portfolio", target}).exitCode, 0);
    MasterFile master;
    ASSERT_EQ(ReadMasterFile(source + "/MASTER", master), kOk);
    for (const MasterRecord& record : master.records) {
      const std::string symbol = SymbolText(record.bytes.data());
      const std::string csv = temp_.str() + "/" + symbol + ".csv";
      ASSERT_EQ(Run({"export", source, symbol, "--format", "csv", "-o", csv}).exitCode, 0);
      const int fields = record.FieldCount();
      std::vector<std::string> create = {"new-symbol", target, symbol};
      if (record.IsIntraday()) {
        create.insert(create.end(), {"--intraday", "--columns", std::to_string(fields - 1)});
      } else {
        create.insert(create.end(), {"--columns", std::to_string(fields)});
      }
      ASSERT_EQ(Run(create).exitCode, 0) << symbol;
      const CliResult imported = Run({"import", target, symbol, csv});
      ASSERT_EQ(imported.exitCode, 0) << symbol << imported.err;
      const Bytes original =
          ReadFileBytes(source + "/F" + std::to_string(record.FileNumber()) + ".DAT");
      FoundSymbol found;
      ASSERT_EQ(FindSymbol(target, symbol, found), kOk);
      const Bytes copy =
          ReadFileBytes(target + "/F" + std::to_string(found.record.FileNumber()) + ".DAT");
      const auto length = static_cast<std::ptrdiff_t>(record.RecordLength());
      EXPECT_TRUE(Bytes(original.begin() + length, original.end()) ==
                      Bytes(copy.begin() + length, copy.end()) &&
                  original[2] == copy[2] && original[3] == copy[3])
          << folder << " " << symbol;
    }
  }
}

}  // namespace
}  // namespace voltrim::testing
