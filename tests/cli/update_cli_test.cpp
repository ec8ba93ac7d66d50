// voltrim-cli update: real folders cut and brought back from their own export in each source
// layout, refusals with nothing written, undo; import and new-symbol on XMASTER.
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
  for (auto it = all.begin(); it != all.end();) {
    it = std::regex_match(it->first, kept) ? std::next(it) : all.erase(it);
  }
  return all;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
  if (!line.empty() && line.back() == ',') fields.emplace_back();
  return fields;
}

std::string Without(std::string text, char c) {
  text.erase(std::remove(text.begin(), text.end(), c), text.end());
  return text;
}

// The export's rows rewritten as a folder of one file per symbol, or in the TICKER/PER layout.
void WriteFolderSource(const std::string& csv, const fs::path& folder) {
  std::map<std::string, std::string> files;
  std::stringstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    const std::size_t comma = line.find(',');
    std::string& text = files[line.substr(0, comma)];
    if (text.empty()) text = "date,time,open,high,low,close,volume,openint\n";
    text += line.substr(comma + 1) + "\n";
  }
  fs::create_directories(folder);
  for (const auto& [symbol, text] : files) WriteText(folder / (symbol + ".txt"), text);
}

std::string TickerLayout(const std::string& csv) {
  std::string out = "<TICKER>,<PER>,<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>\n";
  std::stringstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<std::string> f = Split(line);
    const bool intraday = !f[2].empty();
    out += f[0] + (intraday ? ",5," : ",D,") + Without(f[1], '-') + "," +
           (intraday ? Without(f[2], ':') : "000000");
    for (std::size_t i = 3; i < f.size(); ++i) out += "," + f[i];
    out += "\n";
  }
  return out;
}

class CliUpdateTest : public ::testing::Test {
 protected:
  CliResult Run(const std::vector<std::string>& arguments) {
    return RunCli(arguments, temp_.str(), {"XDG_CONFIG_HOME=" + temp_.str() + "/config"});
  }
  TempDir temp_;
};

