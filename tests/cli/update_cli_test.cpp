// voltrim-cli update: real folders cut and brought back from their own export in each source
// layout, and refusals with nothing written.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "cli_run.h"
#include "datafiles/fixtures.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// The data and index files only: backups, temporaries and the journal may differ.
Snapshot PortfolioFiles(const fs::path& dir) {
  static const std::regex kept(R"((MASTER|EMASTER|XMASTER|F\d+\.(DAT|MWD|DOP)))",
                               std::regex::icase);
  Snapshot all = TakeSnapshot(dir);
  std::erase_if(all, [](const auto& file) { return !std::regex_match(file.first, kept); });
  return all;
}

// The export's rows rewritten as a folder of one file per symbol, and in the TICKER/PER
// layout (with dates and times without their separators).
void WriteOtherLayouts(const std::string& csv, const fs::path& folder, const fs::path& tickers) {
  std::map<std::string, std::string> files;
  std::string tickerText =
      "<TICKER>,<PER>,<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>\n";
  std::stringstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    const std::size_t comma = line.find(','), dateEnd = line.find(',', comma + 1),
                      timeEnd = line.find(',', dateEnd + 1);
    std::string& text = files[line.substr(0, comma)];
    if (text.empty()) text = "date,time,open,high,low,close,volume,openint\n";
    text += line.substr(comma + 1) + "\n";
    std::string date = line.substr(comma + 1, dateEnd - comma - 1);
    std::string time = line.substr(dateEnd + 1, timeEnd - dateEnd - 1);
    std::erase(date, '-');
    std::erase(time, ':');
    tickerText += line.substr(0, comma) + (time.empty() ? ",D," : ",5,") + date + "," +
                  (time.empty() ? "000000" : time) + line.substr(timeEnd) + "\n";
  }
  fs::create_directories(folder);
  for (const auto& [symbol, text] : files) WriteText(folder / (symbol + ".txt"), text);
  WriteText(tickers, tickerText);
}

using CliUpdateTest = CliTest;

