// Filling the symbols grid of a folder with 255 series in MASTER and 2,591 more in XMASTER
// (as a real folder holds them), against a plain read of the two index files' bytes.
// Aim: the fill within 50 ms, and each keystroke in the filter field (rows narrowed and
// sorted, the rows on screen formatted) within 16 ms, one frame.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_common.h"
#include "browser/browser.h"
#include "browser/browser_enabling.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/portfolio_files.h"
#include "settings/settings_store.h"

namespace {

using namespace voltrim;

constexpr int kMasterSeries = 255;
constexpr int kXmasterSeries = 2591;

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, int value) {
  bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value) {
  for (std::size_t i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
}

struct Fixture {
  Fixture() {
    std::vector<DailyQuote> quotes;
    DayNumber day = ParseUserDate("01/03/00");
    for (int i = 0; i < 20; ++i, day = NextWeekday(day))
      quotes.push_back({day, 10.0f, 11.0f, 9.0f, 10.5f, 1000.0f});
    PortfolioSpec plan;
    for (int n = 1; n <= kMasterSeries; ++n)
      plan.entries.push_back(
          {false, MakeDailySeries(n, "M" + std::to_string(n), "MASTER SERIES", quotes), {}});
    if (WritePortfolio(drive, plan) != kOk) std::abort();

    std::vector<std::uint8_t> xmaster(kXmasterRecordSize * (kXmasterSeries + 1), 0);
    Put16(xmaster, xmaster_offset::kRecordCount, kXmasterSeries);
    Put16(xmaster, xmaster_offset::kRecordCountAgain, kXmasterSeries);
    Put16(xmaster, xmaster_offset::kNextFileNumber, 256 + kXmasterSeries);
    for (int i = 0; i < kXmasterSeries; ++i) {
      const int number = 256 + i;
      const std::string symbol = "X" + std::to_string(number);
      const std::size_t at = kXmasterRecordSize * static_cast<std::size_t>(i + 1);
      xmaster[at + xmaster_offset::kKind] = 1;
      std::copy(symbol.begin(), symbol.end(),
                xmaster.begin() + static_cast<std::ptrdiff_t>(at + 1));
      const std::string name = "EXTENDED SERIES " + symbol;
      std::copy(name.begin(), name.end(), xmaster.begin() + static_cast<std::ptrdiff_t>(at + 16));
      xmaster[at + xmaster_offset::kPeriodicity] = 'D';
      Put16(xmaster, at + xmaster_offset::kFileNumber, number);
      xmaster[at + xmaster_offset::kFieldMask] = 0x3F;
      Put32(xmaster, at + xmaster_offset::kFirstDate, 20000103);
      Put32(xmaster, at + xmaster_offset::kLastDate, 20000128);
      const std::vector<std::uint8_t> mwd =
          BuildDatBytes(MakeDailySeries(number, symbol, "", quotes, false));
      std::ofstream(ResolveInDirectory(drive, MwdFileName(number)), std::ios::binary)
          .write(reinterpret_cast<const char*>(mwd.data()),
                 static_cast<std::streamsize>(mwd.size()));
    }
    std::ofstream(drive + "/XMASTER", std::ios::binary)
        .write(reinterpret_cast<const char*>(xmaster.data()),
               static_cast<std::streamsize>(xmaster.size()));
    settings.OpenRoot(root.str() + "/Voltrim.conf");
    settings.SetInt("Search", "Limit", 0);
  }

  bench::ScratchFolder root{"voltrim-bench-symbols"};
  std::string drive = root.str() + "/drive";
  SettingsStore settings;
  bench::BenchPrompt prompt;
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

// The bytes of MASTER and XMASTER, read whole: what any listing must at least do.
void BM_ReadIndexFiles(benchmark::State& state) {
  Fixture& f = TheFixture();
  std::vector<char> bytes;
  for (auto _ : state) {
    for (const char* name : {"MASTER", "XMASTER"}) {
      std::ifstream in(f.drive + "/" + name, std::ios::binary | std::ios::ate);
      bytes.resize(static_cast<std::size_t>(in.tellg()));
      in.seekg(0);
      in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      benchmark::DoNotOptimize(bytes.data());
    }
  }
}

// The whole fill as the window asks for it (the first row's quotes included), then the cell
// texts of every row, as a view scrolled through would ask for them.
void BM_FillSymbolsGrid(benchmark::State& state) {
  Fixture& f = TheFixture();
  Browser browser(
      f.settings, f.prompt,
      BrowserPlatform{[&] { return std::vector<std::string>{f.drive}; }, [&] { return f.drive; }});
  browser.ChooseInitialDrive();
  for (auto _ : state) {
    browser.FillSymbolsGrid(0);
    const SymbolTable& symbols = browser.State().symbols;
    if (symbols.RowCount() != kMasterSeries + kXmasterSeries) {
      state.SkipWithError("fill incomplete");
      break;
    }
    for (int row = 0; row < symbols.RowCount(); ++row) {
      benchmark::DoNotOptimize(symbols.CellText(row, 0));
      benchmark::DoNotOptimize(symbols.CellText(row, 1));
    }
  }
}

// One keystroke in the filter field while the grid is sorted by name: typing "x25" and
// taking it back again, each step narrowing or widening the rows, then the cells of a
// screenful of rows and the symbol pane, as the window redraws them.
void BM_FilterKeystroke(benchmark::State& state) {
  Fixture& f = TheFixture();
  Browser browser(
      f.settings, f.prompt,
      BrowserPlatform{[&] { return std::vector<std::string>{f.drive}; }, [&] { return f.drive; }});
  browser.ChooseInitialDrive();
  browser.SortSymbolsBy(1);
  const char* const typed[] = {"x", "x2", "x25", "x2", "x", ""};
  std::size_t next = 0;
  constexpr int kScreenful = 30;
  for (auto _ : state) {
    browser.SetSymbolFilter(typed[next]);
    next = (next + 1) % std::size(typed);
    const BrowserState& shown = browser.State();
    const int rows = std::min(shown.symbolOrder.ShownCount(), kScreenful);
    for (int place = 0; place < rows; ++place)
      for (int column = 0; column < kSymbolColumnCount; ++column)
        benchmark::DoNotOptimize(shown.symbols.CellText(shown.symbolOrder.TableRow(place), column));
    benchmark::DoNotOptimize(SymbolPaneText(shown));
  }
}

BENCHMARK(BM_ReadIndexFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillSymbolsGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterKeystroke)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWithRatios(argc, argv,
                              {{"symbols grid fill (2,846 series) / reading the index files",
                                "BM_FillSymbolsGrid", "BM_ReadIndexFiles"},
                               {"filter keystroke (2,846 series, sorted) / reading the index files",
                                "BM_FilterKeystroke", "BM_ReadIndexFiles"}});
}
