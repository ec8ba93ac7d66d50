#include <gtest/gtest.h>

#include <sstream>

#include "cli_run.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// The conversions themselves are checked against known bytes in the data layer's tests.
void PutMbf(float value, unsigned char* out) {
  const MbfBytes mbf = IeeeToMbf(value);
  std::copy(mbf.begin(), mbf.end(), out);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

using IntradayCli = CliTest;

// Every bar's time as `quotes` prints it, against the TIME field (the second, HHMMSS)
// read from the bytes; then a bar put between the two of the day, changed and deleted
// again, each compared with the file as it must be, byte for byte.
TEST_F(IntradayCli, RealBarsShowTheirTimesAndOneBarIsAddedEditedAndDeletedAlone) {
  const fs::path copy = CopyRealFolder("stooq-intraday", temp_.path());
  if (copy.empty()) GTEST_SKIP() << "no shared data folder";
  const std::string dir = copy.string();
  const Bytes original = ReadFileBytes(copy / "F1.DAT");
  constexpr std::size_t kLength = 28;
  const std::size_t records = original.size() / kLength - 1;
  ASSERT_EQ(records, 2u);

  const CliResult quotes = Run({"quotes", dir, "2HR.DE", "--oldest-first"});
  ASSERT_EQ(quotes.exitCode, 0) << quotes.err;
  const std::vector<std::string> lines = Lines(quotes.out);
  ASSERT_EQ(lines.size(), records);
  for (std::size_t i = 0; i < records; ++i) {
    const auto hhmmss = static_cast<long>(MbfToIeee(&original[(i + 1) * kLength + 4]));
    char time[64];
    std::snprintf(time, sizeof time, "\t%02ld:%02ld:%02ld\t", hhmmss / 10000, hhmmss / 100 % 100,
                  hhmmss % 100);
    EXPECT_EQ(lines[i].substr(8, 10), time) << lines[i];
  }
  EXPECT_EQ(lines[0].substr(0, 18), "11/15/13\t09:05:00\t");
  EXPECT_EQ(lines[1].substr(0, 18), "11/15/13\t09:15:00\t");

  const CliResult facts = Run({"facts", dir, "2HR.DE"});
  EXPECT_NE(facts.out.find("Data format: I Intra-day\nSymbol: 2HR.DE          \n"
                           "Listed in: MASTER\nData file: F1.DAT\n"
                           "Time frame: 10 minutes\nBars on first day: 2\nBars on last day: 2\n"
                           "Most bars in a day: 2\nDate Input:"),
            std::string::npos)
      << facts.out;

  // Add at 09:10: a copy of the 09:15 bar with its time, in front of it.
  CliResult result = Run({"add-quote", dir, "2HR.DE", "11/15/13", "--time", "09:10"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Added 1 bar: 11/15/13 09:10:00.\n");
  Bytes added(original.begin(), original.begin() + 2 * kLength);
  added.insert(added.end(), original.begin() + 2 * kLength, original.end());
  added.insert(added.end(), original.begin() + 2 * kLength, original.end());
  PutMbf(91000.0f, &added[2 * kLength + 4]);
  added[2] = 4;  // the last record
  EXPECT_EQ(ReadFileBytes(copy / "F1.DAT"), added);

  // Its close alone changes; the bars around it keep every byte.
  result = Run({"edit", dir, "2HR.DE", "11/15/13", "--time", "09:10:00", "--close", "8.62"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Changed 1 bar: 11/15/13 09:10:00.\n");
  Bytes edited = added;
  PutMbf(8.62f, &edited[2 * kLength + 20]);
  EXPECT_EQ(ReadFileBytes(copy / "F1.DAT"), edited);

  result = Run({"delete-quote", dir, "2HR.DE", "11/15/13", "--time", "09:10"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Deleted 1 bar: 11/15/13 09:10:00.\n");
  EXPECT_EQ(ReadFileBytes(copy / "F1.DAT"), original);
}

// Without --time the commands work on the day as before, and say how many bars they
// changed and which one they took.
TEST_F(IntradayCli, WithoutATimeTheCommandsWorkOnTheDayAndSaySo) {
  Write(temp_.path() / "p", BarPortfolio());
  const std::string dir = (temp_.path() / "p").string();
  TempDir scratch;
  std::vector<Bar> bars = ThreeDaysOfBars();

  CliResult result = Run({"edit", dir, "BARS", "11/14/13", "--volume", "5"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Changed 4 bars dated 11/14/13.\n");
  EXPECT_EQ(Lines(Run({"quotes", dir, "BARS"}).out)[5],
            "11/14/13\t09:10:00\t15.7500\t16.5000\t15.5000\t16.0000\t5\tN/A");

  result = Run({"delete-quote", dir, "BARS", "11/14/13"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Deleted 1 bar: 11/14/13 09:00:00.\n");

  // A bar in the middle of a day, named by its time.
  result = Run({"edit", dir, "BARS", "11/13/13", "--time", "09:05", "--new-time", "09:06:30"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  result = Run({"delete-quote", dir, "BARS", "11/15/13", "--time", "09:10"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  bars[1].time = 90630;
  Bytes expected = BarDatBytes(scratch.path(), {bars[0], bars[1], bars[2], bars[3], bars[5],
                                                bars[6], bars[7], bars[8], bars[9], bars[11]});
  // The three bars left of 11/14/13 (records 5 to 7) hold the volume set.
  for (int r = 0; r < 3; ++r) PutMbf(5.0f, &expected[static_cast<std::size_t>(5 + r) * 28 + 24]);
  EXPECT_EQ(ReadFileBytes(temp_.path() / "p" / "F1.DAT"), expected);
}

}  // namespace
}  // namespace voltrim::testing
