#include <gtest/gtest.h>

#include <climits>

#include "settings/settings_text.h"

namespace voltrim {
namespace {

using settings_text::ParseLeadingInt;

TEST(ParseLeadingIntTest, ReadsLikePercentD) {
  struct Case {
    const char* text;
    std::optional<int> expected;
  };
  const Case cases[] = {
      {"12abc", 12},
      {"abc", std::nullopt},
      {"-5", -5},
      {"  +7", 7},
      {"\t\n 42 x", 42},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"- 5", std::nullopt},
      {"0x10", 0},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseLeadingInt(c.text), c.expected) << c.text;
}

TEST(KeyPartTest, EncodingRoundTripsAndHidesSeparators) {
  for (const std::string name : {"", "Search", "a/b", "a\\b", "%2F", "100%", "x y=z,;\"", "%"}) {
    const std::string encoded = settings_text::EncodeKeyPart(name);
    EXPECT_EQ(encoded.find('/'), std::string::npos) << name;
    EXPECT_EQ(encoded.find('\\'), std::string::npos) << name;
    EXPECT_FALSE(encoded.empty());
    EXPECT_EQ(settings_text::DecodeKeyPart(encoded), name);
  }
}

}  // namespace
}  // namespace voltrim
