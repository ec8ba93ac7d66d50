#include "datafiles/format/xmaster.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <utility>

#include "datafiles/format/ascii_case.h"
#include "datafiles/format/master_image.h"
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

void PutUint16(std::uint8_t* at, int value) {
  at[0] = static_cast<std::uint8_t>(value & 0xFF);
  at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void PutText(std::uint8_t* at, std::size_t width, std::string_view text) {
  std::memset(at, 0, width);
  std::memcpy(at, text.data(), std::min(width - 1, text.size()));
}

bool HasNul(const std::uint8_t* at, std::size_t width) {
  return std::find(at, at + width, std::uint8_t{0}) != at + width;
}

// A YYYYMMDD number as MASTER's MBF date bytes; zero bytes for anything that is no date.
MbfBytes MasterDateOf(std::int32_t yyyymmdd) {
  if (yyyymmdd < 19000101 || yyyymmdd > 20991231) return MbfBytes{};
  return IeeeToMbf(static_cast<float>(yyyymmdd - 19000000));
}

// The bit each field has in XMASTER's field mask.
constexpr std::pair<Field, std::uint8_t> kMaskBits[] = {
    {Field::Date, 0x01}, {Field::High, 0x02}, {Field::Low, 0x04}, {Field::Close, 0x08},
    {Field::Vol, 0x10},  {Field::Open, 0x20}, {Field::Oi, 0x40},  {Field::Time, 0x80},
};

}  // namespace

