#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "datafiles/format/series.h"

namespace voltrim {

// What the files say about one series, for Symbol > About and `voltrim-cli facts`.
struct SeriesFacts {
  std::string path;  // the portfolio directory as passed in, not where the symbol was found
  int fileNumber = 0;
  int recordLength = 0;
  int fieldCount = 0;
  std::int16_t quoteCount = 0;
  std::string name;     // 16 characters as stored
  float firstDate = 0;  // IEEE DateFloat
  float lastDate = 0;
  std::string periodicity;  // e.g. "D Daily", or "ERROR"
  std::string symbol;       // 16 characters as stored
  std::string longName;     // EMASTER's longer name of the series; empty when it has none
  std::string indexFile;    // "MASTER" or "XMASTER": the index file that lists the series
  std::string dataFile;     // its data file's name: "F3.DAT", "F256.MWD"
  // A series with a time of day (its layout holds TIME): the time frame (the most common
  // step between the bars of a day, as TimeFrameText words it) and how many bars fall on
  // its first day, its last day and its busiest day, read from its quotes.
  bool hasTime = false;
  std::string timeFrame;
  int firstDayBars = 0;
  int lastDayBars = 0;
  int mostDayBars = 0;
  // Indexed by Field (Date..Oi); empty for fields the layout does not have.
  std::array<std::string, kFieldKindCount> inputFormat;
  std::array<std::string, kFieldKindCount> displayFormat;
};

inline constexpr int kFactsFound = 0;
inline constexpr int kFactsUnavailable = 1;

// 0 and filled facts, or 1 (facts untouched) when the symbol is not found, its layout
// cannot be had, or its DAT file cannot be opened or its header read.
int GetSeriesFacts(std::string_view portfolioDir, std::string_view symbol, SeriesFacts& out);

// Fills the time-of-day facts of a located series whose layout holds TIME, reading all
// its quotes; a series whose quotes cannot all be read keeps "unknown" as its time frame.
void AddIntradayFacts(const SeriesLocation& location, SeriesFacts& facts);

// "D Daily", "I Intra-day", ...; "ERROR" for any other character (lower case included).
std::string PeriodicityText(char periodicity);

// "Whole Num.", "100ths", "1,000s", ...; "Unknown (N)" for codes the format does not define.
std::string FormatCodeName(int code);

// A DateFloat as the facts show it: "%6.0f" (991231, 1000103).
std::string FactsDateText(float dateFloat);

// Row labels of the facts' field group, indexed by Field: "Date", "Time", ..., "OI".
std::string_view FactsFieldLabel(Field field);

}  // namespace voltrim
