#include <gtest/gtest.h>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

class CliImportTest : public CliTest {
 protected:
  void Text(const std::string& name, const std::string& text) {
    WriteText(temp_.path() / name, text);
  }
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

}  // namespace
}  // namespace voltrim::testing
