#include "samples/sample_portfolios.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "datafiles/format/encodings.h"
#include "datafiles/io/portfolio_files.h"

namespace voltrim {

namespace {

// SplitMix64: the same numbers on every platform and library, which the standard
// distributions do not promise. Only +, * and / follow, so prices are reproducible too.
class SampleRandom {
 public:
  explicit SampleRandom(std::uint64_t seed) : state_(seed) {}

  double Uniform() {  // [0, 1)
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
  }

  // Bell-shaped, mean 0, deviation 1, never beyond +-3.5: no freak days.
  double Bell() {
    return (Uniform() + Uniform() + Uniform() + Uniform() - 2.0) * 1.7320508075688772;
  }

 private:
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  std::uint64_t state_;
};

struct Bar {
  DayNumber day = 0;
  int timeValue = 0;  // HHMMSS, intraday only
  double open = 0, high = 0, low = 0, close = 0, volume = 0, openInterest = 0;
};

struct WalkShape {
  double startPrice = 50;
  double trendPerBar = 0.0002;  // long-run growth per bar
  double volatility = 0.015;    // deviation of the close-to-close move
  double range = 0.012;         // how far high and low reach beyond open and close
  double volume = 500000;       // typical volume per bar
  double openInterest = 0;      // 0: the series has none
  double tick = 0.01;
};

struct SeriesPlan {
  int fileNumber;
  const char* symbol;
  const char* name;
  char periodicity;
  std::vector<Field> fields;
  bool writeDop;
  std::vector<DayNumber> days;  // one per bar, oldest first
  std::uint64_t seed;
  WalkShape shape;
  int barsPerDay = 1;      // intraday: five-minute bars from 09:35 to 16:00
  int splitAt = -1;        // index of the first bar after an unrecorded split
  double splitFactor = 1;  // price multiplier from that bar on (0.5: 2-for-1)
};

const std::vector<Field> kOhlcv = {Field::Date, Field::Open,  Field::High,
                                   Field::Low,  Field::Close, Field::Vol};
const std::vector<Field> kOhlcvOi = {Field::Date,  Field::Open, Field::High, Field::Low,
                                     Field::Close, Field::Vol,  Field::Oi};
const std::vector<Field> kHlcv = {Field::Date, Field::High, Field::Low, Field::Close, Field::Vol};
const std::vector<Field> kOhlc = {Field::Date, Field::Open, Field::High, Field::Low, Field::Close};
const std::vector<Field> kIntraday = {Field::Date, Field::Time,  Field::Open, Field::High,
                                      Field::Low,  Field::Close, Field::Vol};
const std::vector<Field> kCloseOnly = {Field::Date, Field::Close};
const std::vector<Field> kCloseVol = {Field::Date, Field::Close, Field::Vol};

// The last `count` weekdays up to and including `last`, oldest first.
std::vector<DayNumber> WeekdaysEndingAt(DayNumber last, int count) {
  std::vector<DayNumber> days;
  days.reserve(static_cast<std::size_t>(count));
  DayNumber day = IsWeekend(last) ? PreviousWeekday(last) : last;
  for (int i = 0; i < count; ++i) {
    days.push_back(day);
    day = PreviousWeekday(day);
  }
  std::reverse(days.begin(), days.end());
  return days;
}

// Every seventh day back from `last`, oldest first (weekly bars dated on Fridays).
std::vector<DayNumber> WeeksEndingAt(DayNumber last, int count) {
  std::vector<DayNumber> days;
  for (int i = count - 1; i >= 0; --i) days.push_back(static_cast<DayNumber>(last - 7 * i));
  return days;
}

double RoundTo(double value, double step) { return std::round(value / step) * step; }

void RoundBar(Bar& bar, double tick) {
  bar.open = RoundTo(bar.open, tick);
  bar.close = RoundTo(bar.close, tick);
  bar.high = std::max({RoundTo(bar.high, tick), bar.open, bar.close});
  bar.low = std::max(tick, std::min({RoundTo(bar.low, tick), bar.open, bar.close}));
  bar.volume = std::max(100.0, RoundTo(bar.volume, 100));
  bar.openInterest = RoundTo(bar.openInterest, 1);
}

// A random walk that keeps returning to its trend line, so that even decades of data stay
// in a plausible price range.
std::vector<Bar> GenerateBars(const SeriesPlan& plan) {
  const WalkShape& shape = plan.shape;
  SampleRandom random(plan.seed);
  std::vector<Bar> bars;
  double close = shape.startPrice;
  double trend = shape.startPrice;
  double openInterest = shape.openInterest;
  for (const DayNumber day : plan.days) {
    for (int b = 0; b < plan.barsPerDay; ++b) {
      trend *= 1 + shape.trendPerBar;
      const double pull = 0.01 * (trend / close - 1);
      const double move = shape.trendPerBar + pull + shape.volatility * random.Bell();
      Bar bar;
      bar.day = day;
      if (plan.barsPerDay > 1) {
        const int minutes = 9 * 60 + 35 + 5 * b;
        bar.timeValue = (minutes / 60) * 10000 + (minutes % 60) * 100;
      }
      bar.open = close * (1 + 0.25 * shape.volatility * random.Bell());
      bar.close = close * (1 + move);
      bar.high = std::max(bar.open, bar.close) * (1 + shape.range * random.Uniform());
      bar.low = std::min(bar.open, bar.close) * (1 - shape.range * random.Uniform());
      bar.volume = shape.volume * (0.6 + 0.8 * random.Uniform()) *
                   (1 + 8 * std::fabs(move - shape.trendPerBar));
      if (shape.openInterest > 0) {
        openInterest *= 1 + 0.01 * random.Bell();
        bar.openInterest = openInterest;
      }
      RoundBar(bar, shape.tick);
      bars.push_back(bar);
      close = bar.close;
    }
  }
  return bars;
}

// An unrecorded split: from splitAt on, prices are multiplied by the factor and volume
// divided by it. The two bars of the jump get quiet, narrow ranges, so that the drop or
// rise leaves a clear gap between them, as real splits do.
void ApplySplit(std::vector<Bar>& bars, int splitAt, double factor, double tick) {
  if (splitAt <= 0 || splitAt >= static_cast<int>(bars.size())) return;
  const auto at = static_cast<std::size_t>(splitAt);
  Bar& before = bars[at - 1];
  before.high = std::max(before.open, before.close) * 1.002;
  before.low = std::min(before.open, before.close) * 0.998;
  RoundBar(before, tick);
  const double c = before.close;
  Bar& day = bars[at];
  day.open = c * 1.002;
  day.close = c * 1.006;
  day.high = c * 1.009;
  day.low = c * 0.999;
  for (std::size_t i = at; i < bars.size(); ++i) {
    Bar& bar = bars[i];
    bar.open *= factor;
    bar.high *= factor;
    bar.low *= factor;
    bar.close *= factor;
    bar.volume /= factor;
    RoundBar(bar, tick);
  }
}

float FieldValue(const Bar& bar, Field field) {
  switch (field) {
    case Field::Date:
      return DayToDateValue(bar.day);
    case Field::Time:
      return static_cast<float>(bar.timeValue);
    case Field::Open:
      return static_cast<float>(bar.open);
    case Field::High:
      return static_cast<float>(bar.high);
    case Field::Low:
      return static_cast<float>(bar.low);
    case Field::Close:
      return static_cast<float>(bar.close);
    case Field::Vol:
      return static_cast<float>(bar.volume);
    case Field::Oi:
      return static_cast<float>(bar.openInterest);
  }
  return 0;
}

PortfolioSpec::Entry SeriesEntry(const SeriesPlan& plan) {
  std::vector<Bar> bars = GenerateBars(plan);
  ApplySplit(bars, plan.splitAt, plan.splitFactor, plan.shape.tick);
  PortfolioSpec::Entry entry;
  SeriesSpec& series = entry.series;
  series.fileNumber = plan.fileNumber;
  series.symbol = plan.symbol;
  series.name = plan.name;
  series.periodicity = plan.periodicity;
  series.fields = plan.fields;
  series.writeDop = plan.writeDop;
  series.records.reserve(bars.size());
  for (const Bar& bar : bars) {
    RawRecord record;
    for (const Field field : plan.fields) record.push_back(FieldValue(bar, field));
    series.records.push_back(std::move(record));
  }
  return entry;
}

PortfolioSpec::Entry SubdirectoryEntry(const char* name) {
  PortfolioSpec::Entry entry;
  entry.isSubdirectory = true;
  entry.subdirectory.name = name;
  return entry;
}

WalkShape Shape(double start, double volatility, double volume, double tick = 0.01) {
  WalkShape shape;
  shape.startPrice = start;
  shape.volatility = volatility;
  shape.range = volatility * 0.8;
  shape.volume = volume;
  shape.tick = tick;
  return shape;
}

// Friday 27 November 2026: every current series ends here.
DayNumber LastDay() { return YmdToDay(2026, 11, 27); }

PortfolioSpec Stocks() {
  const DayNumber last = LastDay();
  WalkShape longShape = Shape(4.50, 0.011, 80000);
  longShape.trendPerBar = 0.00022;
  PortfolioSpec plan;
  plan.entries = {
      SeriesEntry({1, "ACME", "ACME INDUSTRIES", 'D', kOhlcv, true, WeekdaysEndingAt(last, 2520),
                   101, Shape(38.20, 0.014, 1200000)}),
      SeriesEntry({2, "BOLT", "BOLT MOTORS", 'D', kOhlcv, false, WeekdaysEndingAt(last, 1500), 102,
                   Shape(61.00, 0.016, 850000), 1, 1100, 0.5}),
      SeriesEntry({3, "CRNR", "CORNER BAKERY", 'D', kHlcv, false, WeekdaysEndingAt(last, 45), 103,
                   Shape(12.40, 0.012, 45000)}),
      SeriesEntry({4, "DYNA", "DYNAMO ENERGY", 'D', kOhlcv, true, WeekdaysEndingAt(last, 900), 104,
                   Shape(3.10, 0.022, 2400000, 0.005), 1, 600, 4.0}),
      SeriesEntry({5, "LONG", "LONGVIEW TRUST", 'D', kOhlcv, true, WeekdaysEndingAt(last, 16600),
                   105, longShape}),
  };
  return plan;
}

// Series of companies long gone, kept below the legacy portfolio.
PortfolioSpec Archive() {
  const DayNumber last = YmdToDay(1999, 12, 31);
  PortfolioSpec plan;
  plan.entries = {
      SeriesEntry({1, "OLDC", "OLD COMPANY INC", 'D', kOhlcv, true, WeekdaysEndingAt(last, 300),
                   201, Shape(17.25, 0.013, 150000, 0.125)}),
      SeriesEntry({2, "GONE", "GONE TOMORROW", 'D', kOhlcv, true, WeekdaysEndingAt(last, 60), 202,
                   Shape(2.375, 0.03, 60000, 0.0625)}),
  };
  return plan;
}

PortfolioSpec Futures() {
  const DayNumber last = LastDay();
  WalkShape crude = Shape(71.30, 0.018, 180000);
  crude.openInterest = 320000;
  WalkShape emini = Shape(6020.00, 0.0012, 9000, 0.25);
  emini.trendPerBar = 0.00001;
  emini.range = 0.0008;
  PortfolioSpec plan;
  plan.entries = {
      SeriesEntry({1, "CLH7", "CRUDE OIL MAR27", 'D', kOhlcvOi, false, WeekdaysEndingAt(last, 250),
                   301, crude}),
      SeriesEntry({2, "ESH7", "E-MINI S&P MAR27", 'I', kIntraday, true, WeekdaysEndingAt(last, 10),
                   302, emini, 78}),
      SeriesEntry({3, "DXY", "US DOLLAR INDEX", 'D', kOhlc, false, WeekdaysEndingAt(last, 500), 303,
                   Shape(104.10, 0.004, 0)}),
  };
  return plan;
}

// An older portfolio: one record lost its symbol (the program offers to repair it), the
// short record layouts of early data sets, and a subdirectory entry for its archive. The
// entry's symbol field is blank too, so it lives here and the main portfolio stays clean.
PortfolioSpec Legacy() {
  const DayNumber last = LastDay();
  PortfolioSpec plan;
  plan.entries = {
      SeriesEntry({1, "WIDX", "WEEKLY INDEX", 'W', kOhlcv, true, WeeksEndingAt(last, 520), 401,
                   Shape(1210.0, 0.022, 4000000)}),
      SeriesEntry({2, "", "PACIFIC MILLS", 'D', kOhlcv, true, WeekdaysEndingAt(last, 400), 402,
                   Shape(22.80, 0.015, 300000)}),
      SeriesEntry({3, "COPR", "COPPER CASH", 'D', kCloseOnly, true, WeekdaysEndingAt(last, 3000),
                   403, Shape(2.95, 0.012, 0, 0.0005)}),
      SeriesEntry({4, "HRBR", "HARBOR RAIL", 'D', kCloseVol, false, WeekdaysEndingAt(last, 200),
                   404, Shape(41.60, 0.013, 220000)}),
      SubdirectoryEntry("ARCHIVE"),
  };
  return plan;
}

}  // namespace

std::vector<SamplePortfolio> SamplePortfolios() {
  return {{"Stocks", Stocks()},
          {"Futures", Futures()},
          {"Legacy", Legacy()},
          {"Legacy/ARCHIVE", Archive()}};
}

Status WriteSamplePortfolios(const std::string& root, std::vector<std::string>& written) {
  for (const SamplePortfolio& portfolio : SamplePortfolios()) {
    const std::string directory = WithTrailingSeparator(root) + portfolio.relativeDir;
    const Status status = WritePortfolio(directory, portfolio.plan);
    if (status != kOk) return status;
    written.push_back(directory);
  }
  return kOk;
}

}  // namespace voltrim
