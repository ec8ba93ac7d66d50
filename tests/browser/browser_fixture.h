#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/browser.h"
#include "datafiles/portfolio_builder.h"
#include "settings/settings_store.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"

namespace voltrim::testing {

// Weekday quotes from 01/03/00 whose prices rise a cent a day, so each row tells which it is.
inline std::vector<DailyQuote> RisingQuotes(int count) {
  std::vector<DailyQuote> quotes;
  DayNumber day = ParseUserDate("01/03/00");
  for (int i = 0; i < count; ++i) {
    const float base = 10.0f + static_cast<float>(i) / 100.0f;
    quotes.push_back({day, base, base + 1, base - 1, base + 0.5f, static_cast<float>(1000 + i)});
    day = NextWeekday(day);
  }
  return quotes;
}

inline PortfolioSpec PortfolioOf(const std::vector<std::string>& symbols, int quotes = 5) {
  PortfolioSpec plan;
  for (const std::string& symbol : symbols) {
    PortfolioSpec::Entry entry;
    entry.series = MakeDailySeries(static_cast<int>(plan.entries.size()) % 255 + 1, symbol,
                                   symbol + " INC", RisingQuotes(quotes));
    plan.entries.push_back(entry);
  }
  return plan;
}

// A browser whose drives are folders of a temporary tree, with its settings in a temporary
// file and the search filter off unless a test asks for it.
class BrowserTest : public ::testing::Test {
 protected:
  BrowserTest() { settings.OpenRoot((root.path() / "Voltrim.conf").string()); }

  std::string Drive(const std::string& name) {
    drives.push_back((root.path() / name).string());
    std::filesystem::create_directories(drives.back());
    return drives.back();
  }
  void Write(const std::string& dir, const PortfolioSpec& plan) {
    ASSERT_EQ(WritePortfolio(dir, plan), kOk) << dir;
  }
  Browser& Start() {
    if (settings.GetInt("Search", "Limit", -1) == -1) settings.SetInt("Search", "Limit", 0);
    BrowserPlatform platform{[this] { return drives; }, [this] { return drives.front(); }};
    browser = std::make_unique<Browser>(settings, prompt, platform);
    browser->ChooseInitialDrive();
    return *browser;
  }
  const BrowserState& State() const { return browser->State(); }

  TempDir root;
  SettingsStore settings;
  RecordingPrompt prompt;
  std::vector<std::string> drives;
  std::unique_ptr<Browser> browser;
};

}  // namespace voltrim::testing
