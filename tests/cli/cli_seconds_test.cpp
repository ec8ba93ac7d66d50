#include <gtest/gtest.h>

#include <sstream>

#include "browser/browser_state.h"
#include "browser/series_view.h"
#include "cli_run.h"

namespace voltrim::testing {
namespace {

// Bars stored with odd seconds (TIME 170517, as real folders hold them) beside even ones a
// second apart: each is shown, named and written by its own second, and a write changes
// only the bytes it names.
TEST_F(CliTest, AnOddSecondIsShownAndWrittenAsStored) {
  const std::vector<Bar> bars = {{1131114, 170515, 10}, {1131114, 170516, 11},
                                 {1131114, 170517, 12}, {1131114, 170520, 13},
                                 {1131115, 90001, 14},  {1131115, 90003, 15}};
  const std::vector<std::string> shown = {"17:05:15", "17:05:16", "17:05:17",
                                          "17:05:20", "09:00:01", "09:00:03"};
  const auto secondColumn = [](const std::string& text, char separator, bool header) {
    std::vector<std::string> cells;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
      cells.push_back(line.substr(line.find(separator) + 1, 8));
    if (header) cells.erase(cells.begin());
    return cells;
  };
  const fs::path dat = temp_.path() / "sec" / "F1.DAT";
  Write(dat.parent_path(), BarPortfolio(bars));
  EXPECT_EQ(secondColumn(Run({"quotes", "{sec}", "BARS", "--oldest-first"}).out, '\t', false),
            shown);
  EXPECT_EQ(secondColumn(Run({"export", "{sec}", "BARS", "--format", "csv"}).out, ',', true),
            shown);
  // The window's grid, editor and chart readout take their texts from the quote table.
  SeriesView view;
  QuoteTable table;
  table.hasTime = true;
  ASSERT_EQ(view.Open(dat.parent_path().string(), "BARS"), kOk);
  view.ReadQuotes(QuoteOrder::kOldestFirst, [&](const Quote& q) { table.rows.push_back(q); });
  EXPECT_EQ(table.BarText(2), "11/14/13 17:05:17");

  const Bytes stored = ReadFileBytes(dat);
  const auto field = [&](int record, int position, float value) {
    Bytes bytes = stored;
    const MbfBytes mbf = IeeeToMbf(value);
    std::copy(mbf.begin(), mbf.end(), bytes.begin() + 28 * (record + 1) + 4 * (position - 1));
    return bytes;
  };
  std::vector<Bar> deleted = bars, added = bars;
  deleted.erase(deleted.begin() + 2);
  added.insert(added.begin() + 3, {1131114, 170519, 13});
  const struct {
    std::string line, out;
    Bytes after;
  } writes[] = {
      {"edit {sec} BARS 11/14/13 --time 17:05:17 --open 1", "Changed 1 bar: 11/14/13 17:05:17.\n",
       field(2, 3, 1.0f)},
      {"edit {sec} BARS 11/14/13 --time 17:05:20 --new-time 17:05:21",
       "Changed 1 bar: 11/14/13 17:05:20.\n", field(3, 2, 170521.0f)},
      {"edit {sec} BARS 11/14/13 --time 17:05:17 --new-time 17:05:16", "", stored},
      {"delete-quote {sec} BARS 11/14/13 --time 17:05:17", "Deleted 1 bar: 11/14/13 17:05:17.\n",
       BarDatBytes(TempDir().path(), deleted)},
      {"add-quote {sec} BARS 11/14/13 --time 17:05:19", "Added 1 bar: 11/14/13 17:05:19.\n",
       BarDatBytes(TempDir().path(), added)},
  };
  for (const auto& write : writes) {
    SCOPED_TRACE(write.line);
    Write(dat.parent_path(), BarPortfolio(bars));
    const CliResult result = RunLine(write.line);
    EXPECT_EQ(result.exitCode, write.out.empty() ? 1 : 0) << result.err;
    EXPECT_EQ(result.out, write.out);
    EXPECT_EQ(ReadFileBytes(dat), write.after);
  }
}

}  // namespace
}  // namespace voltrim::testing
