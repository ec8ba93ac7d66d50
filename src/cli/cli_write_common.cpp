#include "cli/cli_write_common.h"

#include <algorithm>
#include <cctype>

#include "cli/cli_common.h"
#include "datafiles/format/encodings.h"
#include "datafiles/format/master.h"
#include "datafiles/format/series.h"
#include "datafiles/io/portfolio_files.h"
#include "quotes/entry_fields.h"

namespace voltrim::cli {

namespace {

constexpr int kReadWindow = 400;

// As the symbols grid shows a record: the symbol cut at the first byte outside 0x21-0x7F,
// or the name (cut at its first NUL) when that leaves nothing.
SymbolRow GridTexts(const MasterRecord& record, int row) {
  SymbolRow texts;
  texts.row = row;
  for (std::size_t i = 0; i < kSymbolFieldSize; ++i) {
    const auto c = record.bytes[master_offset::kSymbol + i];
    if (c < 0x21 || c > 0x7F) break;
    texts.symbol.push_back(static_cast<char>(c));
  }
  for (std::size_t i = 0; i < kNameFieldSize; ++i) {
    const auto c = record.bytes[master_offset::kName + i];
    if (c == 0) break;
    texts.name.push_back(static_cast<char>(c));
  }
  if (texts.symbol.empty()) texts.symbol = texts.name;
  return texts;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

// The date text of one quote (start 0: the oldest, -1: the newest), as the browser keeps
// them; zeros when the series has no quote.
std::string EndDateText(const std::string& dir, const std::string& symbol, int start) {
  SeriesBuffer one;
  DayNumber day = 0;
  if (AllocSeriesBuffer(one, 1) == kOk && ReadSeries(one, dir, symbol, start, 1) == kOk &&
      one.Count() == 1) {
    day = one.DateAt(0);
  }
  FreeSeriesBuffer(one);
  return FormatUserDate(day);
}

// The dates of every quote, newest first, read window by window as the grid loads them.
Status ReadRowDates(const std::string& dir, const std::string& symbol, SeriesView& out) {
  SeriesBuffer buffer;
  SeriesLocation location;
  SeriesReader reader;
  Status status = AllocSeriesBuffer(buffer, kReadWindow);
  if (status == kOk) status = LocateSeries(dir, symbol, location);
  if (status == kOk) status = reader.Open(location);
  const std::int32_t total = status == kOk ? reader.Total() : 0;
  for (std::int32_t done = 0; status == kOk && done < total;) {
    const std::int32_t chunk = std::min<std::int32_t>(total - done, kReadWindow);
    status = reader.Read(buffer, total - done - chunk, chunk);
    if (status != kOk || buffer.Count() == 0) break;  // a file shorter than its header ends here
    for (int i = buffer.Count() - 1; i >= 0; --i) {
      out.rowDates.push_back(FormatUserDate(buffer.DateAt(i)));
    }
    done += chunk;
  }
  FreeSeriesBuffer(buffer);
  out.context.quoteCount = static_cast<int>(total);
  return status;
}

}  // namespace

bool LoadSeriesView(const std::string& portfolioDir, const std::string& symbol, SeriesView& out) {
  out = SeriesView{};
  out.context.portfolioDir = portfolioDir;
  out.context.symbol = symbol;
  const Status status = ReadRowDates(portfolioDir, symbol, out);
  if (status != kOk) {
    if (status == kFileNotFound) {
      PrintError(SymbolNotFoundText(symbol, portfolioDir));
    } else {
      PrintFailure(SeriesProblemText(portfolioDir, symbol, status));
    }
    return false;
  }
  out.context.firstDateText = EndDateText(portfolioDir, symbol, 0);
  out.context.lastDateText = EndDateText(portfolioDir, symbol, -1);
  return true;
}

int RowOfDate(const SeriesView& view, const std::string& dateText) {
  const auto at = std::find(view.rowDates.begin(), view.rowDates.end(), dateText);
  return at == view.rowDates.end() ? -1 : static_cast<int>(at - view.rowDates.begin());
}

std::string MasterPathOf(const std::string& portfolioDir) {
  return ResolveInDirectory(portfolioDir, "MASTER");
}

bool FindSymbolRow(const std::string& portfolioDir, const std::string& symbol, SymbolRow& out) {
  MasterFile master;
  const std::string masterPath = MasterPathOf(portfolioDir);
  if (const Status status = ReadMasterFile(masterPath, master); status != kOk) {
    PrintFailure("The MASTER file of " + portfolioDir +
                 " cannot be read: " + DescribeStatus(status));
    return false;
  }
  int caseVariant = -1;
  for (std::size_t i = 0; i < master.records.size(); ++i) {
    const SymbolRow row = GridTexts(master.records[i], static_cast<int>(i));
    if (row.symbol == symbol) {
      out = row;
      return true;
    }
    if (caseVariant < 0 && EqualIgnoringCase(row.symbol, symbol)) caseVariant = row.row;
  }
  if (caseVariant < 0) {
    PrintError(SymbolNotFoundText(symbol, portfolioDir));
    return false;
  }
  out = GridTexts(master.records[static_cast<std::size_t>(caseVariant)], caseVariant);
  return true;
}

bool TypeableDate(const std::string& text) {
  if (text.size() != kDateFieldChars) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool slash = i == 2 || i == 5;
    if (slash ? text[i] != '/' : (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

bool TypeableNumber(const std::string& text, int maxChars) {
  if (text.empty() || text.size() > static_cast<std::size_t>(maxChars)) return false;
  return std::all_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 32 && NumericFieldAcceptsChar(c);
  });
}

}  // namespace voltrim::cli
