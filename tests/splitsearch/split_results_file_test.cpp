#include <gtest/gtest.h>

#include <string>

#include "splitsearch/split_results_file.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

std::string ReadText(const std::filesystem::path& file) {
  const auto bytes = ReadFileBytes(file);
  return {bytes.begin(), bytes.end()};
}

SplitSearchResults TwoLines() {
  SplitSearchResults results;
  results.Add({"AB", {2, 1}, DateFloatToDay(990527.0f)});
  results.Add({"CD", {1, 4}, DateFloatToDay(1000103.0f)});
  return results;
}

TEST(SplitResultsFileTest, WritesEveryLineWithCrLfAndNoTitle) {
  TempDir dir;
  const auto file = dir.path() / "result.txt";
  testing::WriteFileBytes(file, {'o', 'l', 'd', ' ', 't', 'e', 'x', 't', ' ', 'l', 'o', 'n', 'g'});
  ASSERT_TRUE(SaveSplitResults(file.string(), TwoLines()));
  EXPECT_EQ(ReadText(file),
            "AB possible 2 for 1 split on 05/27/99\r\nCD possible 1 for 4 split on 01/03/00\r\n");
  // Only the file itself is left: no temporary beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(SplitResultsFileTest, UncreatableFileFailsAndWritesNothing) {
  TempDir dir;
  EXPECT_FALSE(SaveSplitResults((dir.path() / "missing" / "result.txt").string(), TwoLines()));
  EXPECT_FALSE(SaveSplitResults("", TwoLines()));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace voltrim
