#include "datafiles/format/xmaster.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/replace_file.h"

namespace voltrim {

namespace {

int GetUint16(const std::uint8_t* at) { return at[0] | (at[1] << 8); }

std::int32_t GetInt32(const std::uint8_t* at) {
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | at[i];
  return static_cast<std::int32_t>(bits);
}

std::string GetText(const std::uint8_t* at, std::size_t width) {
  const auto* begin = reinterpret_cast<const char*>(at);
  return std::string(begin, std::find(begin, begin + width, '\0'));
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

XmasterRecord DecodeRecord(const std::uint8_t* at) {
  XmasterRecord record;
  record.symbol = GetText(at + xmaster_offset::kSymbol, kXmasterSymbolSize);
  record.name = GetText(at + xmaster_offset::kName, kXmasterNameSize);
  record.periodicity = static_cast<char>(at[xmaster_offset::kPeriodicity]);
  record.fileNumber = GetUint16(at + xmaster_offset::kFileNumber);
  record.fieldCount = std::popcount(static_cast<unsigned>(at[xmaster_offset::kFieldMask]));
  record.firstDate = GetInt32(at + xmaster_offset::kFirstDate);
  record.lastDate = GetInt32(at + xmaster_offset::kLastDate);
  return record;
}

// A YYYYMMDD number as MASTER's MBF date bytes; zero bytes for anything that is no date.
MbfBytes MasterDateOf(std::int32_t yyyymmdd) {
  if (yyyymmdd < 19000101 || yyyymmdd > 20991231) return MbfBytes{};
  return IeeeToMbf(static_cast<float>(yyyymmdd - 19000000));
}

// What a MASTER record would hold for an XMASTER series (texts cut to MASTER's widths).
MasterRecord AsMasterRecord(const XmasterRecord& x) {
  MasterRecord record;
  record.SetFileNumber(0);
  record.bytes[master_offset::kRecordLength] = static_cast<std::uint8_t>(4 * x.fieldCount);
  record.bytes[master_offset::kFieldCount] = static_cast<std::uint8_t>(x.fieldCount);
  record.SetNameField(std::string_view(x.name).substr(0, kNameFieldSize));
  record.SetSymbolField(std::string_view(x.symbol).substr(0, kSymbolFieldSize));
  record.SetFirstDate(MasterDateOf(x.firstDate));
  record.SetLastDate(MasterDateOf(x.lastDate));
  record.bytes[master_offset::kPeriodicity] = static_cast<std::uint8_t>(x.periodicity);
  return record;
}

Status LocateXmasterSeries(std::string_view portfolioDir, std::string_view symbol,
                           SeriesLocation& out) {
  out = SeriesLocation{};
  XmasterFile xmaster;
  if (ReadXmasterFile(portfolioDir, xmaster) != kOk) return kFileNotFound;
  const auto hit =
      std::find_if(xmaster.records.begin(), xmaster.records.end(),
                   [&](const XmasterRecord& r) { return XmasterRecordMatches(r, symbol); });
  if (hit == xmaster.records.end()) return kFileNotFound;
  out.found.record = AsMasterRecord(*hit);
  out.found.directory = WithTrailingSeparator(portfolioDir);
  out.fieldCount = hit->fieldCount;
  out.recordLength = 4 * hit->fieldCount;
  if (out.fieldCount < 1 || out.fieldCount > kMaxFieldCount) return kDamagedFile;
  out.datPath = ResolveInDirectory(portfolioDir, MwdFileName(hit->fileNumber));
  out.dopPath = ResolveInDirectory(portfolioDir, DopFileName(hit->fileNumber));
  // Without a DOP file the first quote decides a 20-byte layout, as for DAT files.
  const Status layout = ReadColumnLayoutOf(out.dopPath, out.datPath, out.recordLength, out.layout,
                                           hit->periodicity == 'I');
  if (layout != kOk) return layout;
  return CheckColumnLayout(out.layout, out.fieldCount);
}

}  // namespace

Status ParseXmasterBytes(const std::uint8_t* data, std::size_t size, XmasterFile& out) {
  out = XmasterFile{};
  if (size < kXmasterRecordSize) return kDamagedFile;
  out.countedRecords = GetUint16(data + xmaster_offset::kRecordCount);
  const std::size_t present = size / kXmasterRecordSize - 1;
  const std::size_t wanted = std::min(static_cast<std::size_t>(out.countedRecords), present);
  out.records.reserve(wanted);
  for (std::size_t i = 0; i < wanted; ++i)
    out.records.push_back(DecodeRecord(data + (i + 1) * kXmasterRecordSize));
  return kOk;
}

Status ReadXmasterFile(std::string_view portfolioDir, XmasterFile& out) {
  out = XmasterFile{};
  const std::string path = ResolveInDirectory(portfolioDir, "XMASTER");
  if (!file_ops::Exists(path)) return kFileNotFound;
  std::vector<std::uint8_t> bytes;
  const Status status = ReadWholeFile(path, bytes, kMaxPortfolioFileBytes);
  if (status != kOk) return status;
  return ParseXmasterBytes(bytes.data(), bytes.size(), out);
}

std::string MwdFileName(int fileNumber) {
  // Formatted in place: g++ 12 warns of an impossible overlap when "F" + std::to_string is
  // inlined in the optimised build.
  char name[24];
  std::snprintf(name, sizeof name, "F%d.MWD", fileNumber);
  return name;
}

bool XmasterRecordMatches(const XmasterRecord& record, std::string_view text) {
  return !text.empty() &&
         (EqualIgnoringCase(record.symbol, text) || EqualIgnoringCase(record.name, text));
}

Status XmasterListsSymbol(std::string_view portfolioDir, std::string_view text, bool& listed) {
  listed = false;
  XmasterFile xmaster;
  const Status status = ReadXmasterFile(portfolioDir, xmaster);
  // Missing or too short to hold a record, it lists nothing.
  if (status == kFileNotFound || status == kDamagedFile) return kOk;
  if (status != kOk) return status;
  listed = std::any_of(xmaster.records.begin(), xmaster.records.end(),
                       [&](const XmasterRecord& r) { return XmasterRecordMatches(r, text); });
  return kOk;
}

int GetXmasterSeriesFacts(std::string_view portfolioDir, std::string_view symbol,
                          SeriesFacts& out) {
  XmasterFile xmaster;
  if (ReadXmasterFile(portfolioDir, xmaster) != kOk) return kFactsUnavailable;
  const auto hit =
      std::find_if(xmaster.records.begin(), xmaster.records.end(),
                   [&](const XmasterRecord& r) { return XmasterRecordMatches(r, symbol); });
  SeriesLocation location;
  if (hit == xmaster.records.end() || LocateXmasterSeries(portfolioDir, symbol, location) != kOk)
    return kFactsUnavailable;
  std::int16_t lastRecord = 0;
  if (ReadDatLastRecord(location.datPath, lastRecord) != kOk) return kFactsUnavailable;
  SeriesFacts facts;
  facts.path = std::string(portfolioDir);
  facts.fileNumber = hit->fileNumber;
  facts.recordLength = location.recordLength;
  facts.fieldCount = location.fieldCount;
  facts.quoteCount = static_cast<std::int16_t>(lastRecord - 1);
  facts.name = hit->name;
  facts.firstDate = MbfToIeee(MasterDateOf(hit->firstDate));
  facts.lastDate = MbfToIeee(MasterDateOf(hit->lastDate));
  facts.periodicity = PeriodicityText(hit->periodicity);
  facts.symbol = hit->symbol;
  for (std::size_t i = 0; i < kFieldKindCount; ++i) {
    const ColumnField& field = location.layout.fields[i];
    if (field.position == 0) continue;
    facts.inputFormat[i] = FormatCodeName(field.inputFormat);
    facts.displayFormat[i] = FormatCodeName(field.displayFormat);
  }
  AddIntradayFacts(location, facts);
  out = std::move(facts);
  return kFactsFound;
}

Status LocateAnySeries(std::string_view portfolioDir, std::string_view symbol,
                       SeriesLocation& out) {
  const Status status = LocateSeries(portfolioDir, symbol, out);
  if (status != kFileNotFound) return status;
  const Status xmaster = LocateXmasterSeries(portfolioDir, symbol, out);
  return xmaster == kFileNotFound ? status : xmaster;
}

}  // namespace voltrim
