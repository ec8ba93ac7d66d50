#include <gtest/gtest.h>

#include <sstream>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// split-search --ranked on the demonstration portfolios: the plain lines unchanged, every one
// of them in the ranked list with its score and reason, the planted splits first.
class CliSplitSearchTest : public CliTest {
 protected:
  void SetUp() override { ASSERT_EQ(Run({"sample", "{demo}"}).exitCode, 0); }
};

TEST_F(CliSplitSearchTest, RankedHoldsEveryPlainLineWithScoreAndReasonMostLikelyFirst) {
  const CliResult plain = Run({"split-search", "{demo}/Stocks"});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  const std::vector<std::string> plainLines = LinesOf(plain.out);
  ASSERT_EQ(plainLines.size(), 2u);
  EXPECT_TRUE(plainLines[0].starts_with("BOLT possible 2 for 1 split on ")) << plain.out;

  const CliResult ranked = Run({"split-search", "{demo}/Stocks", "--ranked"});
  ASSERT_EQ(ranked.exitCode, 0) << ranked.err;
  EXPECT_EQ(ranked.err, plain.err);
  std::vector<int> scores;
  std::vector<std::string> rankedLines;
  for (const std::string& line : LinesOf(ranked.out)) {
    const auto tab = line.find('\t'), second = line.find('\t', tab + 1);
    ASSERT_NE(second, std::string::npos) << line;
    rankedLines.push_back(line.substr(0, tab));
    scores.push_back(std::stoi(line.substr(tab + 1, second - tab - 1)));
    EXPECT_TRUE(line.substr(second + 1).starts_with("closes over ")) << line;
  }
  for (const std::string& line : plainLines)
    EXPECT_NE(std::find(rankedLines.begin(), rankedLines.end(), line), rankedLines.end()) << line;
  EXPECT_TRUE(std::is_sorted(scores.rbegin(), scores.rend()));
  EXPECT_GE(scores.front(), 50);

  // --min-score leaves out the weaker lines; -o saves what would be printed, in CR LF lines.
  const CliResult strong =
      Run({"split-search", "{demo}/Stocks", "--ranked", "--min-score", std::to_string(scores[0])});
  EXPECT_EQ(LinesOf(strong.out).size(),
            static_cast<std::size_t>(std::count(scores.begin(), scores.end(), scores[0])));
  ASSERT_EQ(Run({"split-search", "{demo}/Stocks", "--ranked", "-o", "{ranked.txt}"}).exitCode, 0);
  std::string crlf = ranked.out;
  for (auto at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2))
    crlf.insert(at, "\r");
  EXPECT_EQ(ReadText(Expand("{ranked.txt}")), crlf);
}

TEST_F(CliSplitSearchTest, MinScoreWantsRankedAndAScore) {
  for (const auto& words : std::vector<std::vector<std::string>>{
           {"split-search", "{demo}/Stocks", "--min-score", "50"},
           {"split-search", "{demo}/Stocks", "--ranked", "--min-score", "101"},
           {"split-search", "{demo}/Stocks", "--ranked", "--min-score", "high"}}) {
    const CliResult result = Run(words);
    EXPECT_EQ(result.exitCode, 2) << words.back();
    EXPECT_TRUE(result.out.empty());
    EXPECT_NE(result.err.find("--min-score"), std::string::npos) << result.err;
  }
}

}  // namespace
}  // namespace voltrim::testing
