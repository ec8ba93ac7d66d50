#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

#include "datafiles/write/repair_master.h"
#include "fixtures.h"
#include "samples/sample_portfolios.h"
#include "splitsearch/split_pair_test.h"

namespace voltrim::testing {
namespace {

// Looks every series of a data folder up as the browser would (blank symbols by name), reads
// it whole and returns how many reads ended with each status. Every quote has a date; every
// intraday bar (stooq's, without DOP: the time is the second field) a time too, and prices
// between its low and its high.
std::map<Status, int> ReadEverySeries(const std::string& folder) {
  std::map<Status, int> outcome;
  MasterFile master;
  EXPECT_EQ(ReadMasterFile(ResolveInDirectory(folder, "MASTER"), master), kOk);
  SeriesBuffer buffer(32767);
  for (const MasterRecord& record : master.records) {
    std::string text = record.SymbolField().substr(0, record.SymbolField().find_first_of(" "));
    text = text.substr(0, text.find('\0'));
    if (text.empty()) text = record.Name();
    const Status status = ReadSeries(buffer, folder, text, 0, -1);
    ++outcome[status];
    if (status != kOk) continue;
    EXPECT_EQ(buffer.Count(), std::min(buffer.Total(), kMaxReadAll)) << text;
    int undated = 0, untimed = 0, outside = 0;
    for (int i = 0; i < buffer.Count(); ++i) {
      const Quote q = buffer.At(i);
      undated += q.date == 0 ? 1 : 0;
      if (record.Periodicity() != 'I') continue;
      untimed += q.time == 0 ? 1 : 0;
      const bool within =
          q.low <= q.open && q.open <= q.high && q.low <= q.close && q.close <= q.high;
      outside += within ? 0 : 1;
    }
    EXPECT_EQ((std::array{undated, untimed, outside}), (std::array{0, 0, 0})) << text;
  }
  return outcome;
}

TEST(RealData, EveryFolderReadsAndMiningeIsRepairedOnACopy) {
  if (SharedDataDir().empty()) GTEST_SKIP() << "no shared data folder";
  const auto folder = [](const char* name) { return (SharedDataDir() / name).string(); };
  const std::pair<const char*, std::map<Status, int>> folders[] = {
      {"mininge", {{kOk, 25}}},
      {"stooq-intraday", {{kOk, 1}}},  // intraday, 28-byte records without DOP
      {"bbfinance", {{kOk, 40}}},
      {"lowercase-names", {{kOk, 1}, {kFileOpen, 127}}}};  // only the first DAT is there
  for (const auto& [name, outcome] : folders) EXPECT_EQ(ReadEverySeries(folder(name)), outcome);

  TempDir temp;
  const std::string copy = MasterPathIn(CopyRealFolder("mininge", temp.path()).string());
  const std::size_t size = ReadFileBytes(copy).size();
  bool needs = false;
  ASSERT_EQ(MasterNeedsRepair(copy, needs), kOk);
  ASSERT_TRUE(needs);
  ASSERT_EQ(RepairMaster(copy), kOk);
  ASSERT_EQ(MasterNeedsRepair(copy, needs), kOk);
  EXPECT_FALSE(needs);
  EXPECT_EQ(ReadFileBytes(copy).size(), size);
  EXPECT_EQ(ReadEverySeries((temp.path() / "mininge").string()),
            (std::map<Status, int>{{kOk, 25}}));
  // The record of zero bytes past the count is kept as it was.
  const Bytes repaired = ReadFileBytes(copy);
  EXPECT_TRUE(std::all_of(repaired.end() - kMasterRecordSize, repaired.end(),
                          [](unsigned char b) { return b == 0; }));
}

// A field's value in a record, or -1 when the series does not store it.
float Get(const SeriesSpec& s, const RawRecord& record, Field field) {
  const auto at = std::find(s.fields.begin(), s.fields.end(), field);
  return at == s.fields.end() ? -1.0f : record[static_cast<std::size_t>(at - s.fields.begin())];
}

// The generated data holds exactly the two unrecorded splits the split search is to find.
// (Reading the written portfolios back is the sample command's test.)
TEST(SamplePortfolios, HoldExactlyTheTwoDemonstrationSplits) {
  std::set<std::string> splits;
  for (const auto& portfolio : SamplePortfolios()) {
    for (const auto& entry : portfolio.plan.entries) {
      const SeriesSpec& s = entry.series;
      const auto bar = [&](const RawRecord& r) {
        return PairBar{Get(s, r, Field::High), Get(s, r, Field::Low), Get(s, r, Field::Close)};
      };
      for (std::size_t i = 1; !entry.isSubdirectory && i < s.records.size(); ++i)
        if (const RatioPair* split = TestSplitPair(bar(s.records[i - 1]), bar(s.records[i])))
          splits.insert(s.symbol + " " + std::to_string(split->p) + " for " +
                        std::to_string(split->q) + " at " + std::to_string(i));
    }
  }
  EXPECT_EQ(splits, (std::set<std::string>{"BOLT 2 for 1 at 1100", "DYNA 1 for 4 at 600"}));
}

}  // namespace
}  // namespace voltrim::testing
