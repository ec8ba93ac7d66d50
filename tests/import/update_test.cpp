// Bringing a portfolio up to date from sources of many symbols: where new series go,
// cancelling, and the sources' refusals.
#include <gtest/gtest.h>

#include "datafiles/fixtures.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/update_portfolio.h"
#include "datafiles/write_commands.h"
#include "import/update_command.h"
#include "import/update_sources.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

UpdateRequest RequestFrom(const fs::path& source, bool create) {
  UpdateSources sources;
  std::string message;
  EXPECT_TRUE(ReadUpdateSources({source.string()}, sources, message)) << message;
  return UpdateRequestOf(sources, ImportOverlap::kRefuse, create);
}

// The crash safety of an update and its undo are checked over the table of write commands,
// whose fixture this is: ACME, OTHER and X256 (XMASTER) in p.
TEST(UpdatePortfolio, CancelChangesNothingAndTheTotalsCountEveryKind) {
  TempDir temp;
  WriteCommand fixture{};
  fixture.xmaster = true;
  MakeFixture(temp.path(), fixture);
  WriteText(temp.path() / "day.csv", kUpdateText + "OTHER,2000-01-03,10,10.5,9.5,10.25,1000\n");
  UpdateRequest request = RequestFrom(temp.path() / "day.csv", true);
  const std::string dir = (temp.path() / "p").string();
  const Snapshot before = TakeSnapshot(dir);
  UpdateResult result;
  request.progress = [](int done, int) { return done < 2; };
  EXPECT_EQ(UpdatePortfolio(dir, request, result), kUpdateCancelled);
  EXPECT_EQ(TakeSnapshot(dir), before);
  request.progress = nullptr;
  ASSERT_EQ(UpdatePortfolio(dir, request, result), kOk);
  EXPECT_EQ(UpdateTotalsLine(result),
            "4 series: 2 updated, 1 unchanged, 1 created; 3 quotes added");
  EXPECT_EQ(ReadQuotes(dir, "NEW").size(), 1u);
}

TEST(UpdatePortfolio, CreatesInMasterThenXmasterThenRefuses) {
  TempDir temp;
  WriteText(temp.path() / "new.csv",
            "<TICKER>,<PER>,<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>\n"
            "NEWA,D,20000103,000000,1,2,0.5,1.5,100,0\n"
            "NEWB,D,20000103,000000,1,2,0.5,1.5,100,0\n");
  const UpdateRequest request = RequestFrom(temp.path() / "new.csv", true);
  const std::string wide = WriteWideFolder(temp.path() / "wide", 1);
  // Room for one in MASTER: remove its last record and its files.
  fs::remove(wide + "/F255.DAT");
  fs::remove(wide + "/F255.DOP");
  std::vector<unsigned char> master = ReadFileBytes(wide + "/MASTER");
  master.resize(master.size() - kMasterRecordSize);
  master[0] = 254;
  master[2] = 254;
  WriteFileBytes(wide + "/MASTER", master);
  UpdateResult result;
  ASSERT_EQ(UpdatePortfolio(wide, request, result), kOk);
  EXPECT_EQ(result.series[0].index, IndexFile::kMaster);
  EXPECT_EQ(result.series[0].fileNumber, 255);
  EXPECT_EQ(result.series[1].index, IndexFile::kXmaster);
  EXPECT_EQ(result.series[1].fileNumber, 257);
  EXPECT_EQ(ReadQuotes(wide, "NEWB").size(), 1u);
  EXPECT_EQ(ReadQuotes(wide, "NEWA").size(), 1u);

  const std::string full = Write(temp.path() / "full", PortfolioOf({"A"}));
  std::vector<unsigned char> bytes = ReadFileBytes(full + "/MASTER");
  bytes[0] = 255;  // counted full, and no XMASTER
  WriteFileBytes(full + "/MASTER", bytes);
  const Snapshot before = TakeSnapshot(full);
  EXPECT_EQ(UpdatePortfolio(full, request, result), kUpdateRefused);
  EXPECT_EQ(result.series[static_cast<std::size_t>(result.refusedAt)].status, kPortfolioFull);
  EXPECT_EQ(TakeSnapshot(full), before);
}

TEST(UpdateSources, RefusalsNameFileAndLine) {
  TempDir temp;
  const struct {
    const char* text;
    const char* says;
  } kCases[] = {
      {"symbol,date,close\nA,2000-01-03,1\nB,2000-02-30,1\n",
       "Line 3: \"2000-02-30\" is not a date"},
      {"ticker,per,date,close\nA,D,20000103,1\nA,X,20000104,1\n",
       "Line 3: \"X\" is not a periodicity"},
      {"ticker,per,date,close\nA,D,20000103,1\nA,5,20000104,1\n", "changes from D to I"},
      {"symbol,date,close,oi\nA,2000-01-03,1,5\nA,2000-01-04,1,\nB,2000-01-04,1,\n",
       "Line 3: no value in column oi, where other lines of A have one"},
      {"date,close\n2000-01-03,1\n", "no column is named Symbol or Ticker"},
  };
  for (const auto& c : kCases) {
    WriteText(temp.path() / "good.csv", "symbol,date,close\nZ,2000-01-03,1\n");
    WriteText(temp.path() / "bad.csv", c.text);
    UpdateSources sources;
    std::string message;
    EXPECT_FALSE(
        ReadUpdateSources({(temp.path() / "good.csv").string(), (temp.path() / "bad.csv").string()},
                          sources, message));
    EXPECT_NE(message.find((temp.path() / "bad.csv").string()), std::string::npos) << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace voltrim::testing
