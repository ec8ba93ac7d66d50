#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "browser/browser_state.h"
#include "browser/series_view.h"
#include "cli_run.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

// Intraday bars stored with odd seconds, as some real folders hold them (TIME 170517),
// next to even ones a second apart: each bar is shown, named and written by its own second.
std::vector<Bar> OddSecondBars() {
  return {{1131114.0f, 170515.0f, 10}, {1131114.0f, 170516.0f, 11}, {1131114.0f, 170517.0f, 12},
          {1131114.0f, 170520.0f, 13}, {1131115.0f, 90001.0f, 14},  {1131115.0f, 90003.0f, 15}};
}

// Column `column` of each TAB-separated line.
std::vector<std::string> Column(const std::string& text, int column, char separator = '\t') {
  std::vector<std::string> cells;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string cell;
    for (int i = 0; i <= column; ++i) std::getline(fields, cell, separator);
    cells.push_back(cell);
  }
  return cells;
}

class CliSecondsTest : public CliTest {
 protected:
  void SetUp() override { Write(temp_.path() / "sec", BarPortfolio(OddSecondBars())); }
};

TEST_F(CliSecondsTest, TheStoredSecondIsShownWherever) {
  const std::vector<std::string> stored = {"17:05:15", "17:05:16", "17:05:17",
                                           "17:05:20", "09:00:01", "09:00:03"};
  EXPECT_EQ(Column(Run({"quotes", "{sec}", "BARS", "--oldest-first"}).out, 1), stored);
  const std::string csv = Run({"export", "{sec}", "BARS", "--format", "csv"}).out;
  EXPECT_NE(csv.find("17:05:17"), std::string::npos) << csv;
  EXPECT_EQ(csv.find("17:05:16", csv.find("17:05:16") + 1), std::string::npos) << csv;

  // The window's grid and chart readout take their texts from the quote table.
  SeriesView view;
  ASSERT_EQ(view.Open(Expand("{sec}"), "BARS"), kOk);
  QuoteTable table;
  table.hasTime = true;
  view.ReadQuotes(QuoteOrder::kOldestFirst, [&](const Quote& q) { table.rows.push_back(q); });
  for (std::size_t row = 0; row < stored.size(); ++row)
    EXPECT_EQ(table.TimeText(static_cast<int>(row)), stored[row]);
  EXPECT_EQ(table.BarText(2), "11/14/13 17:05:17");
}

// A write at an odd second touches that bar, and of it only the bytes the command changes;
// a bar one second away is another bar.
TEST_F(CliSecondsTest, WritesNameTheBarByItsOwnSecond) {
  using Patch = std::function<void(std::vector<Bar>&, Bytes&)>;
  const auto field = [](int record, int position, float value) {
    return [=](std::vector<Bar>&, Bytes& dat) {
      const MbfBytes mbf = IeeeToMbf(value);
      std::copy(mbf.begin(), mbf.end(), dat.begin() + 28 * (record + 1) + 4 * (position - 1));
    };
  };
  const struct {
    std::string line;
    int exitCode;
    std::string out;
    Patch patch;  // on the bars, or on the stored bytes
  } cases[] = {
      {"edit {sec} BARS 11/14/13 --time 17:05:17 --open 1", 0,
       "Changed 1 bar: 11/14/13 17:05:17.\n", field(2, 3, 1.0f)},
      {"edit {sec} BARS 11/14/13 --time 17:05:20 --new-time 17:05:21", 0,
       "Changed 1 bar: 11/14/13 17:05:20.\n", field(3, 2, 170521.0f)},
      {"edit {sec} BARS 11/14/13 --time 17:05:17 --new-time 17:05:16", 1, "", nullptr},
      {"delete-quote {sec} BARS 11/14/13 --time 17:05:17", 0, "Deleted 1 bar: 11/14/13 17:05:17.\n",
       [](std::vector<Bar>& bars, Bytes&) { bars.erase(bars.begin() + 2); }},
      {"add-quote {sec} BARS 11/14/13 --time 17:05:19", 0, "Added 1 bar: 11/14/13 17:05:19.\n",
       [](std::vector<Bar>& bars, Bytes&) {
         bars.insert(bars.begin() + 3, {1131114.0f, 170519.0f, 13});
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TempDir scratch;
    fs::remove_all(temp_.path() / "sec");
    SetUp();
    std::vector<Bar> bars = OddSecondBars();
    Bytes expected = ReadFileBytes(temp_.path() / "sec" / "F1.DAT");
    if (c.patch) {
      c.patch(bars, expected);
      if (bars.size() != OddSecondBars().size()) expected = BarDatBytes(scratch.path(), bars);
    }
    const CliResult result = RunLine(c.line);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(ReadFileBytes(temp_.path() / "sec" / "F1.DAT"), expected);
  }
}

}  // namespace
}  // namespace voltrim::testing