// Every series cut by its last quote comes back from the export, whatever the layout.
TEST_F(CliUpdateTest, RealFoldersCutAndUpdatedComeBackByteForByte) {
  for (const std::string name : {"bbfinance", "equis-small", "stooq-intraday"}) {
    fs::create_directories(temp_.path() / "original");
    const fs::path original = CopyRealFolder(name, temp_.path() / "original");
    if (original.empty()) GTEST_SKIP() << "no shared data";
    const CliResult exported = Run({"export", original.string(), "--all", "--format", "csv"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const fs::path csv = temp_.path() / (name + ".csv");
    WriteText(csv, exported.out);
    const fs::path folder = temp_.path() / (name + "-folder");
    const fs::path tickers = temp_.path() / (name + ".tickers");
    WriteOtherLayouts(exported.out, folder, tickers);
    // The index files' dates follow the quotes, as after any import: the real folders'
    // own may name days their data files lack, so the uncut folder updated from its own
    // export is the measure; its data files stay byte for byte.
    const auto copyAs = [&](const fs::path& from, const std::string& as) {
      const fs::path to = temp_.path() / as;
      fs::create_directories(to.parent_path());
      fs::copy(from, to);
      return to;
    };
    const fs::path uncut = copyAs(original, "uncut/" + name);
    ASSERT_EQ(Run({"update", uncut.string(), csv.string()}).exitCode, 0);
    const Snapshot want = PortfolioFiles(uncut);
    for (const auto& [file, bytes] : PortfolioFiles(original)) {
      if (file.find('.') != std::string::npos) {
        EXPECT_TRUE(want.at(file) == bytes) << file;
      }
    }
    // The last quote of every series cut, once, with the program's own delete.
    const fs::path cut = copyAs(original, "cut/" + name);
    std::stringstream in(Run({"symbols", cut.string(), "--all"}).out);
    int series = 0;
    for (std::string line; std::getline(in, line); ++series) {
      const std::string symbol = line.substr(0, line.find('\t'));
      const std::string newest = Run({"quotes", cut.string(), symbol}).out;
      std::vector<std::string> drop = {"delete-quote", cut.string(), symbol, newest.substr(0, 8)};
      if (newest.size() > 17 && newest[11] == ':')
        drop.insert(drop.end(), {"--time", newest.substr(9, 8)});
      ASSERT_EQ(Run(drop).exitCode, 0) << symbol;
    }
    ASSERT_NE(PortfolioFiles(cut), want);
    for (const fs::path& source : {csv, folder, tickers}) {
      const fs::path copy = copyAs(cut, "updated/" + source.filename().string());
      const CliResult updated = Run({"update", copy.string(), source.string()});
      ASSERT_EQ(updated.exitCode, 0) << source << updated.err;
      const std::string n = std::to_string(series);
      EXPECT_EQ(updated.out, n + " series: " + n + " updated, 0 unchanged, 0 created; " + n +
                                 (series == 1 ? " quote added\n" : " quotes added\n"));
      EXPECT_EQ(PortfolioFiles(copy), want) << source;
    }
  }
}

TEST_F(CliUpdateTest, RefusalsNameFileAndLineAndWriteNothing) {
  const std::string dir = Write(temp_.path() / "p", PortfolioOf({"A", "B"}));
  WriteText(temp_.path() / "one.csv", "symbol,date,close\nA,2000-02-01,9\n");
  const struct {
    const char* text;
    std::vector<std::string> options;
    const char* says;
  } kCases[] = {
      {"symbol,date,close\nB,2000-02-01,9\nB,2000-02-02,x\n",
       {},
       "two.csv cannot be read for the update.\n\nLine 3: \"x\" in column close is not a number."},
      {"ticker,per,date,close\nB,D,20000201,9\nA,I,20000202,9\n",
       {},
       "two.csv line 3: A is a daily series, and the line gives periodicity intraday."},
      {"symbol,date,close\nB,2000-02-01,9\nA,2000-01-03,1\n",
       {},
       "other values for 1 quote A already holds: 01/03/00 (two.csv line 3)."},
      {"symbol,date,close\nNOSUCH,2000-02-01,9\nNOSUCH,2000-02-01,8\n",
       {"--create"},
       "two.csv line 2 and two.csv line 3 both hold a quote of NOSUCH of 02/01/00."},
  };
  const Snapshot before = TakeSnapshot(dir);
  for (const auto& c : kCases) {
    WriteText(temp_.path() / "two.csv", c.text);
    std::vector<std::string> arguments = {"update", dir, "one.csv", "two.csv"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const CliResult refused = Run(arguments);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("Nothing was changed."), std::string::npos);
    EXPECT_EQ(TakeSnapshot(dir), before);
  }
  // Unknown symbols are named and skipped; --dry-run says the same and writes nothing.
  WriteText(temp_.path() / "two.csv", "symbol,date,close\nB,2000-02-01,9\nNOSUCH,2000-02-01,9\n");
  const CliResult dry = Run({"update", dir, "one.csv", "two.csv", "--dry-run", "--verbose"});
  EXPECT_EQ(dry.exitCode, 0) << dry.err;
  EXPECT_EQ(dry.out,
            "A: 1 quote added, 0 replaced, 0 kept, 0 skipped (already stored).\n"
            "B: 1 quote added, 0 replaced, 0 kept, 0 skipped (already stored).\n"
            "NOSUCH: unknown, skipped.\n"
            "2 series: 2 updated, 0 unchanged, 0 created; 2 quotes added\n");
  EXPECT_NE(dry.err.find("Unknown symbols, skipped: NOSUCH."), std::string::npos);
  EXPECT_EQ(TakeSnapshot(dir), before);
}

}  // namespace
}  // namespace voltrim::testing
