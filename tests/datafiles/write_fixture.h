#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "datafiles/encodings.h"
#include "datafiles/portfolio_builder.h"
#include "support/temp_dir.h"

namespace voltrim::testing {

using Bytes = std::vector<unsigned char>;
// Relative path -> content of every file below a folder.
using Snapshot = std::map<std::string, Bytes>;

inline DayNumber Day(int year, int month, int day) { return YmdToDay(year, month, day); }

// Weekday quotes from `first` on, prices rising by 1 a day from base.
std::vector<DailyQuote> WeekdayQuotes(DayNumber first, int count, float base = 10.0f);

PortfolioSpec::Entry SeriesEntry(SeriesSpec series);
PortfolioSpec::Entry SubdirectoryEntry(std::string name);
PortfolioSpec Portfolio(std::vector<PortfolioSpec::Entry> entries);

// Writes the portfolio into root/name and returns that folder.
std::string MakePortfolio(const std::filesystem::path& root, const std::string& name,
                          const PortfolioSpec& plan);

Snapshot TakeSnapshot(const std::filesystem::path& root);

// The 53 bytes of record `index` (0 = first after the header) of a MASTER file.
Bytes MasterRecordBytes(const Bytes& master, int index);
int MasterHeaderField(const Bytes& master, int offset);

}  // namespace voltrim::testing
