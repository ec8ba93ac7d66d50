#include "quote_fixture.h"

#include <gtest/gtest.h>

namespace voltrim::testing {

QuoteFixture::QuoteFixture() : settings(std::make_unique<SettingsStore>()) {
  series = AcmeSeries();
  PortfolioSpec plan;
  plan.entries.push_back({false, series, {}});
  EXPECT_EQ(WritePortfolio(Dir(), plan), 0);
  settings->OpenRoot((temp_.path() / "Voltrim.conf").string());
}

std::vector<RawRecord> QuoteFixture::Records() { return AcmeSeries().records; }

Bytes QuoteFixture::DatOf(const std::vector<RawRecord>& records) const {
  SeriesSpec s = series;
  s.records = records;
  return BuildDatBytes(s);
}

QuoteSeriesContext QuoteFixture::Context() const {
  return {Dir(), "ACME", 6, "01/03/00", "01/11/00"};
}

}  // namespace voltrim::testing
