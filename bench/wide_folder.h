#pragma once

// A folder as wide as a real one: 255 series in MASTER and 2,591 in XMASTER (F256.MWD ...),
// each of the same daily quotes. The whole-folder benchmarks share it.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "datafiles/format/xmaster.h"
#include "datafiles/io/portfolio_files.h"
#include "samples/portfolio_builder.h"

namespace voltrim::bench {

inline constexpr int kWideMaster = 255;
inline constexpr int kWideXmaster = 2591;

inline void WriteWideFolder(const std::string& dir, const std::vector<DailyQuote>& quotes) {
  PortfolioSpec plan;
  for (int s = 1; s <= kWideMaster; ++s)
    plan.entries.push_back({false, MakeDailySeries(s, "S" + std::to_string(s), "", quotes), {}});
  if (WritePortfolio(dir, plan) != kOk) std::abort();
  std::vector<std::uint8_t> xmaster(kXmasterRecordSize * (kWideXmaster + 1), 0);
  const auto put16 = [&](std::size_t at, int value) {
    xmaster[at] = static_cast<std::uint8_t>(value & 0xFF);
    xmaster[at + 1] = static_cast<std::uint8_t>(value >> 8);
  };
  put16(xmaster_offset::kRecordCount, kWideXmaster);
  put16(xmaster_offset::kRecordCountAgain, kWideXmaster);
  put16(xmaster_offset::kNextFileNumber, 256 + kWideXmaster);
  for (int i = 0; i < kWideXmaster; ++i) {
    const int number = 256 + i;
    const std::string symbol = "X" + std::to_string(number);
    const std::size_t at = kXmasterRecordSize * static_cast<std::size_t>(i + 1);
    xmaster[at] = 1;
    std::copy(symbol.begin(), symbol.end(), xmaster.begin() + static_cast<std::ptrdiff_t>(at + 1));
    xmaster[at + xmaster_offset::kPeriodicity] = 'D';
    put16(at + xmaster_offset::kFileNumber, number);
    xmaster[at + xmaster_offset::kFieldMask] = 0x3F;
    const std::vector<std::uint8_t> mwd =
        BuildDatBytes(MakeDailySeries(number, symbol, "", quotes, false));
    std::ofstream(ResolveInDirectory(dir, MwdFileName(number)), std::ios::binary)
        .write(reinterpret_cast<const char*>(mwd.data()), static_cast<std::streamsize>(mwd.size()));
  }
  std::ofstream(dir + "/XMASTER", std::ios::binary)
      .write(reinterpret_cast<const char*>(xmaster.data()),
             static_cast<std::streamsize>(xmaster.size()));
}

}  // namespace voltrim::bench
