#include "samples/portfolio_builder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "datafiles/format/master.h"
#include "datafiles/io/portfolio_files.h"

namespace voltrim {

namespace {

constexpr const char* kFieldNames[kFieldKindCount] = {"DATE", "TIME",  "OPEN", "HIGH",
                                                      "LOW",  "CLOSE", "VOL",  "OI"};

// Display and input formats the demonstration files carry: prices in hundredths.
int FormatCodeOf(Field field) {
  switch (field) {
    case Field::Open:
    case Field::High:
    case Field::Low:
    case Field::Close:
      return 2;
    default:
      return 0;
  }
}

void PutInt16(std::uint8_t* at, int value) {
  at[0] = static_cast<std::uint8_t>(value & 0xFF);
  at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void PutText(std::uint8_t* at, std::string_view text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    at[i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

int StoredRecordLength(const SeriesSpec& series) {
  return static_cast<int>(series.fields.size()) * 4;
}

// The DATE value of a record, or 0 when the series has no DATE field or the record is short.
float DateValueOf(const SeriesSpec& series, const RawRecord& record) {
  const auto it = std::find(series.fields.begin(), series.fields.end(), Field::Date);
  if (it == series.fields.end()) return 0.0f;
  const auto index = static_cast<std::size_t>(it - series.fields.begin());
  return index < record.size() ? record[index] : 0.0f;
}

MasterBytes SeriesRecordBytes(const SeriesSpec& series) {
  MasterBytes bytes{};
  bytes[master_offset::kFileNumber] = static_cast<std::uint8_t>(series.fileNumber);
  const int length =
      series.recordLengthByte != 0 ? series.recordLengthByte : StoredRecordLength(series);
  const int fields =
      series.fieldCountByte != 0 ? series.fieldCountByte : static_cast<int>(series.fields.size());
  bytes[master_offset::kRecordLength] = static_cast<std::uint8_t>(length);
  bytes[master_offset::kFieldCount] = static_cast<std::uint8_t>(fields);
  PutText(&bytes[master_offset::kName], series.name, kNameFieldSize);
  PutText(&bytes[master_offset::kSymbol], series.symbol, kSymbolFieldSize);
  if (!series.records.empty()) {
    IeeeToMbf(DateValueOf(series, series.records.front()), &bytes[master_offset::kFirstDate]);
    IeeeToMbf(DateValueOf(series, series.records.back()), &bytes[master_offset::kLastDate]);
  }
  bytes[master_offset::kPeriodicity] = static_cast<std::uint8_t>(series.periodicity);
  return bytes;
}

MasterBytes SubdirectoryRecordBytes(const SubdirectorySpec& subdirectory) {
  MasterBytes bytes{};
  std::string name = subdirectory.name.substr(0, 8);
  name.resize(11, ' ');
  name += "<DIR>";
  PutText(&bytes[master_offset::kName], name, kNameFieldSize);
  PutText(&bytes[master_offset::kSymbol], "", kSymbolFieldSize);
  return bytes;
}

bool WriteBytes(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

SeriesSpec MakeDailySeries(int fileNumber, std::string symbol, std::string name,
                           const std::vector<DailyQuote>& quotes, bool writeDop) {
  SeriesSpec series;
  series.fileNumber = fileNumber;
  series.symbol = std::move(symbol);
  series.name = std::move(name);
  series.fields = {Field::Date, Field::Open, Field::High, Field::Low, Field::Close, Field::Vol};
  series.writeDop = writeDop;
  series.records.reserve(quotes.size());
  for (const DailyQuote& q : quotes)
    series.records.push_back({DayToDateValue(q.day), q.open, q.high, q.low, q.close, q.volume});
  return series;
}

std::vector<std::uint8_t> BuildMasterBytes(const PortfolioSpec& plan) {
  const int entryCount = static_cast<int>(plan.entries.size());
  int highest = entryCount;
  for (const auto& entry : plan.entries)
    if (!entry.isSubdirectory) highest = std::max(highest, entry.series.fileNumber);

  std::vector<std::uint8_t> bytes(kMasterRecordSize * (plan.entries.size() + 1), 0);
  PutInt16(bytes.data(), plan.headerRecordCount >= 0 ? plan.headerRecordCount : entryCount);
  PutInt16(bytes.data() + 2,
           plan.headerHighestFileNumber >= 0 ? plan.headerHighestFileNumber : highest);
  std::size_t at = kMasterRecordSize;
  for (const auto& entry : plan.entries) {
    const MasterBytes record = entry.isSubdirectory ? SubdirectoryRecordBytes(entry.subdirectory)
                                                    : SeriesRecordBytes(entry.series);
    std::copy(record.begin(), record.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    at += kMasterRecordSize;
  }
  return bytes;
}

std::vector<std::uint8_t> BuildDatBytes(const SeriesSpec& series) {
  const auto length = static_cast<std::size_t>(StoredRecordLength(series));
  if (length == 0) return {};
  std::vector<std::uint8_t> bytes(length * (series.records.size() + 1), 0);
  PutInt16(bytes.data() + 2, static_cast<int>(series.records.size()) + 1);
  std::size_t at = length;
  for (const RawRecord& record : series.records) {
    for (std::size_t field = 0; field < series.fields.size(); ++field) {
      const float value = field < record.size() ? record[field] : 0.0f;
      IeeeToMbf(value, &bytes[at + field * 4]);
    }
    at += length;
  }
  return bytes;
}

std::string BuildDopText(const SeriesSpec& series) {
  std::string text;
  for (const Field field : series.fields) {
    const int code = FormatCodeOf(field);
    char line[64];
    std::snprintf(line, sizeof line, "\"%s\",%d,%d\r\n", kFieldNames[static_cast<int>(field)], code,
                  code);
    text += line;
  }
  return text;
}

Status WritePortfolio(const std::string& directory, const PortfolioSpec& plan) {
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec) return kFileWrite;
  const std::string dir = WithTrailingSeparator(directory);

  const std::vector<std::uint8_t> master = BuildMasterBytes(plan);
  if (!WriteBytes(dir + "MASTER", master.data(), master.size())) return kFileWrite;
  for (const auto& entry : plan.entries) {
    if (entry.isSubdirectory) continue;
    const SeriesSpec& series = entry.series;
    const std::vector<std::uint8_t> dat = BuildDatBytes(series);
    if (!WriteBytes(dir + DatFileName(series.fileNumber), dat.data(), dat.size()))
      return kFileWrite;
    if (series.writeDop) {
      const std::string dop = BuildDopText(series);
      if (!WriteBytes(dir + DopFileName(series.fileNumber), dop.data(), dop.size()))
        return kFileWrite;
    }
  }
  return kOk;
}

}  // namespace voltrim
