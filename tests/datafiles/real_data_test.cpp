#include <gtest/gtest.h>

#include "datafiles/master_image.h"
#include "datafiles/portfolio_files.h"
#include "datafiles/repair_master.h"
#include "datafiles/series.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// Reads every series of a data folder through the lookup, as the browser would, and
// returns how many ended with each status.
std::map<Status, int> ReadEverySeries(const std::string& folder, int* quotesRead = nullptr) {
  std::map<Status, int> outcome;
  MasterFile master;
  EXPECT_EQ(ReadMasterFile(ResolveInDirectory(folder, "MASTER"), master), kOk);
  SeriesBuffer buffer;
  EXPECT_EQ(AllocSeriesBuffer(buffer, 32767), kOk);
  for (const MasterRecord& record : master.records) {
    // Blank symbol fields are looked up by name.
    std::string text = record.SymbolField().substr(0, record.SymbolField().find_first_of(" "));
    text = text.substr(0, text.find('\0'));
    if (text.empty()) text = record.Name();
    FoundSymbol found;
    EXPECT_EQ(FindSymbol(folder, text, found), kOk) << text;
    EXPECT_EQ(found.record.FileNumber(), record.FileNumber()) << text;
    const Status status = ReadSeries(buffer, folder, text, 0, -1);
    ++outcome[status];
    if (status != kOk) continue;
    EXPECT_EQ(buffer.Count(), std::min(buffer.Total(), kMaxReadAll)) << text;
    if (quotesRead != nullptr) *quotesRead += buffer.Count();
    int undated = 0;
    for (int i = 0; i < buffer.Count(); ++i) undated += buffer.DateAt(i) == 0 ? 1 : 0;
    EXPECT_EQ(undated, 0) << text;
  }
  return outcome;
}

class RealData : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SharedDataDir().empty()) GTEST_SKIP() << "no shared data folder";
  }
  std::string Folder(const char* name) const { return (SharedDataDir() / name).string(); }
};

TEST_F(RealData, MiningeBlankSymbolsAreFoundByNameAndRepaired) {
  int quotes = 0;
  EXPECT_EQ(ReadEverySeries(Folder("mininge"), &quotes), (std::map<Status, int>{{kOk, 25}}));
  EXPECT_EQ(quotes, 91956);
  MasterFile master;
  ASSERT_EQ(ReadMasterFile(Folder("mininge") + "/MASTER", master), kOk);
  EXPECT_EQ(master.records.size(), 25u);  // the zero record past the count is not one

  // Repaired on a copy: same size, nothing more to repair, every symbol found by it.
  TempDir temp;
  std::filesystem::copy(Folder("mininge"), temp.path() / "m",
                        std::filesystem::copy_options::recursive);
  const std::string copy = MasterPathIn((temp.path() / "m").string());
  const std::size_t size = ReadFileBytes(copy).size();
  bool needs = false;
  ASSERT_EQ(MasterNeedsRepair(copy, needs), kOk);
  ASSERT_TRUE(needs);
  ASSERT_EQ(RepairMaster(copy), kOk);
  ASSERT_EQ(MasterNeedsRepair(copy, needs), kOk);
  EXPECT_FALSE(needs);
  EXPECT_EQ(ReadFileBytes(copy).size(), size);
  ASSERT_EQ(ReadMasterFile(copy, master), kOk);
  for (const MasterRecord& r : master.records) {
    FoundSymbol found;
    const std::string symbol = r.SymbolField().substr(0, r.SymbolField().find(' '));
    EXPECT_EQ(FindSymbol((temp.path() / "m").string(), symbol, found), kOk) << symbol;
  }
}

TEST_F(RealData, StooqIntradayHas28ByteRecordsWithoutDop) {
  EXPECT_EQ(ReadEverySeries(Folder("stooq-intraday")), (std::map<Status, int>{{kOk, 1}}));
  SeriesLocation location;
  ASSERT_EQ(LocateSeries(Folder("stooq-intraday"), "2HR.DE", location), kOk);
  EXPECT_EQ(location.recordLength, 28);
  EXPECT_TRUE(location.layout.Has(Field::Oi));  // inferred: no TIME, the time lands in OPEN
  EXPECT_FALSE(location.layout.Has(Field::Time));
  EXPECT_EQ(location.found.record.Periodicity(), 'I');
}

TEST_F(RealData, BbfinanceSeriesAllInferred) {
  EXPECT_EQ(ReadEverySeries(Folder("bbfinance")), (std::map<Status, int>{{kOk, 40}}));
}

TEST_F(RealData, LowercaseNamesHaveOnlyTheFirstDataFile) {
  EXPECT_EQ(ReadEverySeries(Folder("lowercase-names")),
            (std::map<Status, int>{{kOk, 1}, {kFileOpen, 127}}));
  SeriesBuffer buffer;
  ASSERT_EQ(AllocSeriesBuffer(buffer, 400), kOk);
  ASSERT_EQ(ReadSeries(buffer, Folder("lowercase-names"), "tu2__1990u", -1, 400), kOk);
  EXPECT_GT(buffer.Count(), 0);
  EXPECT_GE(buffer.At(0).openInterest, 0.0f);
}

}  // namespace
}  // namespace voltrim::testing
