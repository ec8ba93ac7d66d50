#include "cli_write_runner.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace voltrim::testing {

std::vector<RawRecord> AcmeRecords() {
  return {{1000103, 12.34567f, 13, 12, 12.5f, 1234.6f}, {1000104, 13, 14, 12.5f, 13.5f, 2000},
          {1000104, 13.1f, 14.1f, 12.6f, 13.6f, 2100},  {1000106, 14, 15, 13, 14.5f, 3000},
          {1000108, 15, 16, 14, 15.5f, 4000},           {1000111, 16, 17, 15, 16.5f, 5000}};
}

SeriesSpec AcmeSeries(std::vector<RawRecord> records) {
  SeriesSpec s;
  s.fileNumber = 1;
  s.symbol = "ACME";
  s.name = "ACME CORP";
  s.fields = {Field::Date, Field::Open, Field::High, Field::Low, Field::Close, Field::Vol};
  s.records = std::move(records);
  return s;
}

std::string WriteAcmePortfolio(const std::filesystem::path& root, const std::string& name) {
  PortfolioSpec plan;
  PortfolioSpec::Entry acme, beta;
  acme.series = AcmeSeries();
  beta.series =
      MakeDailySeries(2, "BETA", "BETA INC", {{YmdToDay(2000, 1, 3), 1, 2, 0.5f, 1.5f, 9}});
  plan.entries = {acme, beta};
  const std::string dir = (root / name).string();
  EXPECT_EQ(WritePortfolio(dir, plan), 0);
  return dir;
}

Snapshot TakeSnapshot(const std::filesystem::path& root) {
  Snapshot files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files.emplace_back(std::filesystem::relative(entry.path(), root).string(),
                         ReadFileBytes(entry.path()));
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace voltrim::testing
