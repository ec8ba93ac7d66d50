#include "quote_fixture.h"

#include <gtest/gtest.h>

namespace voltrim::testing {

QuoteFixture::QuoteFixture() : settings(std::make_unique<SettingsStore>()) {
  series.fileNumber = 1;
  series.symbol = "ACME";
  series.name = "ACME CORP";
  series.fields = {Field::Date, Field::Open, Field::High, Field::Low, Field::Close, Field::Vol};
  series.records = Records();
  PortfolioSpec plan;
  PortfolioSpec::Entry entry;
  entry.series = series;
  plan.entries.push_back(entry);
  EXPECT_EQ(WritePortfolio(Dir(), plan), 0);
  settings->OpenRoot((temp_.path() / "Voltrim.conf").string());
}

std::vector<RawRecord> QuoteFixture::Records() {
  return {{1000103, 12.34567f, 13, 12, 12.5f, 1234.6f}, {1000104, 13, 14, 12.5f, 13.5f, 2000},
          {1000104, 13.1f, 14.1f, 12.6f, 13.6f, 2100},  {1000106, 14, 15, 13, 14.5f, 3000},
          {1000108, 15, 16, 14, 15.5f, 4000},           {1000111, 16, 17, 15, 16.5f, 5000}};
}

Bytes QuoteFixture::DatOf(const std::vector<RawRecord>& records) const {
  SeriesSpec s = series;
  s.records = records;
  return BuildDatBytes(s);
}

QuoteSeriesContext QuoteFixture::Context() const {
  return {Dir(), "ACME", 6, "01/03/00", "01/11/00"};
}

}  // namespace voltrim::testing
