#include "browser/grid_text.h"

#include <cmath>
#include <cstring>

#include "text/number_format.h"

namespace voltrim {

namespace {

std::string FieldText(const MasterRecord& record, std::size_t offset, std::size_t size,
                      bool (*endsText)(std::uint8_t)) {
  std::string text;
  for (std::size_t i = offset; i < offset + size; ++i) {
    const std::uint8_t byte = record.bytes[i];
    if (endsText(byte)) break;
    text.push_back(static_cast<char>(byte));
  }
  return text;
}

constexpr int kPriceDecimals = 4;
constexpr int kCountDecimals = 0;

bool EndsSymbol(std::uint8_t byte) { return byte < 0x21 || byte > 0x7F; }
bool EndsName(std::uint8_t byte) { return byte == 0; }

char* WriteNumberCell(char* out, int decimals, float value) {
  if (std::isnan(value) || value < 0.0f) {
    std::memcpy(out, "N/A", 3);
    return out + 3;
  }
  return WriteFixed(out, value, decimals);
}

std::string NumberText(int decimals, float value) {
  char text[kNumberTextMax];
  return std::string(text, WriteNumberCell(text, decimals, value));
}

// XMASTER's dates are stored as the number YYYYMMDD.
DayNumber YyyymmddToDay(std::int32_t date) {
  return date <= 0 ? DayNumber{0} : YmdToDay(date / 10000, date / 100 % 100, date % 100);
}

}  // namespace

std::string SymbolCellText(const MasterRecord& record) {
  return FieldText(record, master_offset::kSymbol, kSymbolFieldSize, EndsSymbol);
}

std::string NameCellText(const MasterRecord& record) {
  return FieldText(record, master_offset::kName, kNameFieldSize, EndsName);
}

SymbolRow MakeSymbolRow(const MasterRecord& record) {
  SymbolRow row;
  row.symbol = SymbolCellText(record);
  row.name = NameCellText(record);
  row.isSubfolder = record.IsSubdirectory();
  if (row.isSubfolder) {
    row.subfolder = record.SubdirectoryName();
  } else {
    row.firstDate = DateFloatToDay(record.FirstDate());
    row.lastDate = DateFloatToDay(record.LastDate());
    row.fileNumber = record.FileNumber();
  }
  if (row.symbol.empty()) {
    row.symbol = row.name;
    row.symbolWasEmpty = true;
  }
  return row;
}

Status ReadSymbolRows(const std::string& masterPath, SymbolRows& out) {
  MasterFile master;
  const Status status = ReadMasterFile(masterPath, master);
  if (status != kOk) return status;

  SymbolRows result;
  result.headerCount = master.header.RecordCount();
  std::size_t wanted = static_cast<std::size_t>(result.headerCount);
  if (result.headerCount > kMaxSymbols) {
    result.countCapped = true;
    wanted = kMaxSymbols;
    if (master.records.size() < wanted) return kDamagedFile;
  } else if (!master.RecordsMatchCount()) {
    // More or fewer records than the header counts: the file is not what it says.
    return kDamagedFile;
  }

  result.rows.reserve(wanted);
  for (std::size_t i = 0; i < wanted; ++i) {
    result.rows.push_back(MakeSymbolRow(master.records[i]));
    result.rows.back().record = static_cast<int>(i);
    result.needsRepair = result.needsRepair || result.rows.back().symbolWasEmpty;
  }
  out = std::move(result);
  return kOk;
}

Status ReadXmasterSymbolRows(std::string_view portfolioDir, std::vector<SymbolRow>& out) {
  out.clear();
  XmasterFile xmaster;
  const Status status = ReadXmasterFile(portfolioDir, xmaster);
  if (status == kFileNotFound || status == kDamagedFile) return kOk;
  if (status != kOk) return status;
  out.reserve(xmaster.records.size());
  for (XmasterRecord& record : xmaster.records) {
    SymbolRow row;
    row.symbol = std::move(record.symbol);
    row.name = std::move(record.name);
    row.index = IndexFile::kXmaster;
    row.record = static_cast<int>(out.size());
    row.firstDate = YyyymmddToDay(record.firstDate);
    row.lastDate = YyyymmddToDay(record.lastDate);
    row.fileNumber = record.fileNumber;
    out.push_back(std::move(row));
  }
  return kOk;
}

std::string PriceCellText(float value) { return NumberText(kPriceDecimals, value); }

std::string CountCellText(float value) { return NumberText(kCountDecimals, value); }

QuoteRowTexts QuoteCellTexts(const Quote& quote) {
  char date[kNumberTextMax];
  return {std::string(date, WriteUserDate(date, quote.date)),
          PriceCellText(quote.open),
          PriceCellText(quote.high),
          PriceCellText(quote.low),
          PriceCellText(quote.close),
          CountCellText(quote.volume),
          CountCellText(quote.openInterest)};
}

char* WriteQuoteCells(char* out, const Quote& quote, char separator) {
  static_assert(kQuoteRowTextMax >= kQuoteColumnCount * kNumberTextMax);
  out = WriteUserDate(out, quote.date);
  for (const float price : {quote.open, quote.high, quote.low, quote.close}) {
    *out++ = separator;
    out = WriteNumberCell(out, kPriceDecimals, price);
  }
  for (const float count : {quote.volume, quote.openInterest}) {
    *out++ = separator;
    out = WriteNumberCell(out, kCountDecimals, count);
  }
  return out;
}

}  // namespace voltrim