// Every series cut by its last quote comes back from the export, whatever the layout.
TEST_F(CliUpdateTest, RealFoldersCutAndUpdatedComeBackByteForByte) {
  for (const char* folder : {"bbfinance", "equis-small", "stooq-intraday"}) {
    const std::string name = folder;
    fs::create_directories(temp_.path() / "original");
    const fs::path original = CopyRealFolder(name, temp_.path() / "original");
    if (original.empty()) GTEST_SKIP() << "no shared data";
    const CliResult exported = Run({"export", original.string(), "--all", "--format", "csv"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const fs::path csv = temp_.path() / (name + ".csv");
    WriteText(csv, exported.out);
    WriteFolderSource(exported.out, temp_.path() / (name + "-folder"));
    WriteText(temp_.path() / (name + ".tickers"), TickerLayout(exported.out));
    // The index files' dates follow the quotes, as after any import: the real folders'
    // own may name days their data files lack, so the uncut folder updated from its own
    // export is the measure; its data files stay byte for byte.
    const fs::path uncut = temp_.path() / "uncut" / name;
    fs::create_directories(uncut.parent_path());
    fs::copy(original, uncut);
    ASSERT_EQ(Run({"update", uncut.string(), csv.string()}).exitCode, 0);
    const Snapshot want = PortfolioFiles(uncut);
    for (const auto& [file, bytes] : PortfolioFiles(original)) {
      if (file.find('.') != std::string::npos) {
        EXPECT_TRUE(want.at(file) == bytes) << file;
      }
    }
    // The last quote of every series cut, once, with the program's own delete.
    const fs::path cut = temp_.path() / "cut" / name;
    fs::create_directories(cut.parent_path());
    fs::copy(original, cut);
    std::stringstream in(Run({"symbols", cut.string(), "--all"}).out);
    int series = 0;
    for (std::string line; std::getline(in, line); ++series) {
      const std::string symbol = line.substr(0, line.find('\t'));
      const std::string newest = Run({"quotes", cut.string(), symbol}).out;
      std::vector<std::string> drop = {"delete-quote", cut.string(), symbol, newest.substr(0, 8)};
      if (newest.size() > 17 && newest[11] == ':') drop.insert(drop.end(), {"--time", newest.substr(9, 8)});
      ASSERT_EQ(Run(drop).exitCode, 0) << symbol;
    }
    ASSERT_NE(PortfolioFiles(cut), want);
    for (const std::string& source : {csv.string(), (temp_.path() / (name + "-folder")).string(),
                                     (temp_.path() / (name + ".tickers")).string()}) {
      const fs::path copy = temp_.path() / "updated" / fs::path(source).filename();
      fs::create_directories(copy.parent_path());
      fs::copy(cut, copy);
      const CliResult updated = Run({"update", copy.string(), source});
      ASSERT_EQ(updated.exitCode, 0) << source << updated.err;
      EXPECT_EQ(updated.out, std::to_string(series) + " series: " + std::to_string(series) +
                                 " updated, 0 unchanged, 0 created; " + std::to_string(series) +
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
      {"symbol,date,close\nB,2000-02-01,9\nB,2000-02-02,x\n", {},
       "two.csv cannot be read for the update.\n\nLine 3: \"x\" in column close is not a number."},
      {"ticker,per,date,close\nB,D,20000201,9\nA,I,20000202,9\n", {},
       "two.csv line 3: A is a daily series, and the line gives periodicity intraday."},
      {"symbol,date,close\nB,2000-02-01,9\nA,2000-01-03,1\n", {},
       "other values for 1 quote A already holds: 01/03/00 (two.csv line 3)."},
      {"symbol,date,close\nNOSUCH,2000-02-01,9\nNOSUCH,2000-02-01,8\n", {"--create"},
       "two.csv line 2 and two.csv line 3 both hold a quote of NOSUCH of 02/01/00."},
  };
  const Snapshot before = TakeSnapshot(dir);
  const std::string symbols = Run({"symbols", dir}).out;
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
  ASSERT_EQ(Run({"update", dir, "one.csv", "two.csv", "--create"}).exitCode, 0);
  EXPECT_EQ(Run({"quotes", dir, "NOSUCH"}).out.substr(0, 8), "02/01/00");
  const CliResult undone = Run({"undo", dir});
  EXPECT_EQ(undone.exitCode, 0) << undone.err;
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(Run({"symbols", dir}).out, symbols);
}

// A full MASTER's XMASTER series take imports, and new series go there.
TEST_F(CliUpdateTest, XmasterSeriesTakeImportsAndNewSymbols) {
  const std::string dir = WriteWideFolder(temp_.path() / "wide", 2);
  WriteText(temp_.path() / "day.csv", "Date,Open,High,Low,Close,Volume\n2000-01-06,1,2,0.5,1.5,9\n");
  const CliResult imported = Run({"import", dir, "X257", "day.csv"});
  EXPECT_EQ(imported.exitCode, 0) << imported.err;
  EXPECT_NE(Run({"facts", dir, "X257"}).out.find("Last date in file: 1000106"), std::string::npos);
  const CliResult made = Run({"new-symbol", dir, "NEWX", "--columns", "6"});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  EXPECT_TRUE(fs::exists(temp_.path() / "wide" / "F258.MWD"));
  EXPECT_EQ(Run({"import", dir, "NEWX", "day.csv"}).exitCode, 0);
  EXPECT_EQ(Run({"quotes", dir, "NEWX"}).out.substr(0, 8), "01/06/00");
  fs::remove(temp_.path() / "wide" / "XMASTER");
  const CliResult full = Run({"new-symbol", dir, "OTHER"});
  EXPECT_EQ(full.exitCode, 1);
  EXPECT_NE(full.err.find("maximum number of symbols (255)"), std::string::npos) << full.err;
}

}  // namespace
}  // namespace voltrim::testing
