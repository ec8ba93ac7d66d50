#include <gtest/gtest.h>

#include <climits>

#include "settings/settings_text.h"

namespace voltrim {
namespace {

TEST(ParseLeadingIntTest, ReadsLikePercentD) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"12abc", 12},
      {"abc", std::nullopt},
      {"-5", -5},
      {"\t\n +7 x", 7},
      {"", std::nullopt},
      {"- 5", std::nullopt},
      {"0x10", 0},
      {"-2147483648", INT_MIN},
      {"2147483648", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(settings_text::ParseLeadingInt(text), expected) << text;
  }
}

}  // namespace
}  // namespace voltrim