XmasterRecord DecodeXmasterRecord(const std::uint8_t* at) {
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

MasterRecord MasterRecordFor(const XmasterRecord& x) {
  MasterRecord record;
  record.SetFileNumber(0);
  // As the real MASTER files hold it in every record.
  record.bytes[1] = 101;
  record.bytes[master_offset::kRecordLength] = static_cast<std::uint8_t>(4 * x.fieldCount);
  record.bytes[master_offset::kFieldCount] = static_cast<std::uint8_t>(x.fieldCount);
  record.SetNameField(std::string_view(x.name).substr(0, kNameFieldSize));
  record.SetSymbolField(std::string_view(x.symbol).substr(0, kSymbolFieldSize));
  record.SetFirstDate(MasterDateOf(x.firstDate));
  record.SetLastDate(MasterDateOf(x.lastDate));
  record.bytes[master_offset::kPeriodicity] = static_cast<std::uint8_t>(x.periodicity);
  return record;
}

std::uint8_t XmasterFieldMask(const ColumnLayout& layout) {
  std::uint8_t mask = 0;
  for (const auto& [field, bit] : kMaskBits) {
    if (layout.Has(field)) mask = static_cast<std::uint8_t>(mask | bit);
  }
  return mask;
}

std::int32_t XmasterDateOf(DayNumber day) {
  if (day == 0) return 0;
  const Ymd ymd = DayToYmd(day);
  return (1900 + ymd.year) * 10000 + ymd.month * 100 + ymd.day;
}

DayNumber DayOfXmasterDate(std::int32_t yyyymmdd) {
  if (yyyymmdd < 19000101 || yyyymmdd > 20991231) return 0;
  return YmdToDay(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

std::vector<std::uint8_t> XmasterRecordFor(const MasterRecord& record, const ColumnLayout& layout,
                                           std::string_view longName) {
  std::vector<std::uint8_t> x(kXmasterRecordSize, 0);
  x[xmaster_offset::kKind] = 1;
  PutXmasterSymbol(x.data(), SymbolText(record.bytes.data()));
  PutXmasterName(x.data(), longName.empty() ? record.Name() : longName);
  x[xmaster_offset::kPeriodicity] = static_cast<std::uint8_t>(record.Periodicity());
  const std::uint8_t mask = XmasterFieldMask(layout);
  const int fields = record.FieldCount();
  // A layout that does not name every stored field keeps at least the count right.
  x[xmaster_offset::kFieldMask] =
      std::popcount(static_cast<unsigned>(mask)) == fields
          ? mask
          : static_cast<std::uint8_t>(fields >= 8 ? 0xFF : (1 << fields) - 1);
  const auto dateOf = [](float value) {
    return value > 0.0f && value < 2.0e6f ? static_cast<std::int32_t>(value) + 19000000 : 0;
  };
  const std::int32_t first = dateOf(record.FirstDate());
  // Where the data begins, as the real files hold it beside the first date.
  PutXmasterDate(x.data(), 104, first);
  PutXmasterDate(x.data(), xmaster_offset::kFirstDate, first);
  PutXmasterDate(x.data(), xmaster_offset::kLastDate, dateOf(record.LastDate()));
  return x;
}

void PutXmasterSymbol(std::uint8_t* record, std::string_view symbol) {
  PutText(record + xmaster_offset::kSymbol, kXmasterSymbolSize, symbol);
}

void PutXmasterName(std::uint8_t* record, std::string_view name) {
  PutText(record + xmaster_offset::kName, kXmasterNameSize, name);
}

void PutXmasterDate(std::uint8_t* record, std::size_t offset, std::int32_t yyyymmdd) {
  const auto bits = static_cast<std::uint32_t>(yyyymmdd);
  for (std::size_t i = 0; i < 4; ++i)
    record[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

void PutXmasterFileNumber(std::uint8_t* record, int fileNumber) {
  PutUint16(record + xmaster_offset::kFileNumber, fileNumber);
}

std::string XmasterPathIn(std::string_view directory) {
  return ResolveInDirectory(directory, "XMASTER");
}

int XmasterImage::HeaderField(std::size_t offset) const {
  return bytes.size() < offset + 2 ? 0 : GetUint16(bytes.data() + offset);
}

void XmasterImage::SetHeaderField(std::size_t offset, int value) {
  PutUint16(bytes.data() + offset, value);
}

Status CheckXmasterImage(const XmasterImage& image) {
  if (image.bytes.size() < kXmasterRecordSize) return kDamagedFile;
  const int count = image.RecordCount();
  // Read as signed 16 bits, as every other count of the format.
  if (count >= 0x8000 || image.HeaderField(xmaster_offset::kRecordCountAgain) != count)
    return kDamagedFile;
  if (image.bytes.size() != XmasterImage::Offset(count)) return kDamagedFile;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* record = image.Record(i);
    if (GetUint16(record + xmaster_offset::kFileNumber) < kFirstXmasterFileNumber ||
        !HasNul(record + xmaster_offset::kSymbol, kXmasterSymbolSize) ||
        !HasNul(record + xmaster_offset::kName, kXmasterNameSize))
      return kDamagedFile;
  }
  return kOk;
}

Status ReadXmasterImage(std::string_view portfolioDir, XmasterImage& out) {
  out.bytes.clear();
  const std::string path = XmasterPathIn(portfolioDir);
  if (!file_ops::NameExists(path)) return kFileNotFound;
  const Status status = ReadWholeFile(path, out.bytes, kMaxPortfolioFileBytes);
  if (status != kOk) return status;
  return CheckXmasterImage(out);
}

Status LocateXmasterRecordSeries(std::string_view portfolioDir, const XmasterRecord& record,
                                 SeriesLocation& out, const FolderNames* names) {
  out = SeriesLocation{};
  // MASTER's view of the series carries file number 0, so that no write of MASTER's
  // records can take it for one of them.
  out.found.record = MasterRecordFor(record);
  out.found.directory = WithTrailingSeparator(portfolioDir);
  out.fieldCount = record.fieldCount;
  out.recordLength = 4 * record.fieldCount;
  if (out.fieldCount < 1 || out.fieldCount > kMaxFieldCount) return kDamagedFile;
  const auto resolve = [&](const std::string& name) {
    return names != nullptr ? names->Resolve(name) : ResolveInDirectory(portfolioDir, name);
  };
  out.datPath = resolve(MwdFileName(record.fileNumber));
  out.dopPath = resolve(DopFileName(record.fileNumber));
  // Without a DOP file the first quote decides a 20-byte layout, as for DAT files.
  const Status layout = ReadColumnLayoutOf(out.dopPath, out.datPath, out.recordLength, out.layout,
                                           record.periodicity == 'I');
  if (layout != kOk) return layout;
  return CheckColumnLayout(out.layout, out.fieldCount);
}

Status LocateXmasterSeries(std::string_view portfolioDir, std::string_view symbol,
                           XmasterSeries& out) {
  out = XmasterSeries{};
  XmasterFile xmaster;
  if (ReadXmasterFile(portfolioDir, xmaster) != kOk) return kFileNotFound;
  const auto hit =
      std::find_if(xmaster.records.begin(), xmaster.records.end(),
                   [&](const XmasterRecord& r) { return XmasterRecordMatches(r, symbol); });
  if (hit == xmaster.records.end()) return kFileNotFound;
  out.record = *hit;
  out.index = static_cast<int>(hit - xmaster.records.begin());
  return LocateXmasterRecordSeries(portfolioDir, *hit, out.location);
}

Status ParseXmasterBytes(const std::uint8_t* data, std::size_t size, XmasterFile& out) {
  out = XmasterFile{};
  if (size < kXmasterRecordSize) return kDamagedFile;
  out.countedRecords = GetUint16(data + xmaster_offset::kRecordCount);
  const std::size_t present = size / kXmasterRecordSize - 1;
  const std::size_t wanted = std::min(static_cast<std::size_t>(out.countedRecords), present);
  out.records.reserve(wanted);
  for (std::size_t i = 0; i < wanted; ++i)
    out.records.push_back(DecodeXmasterRecord(data + (i + 1) * kXmasterRecordSize));
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

std::string MwdFileName(int fileNumber) { return NumberedFileName(".MWD", fileNumber); }

bool XmasterRecordMatches(const XmasterRecord& record, std::string_view text) {
  return !text.empty() &&
         (EqualIgnoringAsciiCase(record.symbol, text) || EqualIgnoringAsciiCase(record.name, text));
}

XmasterNames::XmasterNames(const XmasterImage& image) {
  // From the last record to the first, so that the first of equal names is kept.
  for (int i = image.RecordCount() - 1; i >= 0; --i) {
    const XmasterRecord record = DecodeXmasterRecord(image.Record(i));
    if (!record.symbol.empty()) bySymbol_[UpperAscii(record.symbol)] = i;
    if (!record.name.empty()) byName_[UpperAscii(record.name)] = i;
  }
}

int XmasterNames::Find(std::string_view text) const {
  const std::string key = UpperAscii(text);
  int at = -1;
  if (const auto hit = bySymbol_.find(key); hit != bySymbol_.end()) at = hit->second;
  if (const auto hit = byName_.find(key); hit != byName_.end())
    at = at < 0 ? hit->second : std::min(at, hit->second);
  return at;
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
  if (hit == xmaster.records.end() ||
      LocateXmasterRecordSeries(portfolioDir, *hit, location) != kOk)
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
  facts.indexFile = "XMASTER";
  facts.dataFile = MwdFileName(hit->fileNumber);
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
  XmasterSeries series;
  const Status xmaster = LocateXmasterSeries(portfolioDir, symbol, series);
  if (xmaster == kFileNotFound) return status;
  out = std::move(series.location);
  return xmaster;
}

}  // namespace voltrim
