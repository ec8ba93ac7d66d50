#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "cli_run.h"
#include "datafiles/fixtures.h"
#include "datafiles/format/series.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// Several voltrim-cli processes started at once on the same portfolios, as a script with
// `xargs -P` would. Whatever the interleaving, exit 0 means the change stands and exit 1
// means nothing of it happened.
class CliParallelWritersTest : public CliTest {
 protected:
  // Runs every command line at once, one process each.
  std::vector<CliResult> RunAtOnce(const std::vector<std::vector<std::string>>& commands) {
    std::vector<CliResult> results(commands.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < commands.size(); ++i)
      threads.emplace_back([&, i] { results[i] = Run(commands[i]); });
    for (std::thread& thread : threads) thread.join();
    return results;
  }
  static void ExpectExitOkOrBusy(const CliResult& result, const std::string& what) {
    if (result.exitCode == 0) return;
    EXPECT_EQ(result.exitCode, 1) << what << result.err;
    EXPECT_NE(result.err.find(kPortfolioBusyMessage), std::string::npos) << what << result.err;
  }
};

TEST_F(CliParallelWritersTest, EditsOfDifferentDatesAreAllKeptOrTrulyRefused) {
  constexpr int kEdits = 24;
  const std::string dir = Write(temp_.path() / "p", Portfolio({Symbol(1, "BIG", "", kEdits)}));
  const std::vector<DailyQuote> quotes = Quotes(kEdits);
  std::vector<std::vector<std::string>> commands;
  for (int i = 0; i < kEdits; ++i) {
    commands.push_back({"edit", dir, "BIG", FormatUserDate(quotes[static_cast<std::size_t>(i)].day),
                        "--close", std::to_string(1000 + i)});
  }
  const std::vector<CliResult> results = RunAtOnce(commands);

  const std::vector<Quote> stored = ReadQuotes(dir, "BIG");
  ASSERT_EQ(stored.size(), quotes.size());
  int succeeded = 0;
  for (int i = 0; i < kEdits; ++i) {
    const CliResult& result = results[static_cast<std::size_t>(i)];
    ExpectExitOkOrBusy(result, "edit " + std::to_string(i) + ": ");
    const float expected = result.exitCode == 0 ? 1000.0f + static_cast<float>(i)
                                                : quotes[static_cast<std::size_t>(i)].close;
    EXPECT_EQ(stored[static_cast<std::size_t>(i)].close, expected) << "quote " << i;
    succeeded += result.exitCode == 0;
  }
  EXPECT_GT(succeeded, 0);
  EXPECT_TRUE(TemporariesBelow(temp_.path()).empty());
}

TEST_F(CliParallelWritersTest, CopiesIntoOneDestinationAndOppositeMovesKeepEverySymbol) {
  PortfolioSpec first, second;
  for (int i = 1; i <= 4; ++i) {
    first.entries.push_back(Symbol(i, "A" + std::to_string(i), "", 3 + i));
    second.entries.push_back(Symbol(i, "B" + std::to_string(i), "", 4 + i));
  }
  const std::string a = Write(temp_.path() / "a", first);
  const std::string b = Write(temp_.path() / "b", second);
  const std::string c = Write(temp_.path() / "c", Portfolio({Symbol(1, "C1")}));
  // A1, A2 and B1, B2 are copied into c; A3, A4 move to b while B3, B4 move to a.
  const std::vector<std::vector<std::string>> commands = {
      {"copy-symbol", a, "A1", c}, {"copy-symbol", a, "A2", c}, {"copy-symbol", b, "B1", c},
      {"copy-symbol", b, "B2", c}, {"move-symbol", a, "A3", b}, {"move-symbol", a, "A4", b},
      {"move-symbol", b, "B3", a}, {"move-symbol", b, "B4", a}};
  const std::vector<CliResult> results = RunAtOnce(commands);

  for (std::size_t i = 0; i < commands.size(); ++i) {
    const std::vector<std::string>& command = commands[i];
    const std::string &from = command[1], &symbol = command[2], &to = command[3];
    SCOPED_TRACE(command[0] + " " + symbol);
    ExpectExitOkOrBusy(results[i], "");
    const bool done = results[i].exitCode == 0;
    EXPECT_EQ(Holds(to, symbol), done);
    EXPECT_EQ(Holds(from, symbol), command[0] == "copy-symbol" || !done);
  }
  for (const std::string& dir : {a, b, c}) ExpectMasterSound(dir);
  EXPECT_TRUE(TemporariesBelow(temp_.path()).empty());
}

TEST_F(CliParallelWritersTest, AWriteBlockedPastTheWaitSaysSoAndChangesNothing) {
  const std::string a = Write(temp_.path() / "a", Portfolio({Symbol(1, "A1")}));
  const std::string b = Write(temp_.path() / "b", Portfolio({Symbol(1, "B1")}));
  const Snapshot before = TakeSnapshot(temp_.path());
  CliResult result;
  {
    const FolderHolder desktop(temp_.path() / "b");
    result = Run({"copy-symbol", a, "A1", b});
  }
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, std::string(kPortfolioBusyMessage) + "\n");
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);
}

}  // namespace
}  // namespace voltrim::testing
