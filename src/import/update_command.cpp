#include "import/update_command.h"

#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/write/symbol_files.h"
#include "import/import_command.h"

namespace voltrim {

namespace {

std::string Plural(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string PeriodicityWord(char periodicity) {
  switch (periodicity) {
    case 'D':
      return "daily";
    case 'W':
      return "weekly";
    case 'M':
      return "monthly";
    case 'I':
      return "intraday";
    default:
      return std::string("'") + periodicity + "'";
  }
}

std::string DataFileOf(const UpdateSeriesResult& series) {
  return series.index == IndexFile::kXmaster ? MwdFileName(series.fileNumber)
                                             : DatFileName(series.fileNumber);
}

}  // namespace

UpdateRequest UpdateRequestOf(const UpdateSources& sources, ImportOverlap overlap, bool create) {
  UpdateRequest request;
  request.series = sources.series;
  request.overlap = overlap;
  request.create = create;
  return request;
}

std::string UpdateTotalsLine(const UpdateResult& result) {
  const int series = result.updated + result.unchanged + result.created;
  std::string line = std::to_string(series) + " series: " + std::to_string(result.updated) +
                     " updated, " + std::to_string(result.unchanged) + " unchanged, " +
                     std::to_string(result.created) + " created; " +
                     Plural(result.quotesAdded, "quote added", "quotes added");
  if (result.quotesReplaced > 0) line += ", " + std::to_string(result.quotesReplaced) + " replaced";
  return line;
}

std::string UpdateSeriesLine(const UpdateSeriesResult& series) {
  if (series.fate == UpdateFate::kUnknown) return series.symbol + ": unknown, skipped.";
  const ImportResult& r = series.result;
  std::string line = series.symbol + ": " + Plural(r.added, "quote added", "quotes added") + ", " +
                     std::to_string(r.replaced) + " replaced, " + std::to_string(r.kept) +
                     " kept, " + std::to_string(r.skipped) + " skipped (already stored)";
  if (series.fate == UpdateFate::kCreated)
    line += "; new series in " +
            std::string(series.index == IndexFile::kXmaster ? "XMASTER" : "MASTER") + " as " +
            DataFileOf(series);
  return line + ".";
}

std::string UnknownSymbolsLine(const UpdateResult& result, const std::string& createAdvice) {
  std::string names;
  for (const UpdateSeriesResult& series : result.series) {
    if (series.fate != UpdateFate::kUnknown) continue;
    names += (names.empty() ? "" : ", ") + series.symbol;
  }
  if (names.empty()) return {};
  return "Unknown symbols, skipped: " + names + ". " + createAdvice;
}

std::string UpdateFailureText(Status status, const UpdateResult& result,
                              const UpdateSources& sources, const std::string& advice) {
  switch (status) {
    case kOk:
      return {};
    case kPortfolioBusy:
      return kPortfolioBusyMessage;
    case kUpdateCancelled:
      return "The update was cancelled." + std::string(kNothingChanged);
    case kFileWrite:
      return "The update failed: a data file could not be written." + std::string(kNothingChanged);
    case kUpdateIndexBehind:
      return "The update stopped part way: the quotes stand in the data files, but MASTER or "
             "XMASTER could not be written. Running the same update again finishes it.";
    case kUpdateRefused:
      break;
    default:
      return "The portfolio cannot be updated: its MASTER or XMASTER is missing or damaged." +
             std::string(kNothingChanged);
  }
  if (result.refusedAt < 0) return "The update failed." + std::string(kNothingChanged);
  const UpdateSeriesResult& series = result.series[static_cast<std::size_t>(result.refusedAt)];
  const UpdateSeriesRequest& source = sources.series[static_cast<std::size_t>(result.refusedAt)];
  const std::string& symbol = series.symbol;
  const ImportResult& r = series.result;
  const bool withTime = r.layout.Has(Field::Time);
  const auto place = [&](int line) { return UpdateLinePlace(sources, line); };
  switch (series.status) {
    case kImportDuplicate:
      return place(r.duplicateLines[0]) + " and " + place(r.duplicateLines[1]) +
             " both hold a quote of " + symbol + " of " + ImportQuoteDate(r.duplicate, withTime) +
             "." + kNothingChanged;
    case kImportDiffers: {
      std::string dates;
      for (const ImportQuote& q : r.firstDiffering)
        dates +=
            (dates.empty() ? "" : ", ") + ImportQuoteDate(q, withTime) + " (" + place(q.line) + ")";
      const int more = r.differing - static_cast<int>(r.firstDiffering.size());
      if (more > 0) dates += " and " + std::to_string(more) + " more";
      return "The sources give other values for " + Plural(r.differing, "quote ", "quotes ") +
             symbol + " already holds: " + dates + "." + kNothingChanged + " " + advice;
    }
    case kImportTooMany:
      return symbol + " would hold " + std::to_string(r.quotesAfter) +
             " quotes, and a series holds at most 32,766." + kNothingChanged;
    case kUpdatePeriodicity:
      return place(source.periodicityLine) + ": " + symbol + " is a " +
             PeriodicityWord(series.periodicity) + " series, and the line gives periodicity " +
             PeriodicityWord(source.periodicity) + "." + kNothingChanged;
    case kUpdateSameSeries:
      return symbol + " names a series another symbol of the sources names already." +
             kNothingChanged;
    case kPortfolioFull:
      return symbol + " cannot be created: " + kPortfolioFullMessage + kNothingChanged;
    case kBadRequest:
      if (series.fate == UpdateFate::kCreated)
        return symbol +
               " cannot be created: a symbol takes at most 16 characters in MASTER "
               "and 14 in XMASTER." +
               kNothingChanged;
      return place(source.quotes.empty() ? 0 : source.quotes.front().line) + ": a quote of " +
             symbol + " cannot be stored." + kNothingChanged;
    default:
      return "The quotes of " + symbol +
             " cannot be read: its index record, or its files, are missing or damaged." +
             kNothingChanged;
  }
}

}  // namespace voltrim
