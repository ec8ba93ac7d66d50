#include "write_fixture.h"

#include <gtest/gtest.h>

#include "datafiles/master.h"

namespace voltrim::testing {

std::vector<DailyQuote> WeekdayQuotes(DayNumber first, int count, float base) {
  std::vector<DailyQuote> quotes;
  DayNumber day = IsWeekend(first) ? NextWeekday(first) : first;
  for (int i = 0; i < count; ++i, day = NextWeekday(day)) {
    const float p = base + static_cast<float>(i);
    quotes.push_back({day, p, p + 0.5f, p - 0.5f, p + 0.25f, 1000.0f + static_cast<float>(i)});
  }
  return quotes;
}

PortfolioSpec::Entry SeriesEntry(SeriesSpec series) {
  PortfolioSpec::Entry entry;
  entry.series = std::move(series);
  return entry;
}

PortfolioSpec::Entry SubdirectoryEntry(std::string name) {
  PortfolioSpec::Entry entry;
  entry.isSubdirectory = true;
  entry.subdirectory.name = std::move(name);
  return entry;
}

PortfolioSpec Portfolio(std::vector<PortfolioSpec::Entry> entries) {
  PortfolioSpec plan;
  plan.entries = std::move(entries);
  return plan;
}

std::string MakePortfolio(const std::filesystem::path& root, const std::string& name,
                          const PortfolioSpec& plan) {
  const std::string dir = (root / name).string();
  EXPECT_EQ(WritePortfolio(dir, plan), 0);
  return dir;
}

Snapshot TakeSnapshot(const std::filesystem::path& root) {
  Snapshot snapshot;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    snapshot[std::filesystem::relative(entry.path(), root).string()] = ReadFileBytes(entry.path());
  }
  return snapshot;
}

Bytes MasterRecordBytes(const Bytes& master, int index) {
  const auto at = static_cast<std::ptrdiff_t>(kMasterRecordSize) * (index + 1);
  if (master.size() < static_cast<std::size_t>(at) + kMasterRecordSize) return {};
  return Bytes(master.begin() + at,
               master.begin() + at + static_cast<std::ptrdiff_t>(kMasterRecordSize));
}

int MasterHeaderField(const Bytes& master, int offset) {
  const auto at = static_cast<std::size_t>(offset);
  return static_cast<std::int16_t>(master[at] | (master[at + 1] << 8));
}

}  // namespace voltrim::testing
