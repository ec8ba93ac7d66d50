#include <gtest/gtest.h>

#include "settings/seed_file.h"

namespace voltrim {

namespace {

SeedLine Section(std::string name) { return {SeedLine::Kind::Section, std::move(name), {}}; }
SeedLine Value(std::string name, std::string value) {
  return {SeedLine::Kind::Value, std::move(name), std::move(value)};
}

TEST(SeedFileTest, SectionsValuesAndIgnoredLines) {
  const std::string text =
      "Orphan=dropped before any section\r\n"
      "; a comment\r\n"
      "\r\n"
      "  [Search]  \r\n"
      "Limit=0\r\n"
      "Name=C:\\DATA\r\n"
      "[ Screen Pos ]\n"
      "x = 10\n"
      "a=b=c\n"
      "=empty name\n"
      "no equals sign\n"
      "[not]a header]\n"
      "k[x]=v\n"
      "cut=ab" +
      std::string(1, '\0') +
      "cd\n"
      "[]\n"
      "last=1";
  EXPECT_EQ(
      ParseSeedText(text),
      (std::vector<SeedLine>{Section("Search"), Value("Limit", "0"), Value("Name", "C:\\DATA"),
                             Section("Screen Pos"), Value("x ", " 10"), Value("a", "b=c"),
                             Value("", "empty name"), Value("k[x]", "v"), Value("cut", "ab"),
                             Section(""), Value("last", "1")}));
}

TEST(SeedFileTest, LongLinesAreReadInPiecesOf519) {
  // The first read of a long line takes 519 characters; the rest is a line of its own,
  // a value line when it holds an "=".
  const std::string text =
      "[S]\nk=" + std::string(600, 'v') + "\n" + std::string(519, 'a') + "b=c\n" + "next=1\n";
  const auto lines = ParseSeedText(text);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].value.size(), kSeedReadChars - 2);
  EXPECT_EQ(lines[2], Value("b", "c"));
  EXPECT_EQ(lines[3], Value("next", "1"));
}

}  // namespace
}  // namespace voltrim
