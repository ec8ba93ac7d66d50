#pragma once

#include <string>
#include <vector>

#include "datafiles/portfolio_builder.h"

namespace voltrim::testing {

// n weekday quotes from the first weekday on or after firstDay; quote i closes at
// 10 + i/4 so a test can tell from a value which quote it holds.
inline std::vector<DailyQuote> NumberedQuotes(int n, DayNumber firstDay = 14245) {
  std::vector<DailyQuote> quotes;
  DayNumber day = IsWeekend(firstDay) ? NextWeekday(firstDay) : firstDay;
  for (int i = 0; i < n; ++i) {
    const float close = 10.0f + static_cast<float>(i) * 0.25f;
    quotes.push_back(
        {day, close - 0.5f, close + 1.0f, close - 1.0f, close, 1000.0f + static_cast<float>(i)});
    day = NextWeekday(day);
  }
  return quotes;
}

inline PortfolioSpec::Entry SeriesEntry(SeriesSpec series) {
  PortfolioSpec::Entry entry;
  entry.series = std::move(series);
  return entry;
}

inline PortfolioSpec::Entry SubdirectoryEntry(std::string name) {
  PortfolioSpec::Entry entry;
  entry.isSubdirectory = true;
  entry.subdirectory.name = std::move(name);
  return entry;
}

inline PortfolioSpec OneSeries(SeriesSpec series) {
  PortfolioSpec plan;
  plan.entries.push_back(SeriesEntry(std::move(series)));
  return plan;
}

// A series with just a symbol, for lookup tests.
inline PortfolioSpec::Entry Symbol(int fileNumber, std::string symbol, std::string name = "") {
  return SeriesEntry(
      MakeDailySeries(fileNumber, std::move(symbol), std::move(name), NumberedQuotes(2)));
}

}  // namespace voltrim::testing
