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

// Daily quotes on consecutive weekdays from 3 January 2000, prices rising by a cent a day
// so that each row tells which quote it is.
inline std::vector<DailyQuote> RisingQuotes(int count) {
  std::vector<DailyQuote> quotes;
  DayNumber day = ParseUserDate("01/03/00");
  for (int i = 0; i < count; ++i) {
    const float base = 10.0f + static_cast<float>(i) / 100.0f;
    quotes.push_back(
        {day, base, base + 1.0f, base - 1.0f, base + 0.5f, static_cast<float>(1000 + i)});
    day = NextWeekday(day);
  }
  return quotes;
}

inline PortfolioSpec::Entry SeriesEntry(SeriesSpec series) {
  PortfolioSpec::Entry entry;
  entry.series = std::move(series);
  return entry;
}

// A portfolio of the given symbols, each with `quotes` rising quotes.
inline PortfolioSpec PortfolioOf(const std::vector<std::string>& symbols, int quotes = 5) {
  PortfolioSpec spec;
  int fileNumber = 1;
  for (const std::string& symbol : symbols) {
    spec.entries.push_back(
        SeriesEntry(MakeDailySeries(fileNumber++, symbol, symbol + " INC", RisingQuotes(quotes))));
  }
  return spec;
}

// A browser over folders of a temporary tree that stand in for the machine's drives, with
// its settings in a temporary file.
class BrowserTest : public ::testing::Test {
 protected:
  BrowserTest() { settings.OpenRoot((root.path() / "settings" / "Voltrim.conf").string()); }

  std::string Drive(const std::string& name) {
    const std::filesystem::path dir = root.path() / name;
    std::filesystem::create_directories(dir);
    drives.push_back(dir.string());
    return dir.string();
  }

  void Write(const std::string& dir, const PortfolioSpec& spec) {
    ASSERT_EQ(WritePortfolio(dir, spec), kOk) << dir;
  }

  // Searching everywhere keeps the tests independent of the test's working folder.
  Browser& Start(bool limit = false) {
    settings.SetInt("Search", "Limit", limit ? 1 : 0);
    browser = std::make_unique<Browser>(settings, prompt, Platform());
    browser->ChooseInitialDrive();
    return *browser;
  }

  BrowserPlatform Platform() {
    return BrowserPlatform{[this] { return drives; },
                           [this] { return drives.empty() ? root.str() : drives.front(); }};
  }

  const BrowserState& State() const { return browser->State(); }

  TempDir root;
  SettingsStore settings;
  RecordingPrompt prompt;
  std::vector<std::string> drives;
  std::unique_ptr<Browser> browser;
};

}  // namespace voltrim::testing
