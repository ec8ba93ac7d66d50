#include <gtest/gtest.h>

#include "settings/seed_file.h"

namespace voltrim {

void PrintTo(const SeedLine& line, std::ostream* out) {
  *out << (line.kind == SeedLine::Kind::Section ? "[" : "") << line.name
       << (line.kind == SeedLine::Kind::Section ? "]" : "=" + line.value);
}

namespace {

using Kind = SeedLine::Kind;

SeedLine Section(std::string name) { return {Kind::Section, std::move(name), {}}; }
SeedLine Value(std::string name, std::string value) {
  return {Kind::Value, std::move(name), std::move(value)};
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
      "[]\n"
      "last=1";
  const std::vector<SeedLine> expected = {
      Section("Search"),  Value("Limit", "0"), Value("Name", "C:\\DATA"), Section("Screen Pos"),
      Value("x ", " 10"), Value("a", "b=c"),   Value("", "empty name"),   Value("k[x]", "v"),
      Section(""),        Value("last", "1"),
  };
  EXPECT_EQ(ParseSeedText(text), expected);
}

TEST(SeedFileTest, LongLinesAreReadInPiecesOf519) {
  // 600 characters: the first read takes 519 of them, the rest is a line of its own.
  const std::string longValue(600 - 2, 'v');
  const std::string text = "[S]\nk=" + longValue + "\nnext=1\n";
  const auto lines = ParseSeedText(text);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].value.size(), kSeedReadChars - 2);
  EXPECT_EQ(lines[2], Value("next", "1"));  // the 81-character tail has no "=": ignored
}

TEST(SeedFileTest, PieceBoundarySplitsAValueLine) {
  // The tail after 519 characters holds an "=" and so becomes a value line of its own.
  const std::string text = "[S]\n" + std::string(519, 'a') + "b=c\n";
  const auto lines = ParseSeedText(text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], Value("b", "c"));
}

TEST(SeedFileTest, NulEndsALine) {
  const std::string text = std::string("[S]\nk=ab\0cd\n", 13);
  const auto lines = ParseSeedText(text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], Value("k", "ab"));
}

}  // namespace
}  // namespace voltrim
