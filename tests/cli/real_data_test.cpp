#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::RunCli;

std::string DataDir(const char* name) {
  const auto root = testing::SharedDataDir();
  return root.empty() ? std::string() : (root / name).string();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string SymbolOf(const std::string& symbolsLine) {
  return symbolsLine.substr(0, symbolsLine.find('\t'));
}

#define REQUIRE_DATA(dir) \
  if ((dir).empty()) GTEST_SKIP() << "shared data folder missing"

// Every series of a data set without DOP files reads in full, and its quote count
// agrees with the facts.
TEST(CliOnRealData, EverySeriesWithoutDopReadsCompletely) {
  const std::string dir = DataDir("bbfinance");
  REQUIRE_DATA(dir);
  const auto symbols = RunCli({"symbols", dir});
  ASSERT_EQ(symbols.exitCode, 0) << symbols.err;
  const auto rows = Lines(symbols.out);
  EXPECT_EQ(rows.size(), 40u);
  for (const std::string& row : rows) {
    const std::string symbol = SymbolOf(row);
    SCOPED_TRACE(symbol);
    const auto quotes = RunCli({"quotes", dir, symbol});
    ASSERT_EQ(quotes.exitCode, 0) << quotes.err;
    const auto facts = RunCli({"facts", dir, symbol});
    ASSERT_EQ(facts.exitCode, 0) << facts.err;
    EXPECT_NE(
        facts.out.find("\nNumber of quotes: " + std::to_string(Lines(quotes.out).size()) + "\n"),
        std::string::npos);
  }
}

}  // namespace
}  // namespace voltrim
