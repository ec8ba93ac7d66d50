#pragma once

#include <string>
#include <vector>

#include "datafiles/fixtures.h"

namespace voltrim::testing {

// One bar of the intraday fixture: its date (YYYMMDD), time (HHMMSS) and close; open,
// high, low and volume follow from the close so that every bar tells which it is.
struct Bar {
  float date;
  float time;
  float close;
};

inline RawRecord BarRecord(const Bar& bar) {
  return {bar.date,         bar.time,  bar.close - 0.25f,  bar.close + 0.5f,
          bar.close - 0.5f, bar.close, 1000.0f + bar.close};
}

// BARS (file 1): 28-byte intraday records without a DOP file, as stooq writes them.
inline SeriesSpec BarSeries(const std::vector<Bar>& bars) {
  SeriesSpec series;
  series.symbol = "BARS";
  series.name = "BARS INTRADAY";
  series.periodicity = 'I';
  series.fields = {Field::Date, Field::Time,  Field::Open, Field::High,
                   Field::Low,  Field::Close, Field::Vol};
  series.writeDop = false;
  for (const Bar& bar : bars) series.records.push_back(BarRecord(bar));
  return series;
}

// Three days of four 5-minute bars from 09:00 (Wed 11/13/13 .. Fri 11/15/13); closes
// 10, 11, 12, ... in file order.
inline std::vector<Bar> ThreeDaysOfBars() {
  std::vector<Bar> bars;
  float close = 10.0f;
  for (const float date : {1131113.0f, 1131114.0f, 1131115.0f})
    for (const float time : {90000.0f, 90500.0f, 91000.0f, 91500.0f})
      bars.push_back({date, time, close++});
  return bars;
}

inline PortfolioSpec BarPortfolio(const std::vector<Bar>& bars = ThreeDaysOfBars()) {
  return Portfolio({SeriesEntry(BarSeries(bars))});
}

// The F1.DAT a portfolio of these bars has: what a write must leave, byte for byte.
inline Bytes BarDatBytes(const std::filesystem::path& scratch, const std::vector<Bar>& bars) {
  Write(scratch, BarPortfolio(bars));
  return ReadFileBytes(scratch / "F1.DAT");
}

}  // namespace voltrim::testing
