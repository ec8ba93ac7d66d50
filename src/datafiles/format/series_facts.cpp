#include "datafiles/format/series_facts.h"

#include <algorithm>
#include <cstdio>

#include "datafiles/format/emaster.h"
#include "datafiles/format/intraday.h"
#include "datafiles/format/master.h"
#include "datafiles/io/portfolio_files.h"

namespace voltrim {

namespace {

struct CodeName {
  int code;
  const char* name;
};

// 100 and 1000 come first so that they are never taken for decimal places.
constexpr CodeName kFormatCodeNames[] = {
    {100, "100s"}, {1000, "1,000s"}, {-7, "128ths"},  {-6, "64ths"},    {-5, "32nds"},
    {-4, "16ths"}, {-3, "8ths"},     {-2, "4ths"},    {-1, "Halves"},   {0, "Whole Num."},
    {1, "10ths"},  {2, "100ths"},    {3, "1,000ths"}, {4, "10,000ths"}, {5, "100,000ths"},
};

struct PeriodName {
  char letter;
  const char* name;
};

constexpr PeriodName kPeriodicityNames[] = {
    {'D', "Daily"},   {'I', "Intra-day"}, {'W', "Weekly"},
    {'M', "Monthly"}, {'Q', "Quarterly"}, {'Y', "Yearly"},
};

}  // namespace

void AddIntradayFacts(const SeriesLocation& location, SeriesFacts& facts) {
  if (!location.layout.Has(Field::Time)) return;
  facts.hasTime = true;
  facts.timeFrame = "unknown";
  SeriesReader reader;
  if (reader.Open(location) != kOk) return;
  constexpr int kWindow = 400;
  SeriesBuffer window(kWindow);
  IntradayProfile profile;
  for (int first = 0; first < reader.Total(); first += kWindow) {
    const int count = std::min(kWindow, reader.Total() - first);
    if (reader.Read(window, first, count) != kOk || window.Count() != count) return;
    for (int i = 0; i < count; ++i) profile.Add({window.DateAt(i), window.TimeAt(i)});
  }
  facts.timeFrame = TimeFrameText(profile.TimeFrameSeconds());
  facts.firstDayBars = profile.FirstDayBars();
  facts.lastDayBars = profile.LastDayBars();
  facts.mostDayBars = profile.MostDayBars();
}

std::string PeriodicityText(char periodicity) {
  for (const auto& entry : kPeriodicityNames) {
    if (entry.letter == periodicity) return std::string(1, periodicity) + " " + entry.name;
  }
  return "ERROR";
}

std::string FormatCodeName(int code) {
  for (const auto& entry : kFormatCodeNames) {
    if (entry.code == code) return entry.name;
  }
  return "Unknown (" + std::to_string(code) + ")";
}

std::string FactsDateText(float dateFloat) {
  char text[64];
  std::snprintf(text, sizeof text, "%6.0f", static_cast<double>(dateFloat));
  return text;
}

std::string_view FactsFieldLabel(Field field) {
  static constexpr std::string_view kLabels[kFieldKindCount] = {"Date", "Time",  "Open", "High",
                                                                "Low",  "Close", "Vol",  "OI"};
  return kLabels[static_cast<std::size_t>(field)];
}

int GetSeriesFacts(std::string_view portfolioDir, std::string_view symbol, SeriesFacts& out) {
  FoundSymbol found;
  if (FindSymbol(portfolioDir, symbol, found) != kOk) return kFactsUnavailable;
  const MasterRecord& record = found.record;
  const int fileNumber = record.FileNumber();

  ColumnLayout layout;
  const std::string dopPath = ResolveInDirectory(found.directory, DopFileName(fileNumber));
  if (ReadColumnLayout(dopPath, record.RecordLength(), layout, record.IsIntraday()) != kOk)
    return kFactsUnavailable;

  std::int16_t lastRecord = 0;
  const std::string datPath = ResolveInDirectory(found.directory, DatFileName(fileNumber));
  if (ReadDatLastRecord(datPath, lastRecord) != kOk) return kFactsUnavailable;

  SeriesFacts facts;
  facts.path = std::string(portfolioDir);
  facts.fileNumber = fileNumber;
  facts.recordLength = record.RecordLength();
  facts.fieldCount = record.FieldCount();
  facts.quoteCount = static_cast<std::int16_t>(lastRecord - 1);
  facts.name = record.NameField();
  facts.firstDate = record.FirstDate();
  facts.lastDate = record.LastDate();
  facts.periodicity = PeriodicityText(record.Periodicity());
  facts.symbol = record.SymbolField();
  facts.longName = EmasterLongName(found.directory, record);
  facts.indexFile = "MASTER";
  facts.dataFile = DatFileName(fileNumber);
  for (std::size_t i = 0; i < kFieldKindCount; ++i) {
    const ColumnField& field = layout.fields[i];
    if (field.position == 0) continue;
    facts.inputFormat[i] = FormatCodeName(field.inputFormat);
    facts.displayFormat[i] = FormatCodeName(field.displayFormat);
  }
  SeriesLocation location;
  location.found = found;
  if (CompleteSeriesLocation(location) == kOk) AddIntradayFacts(location, facts);
  out = std::move(facts);
  return kFactsFound;
}

}  // namespace voltrim
