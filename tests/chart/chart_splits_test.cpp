#include <gtest/gtest.h>

#include "chart/chart_series.h"
#include "datafiles/fixtures.h"
#include "samples/sample_portfolios.h"
#include "splitsearch/split_search.h"
#include "support/recording_prompt.h"

namespace voltrim {
namespace {

std::vector<std::string> Texts(const std::vector<ChartSplitMark>& marks) {
  std::vector<std::string> texts;
  for (const ChartSplitMark& mark : marks) texts.push_back(mark.text);
  return texts;
}

// The chart marks exactly what the split search lists, series by series, and the two
// planted splits are among them.
TEST(ChartSplitsTest, TheDemonstrationStocksAreMarkedAsTheSplitSearchListsThem) {
  testing::TempDir root;
  std::vector<std::string> written;
  ASSERT_EQ(WriteSamplePortfolios(root.str() + "/p", written), kOk);
  const std::string stocks = root.str() + "/p/Stocks";
  std::vector<std::string> all;
  for (const std::string symbol : {"ACME", "BOLT", "CRNR", "DYNA", "LONG"}) {
    const std::vector<Quote> quotes = testing::ReadQuotes(stocks, symbol);
    const std::vector<ChartSplitMark> marks = FindSplitMarks(quotes, symbol);
    for (const ChartSplitMark& mark : marks) {
      ASSERT_GT(mark.index, 0);
      EXPECT_NE(mark.text.find(FormatUserDate(quotes[static_cast<std::size_t>(mark.index)].date)),
                std::string::npos);
    }
    const std::vector<std::string> texts = Texts(marks);
    all.insert(all.end(), texts.begin(), texts.end());
  }
  testing::RecordingPrompt prompt;
  SplitSearchResults results;
  RunSplitSearch(stocks, {"ACME", "BOLT", "CRNR", "DYNA", "LONG"}, results, prompt);
  EXPECT_EQ(all, results.Lines());

  int planted = 0;
  for (const std::string& text : all) {
    if (text.rfind("BOLT possible 2 for 1 split on ", 0) == 0) ++planted;
    if (text.rfind("DYNA possible 1 for 4 split on ", 0) == 0) ++planted;
  }
  EXPECT_EQ(planted, 2);
}

}  // namespace
}  // namespace voltrim
