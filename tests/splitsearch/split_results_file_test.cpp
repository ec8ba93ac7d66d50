#include <gtest/gtest.h>

#include <string>

#include "splitsearch/split_results_file.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

TEST(SplitResultsFileTest, ReplacesTheFileWithCrLfLinesOrWritesNothing) {
  testing::TempDir dir;
  SplitSearchResults results;
  results.Add({"AB", {2, 1}, DateFloatToDay(990527.0f)});
  results.Add({"CD", {1, 4}, DateFloatToDay(1000103.0f)});
  const auto file = dir.path() / "result.txt";
  testing::WriteFileBytes(file, std::vector<unsigned char>(200, 'x'));
  ASSERT_TRUE(SaveSplitResults(file.string(), results));
  const auto bytes = testing::ReadFileBytes(file);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "AB possible 2 for 1 split on 05/27/99\r\nCD possible 1 for 4 split on 01/03/00\r\n");

  EXPECT_FALSE(SaveSplitResults((dir.path() / "missing" / "r.txt").string(), results));
  EXPECT_FALSE(SaveSplitResults("", results));
  // Nothing but the saved file: no temporary left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace voltrim
