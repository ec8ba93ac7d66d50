#pragma once

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/format/emaster.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/xmaster.h"
#include "fixtures.h"

namespace voltrim::testing {

// An EMASTER that mirrors the given MASTER record for record; each long name is the name
// followed by " LONG", so that a test can tell a kept long name from a rewritten one.
inline Bytes BuildEmasterBytes(const Bytes& masterBytes) {
  const MasterImage master{masterBytes};
  Bytes out(kEmasterRecordSize, 0);
  std::memcpy(out.data(), masterBytes.data(), 4);  // count and highest file number
  for (int i = 0; i < master.RecordCount(); ++i) {
    std::vector<std::uint8_t> record = EmasterRecordFor(master.Record(i));
    const std::string longName = DecodeEmasterRecord(record.data()).name + " LONG";
    std::memcpy(record.data() + emaster_offset::kLongName, longName.data(), longName.size());
    out.insert(out.end(), record.begin(), record.end());
  }
  return out;
}

inline void WriteMirroringEmaster(const std::filesystem::path& dir) {
  WriteFileBytes(dir / "EMASTER", BuildEmasterBytes(ReadFileBytes(dir / "MASTER")));
}

struct XmasterSpec {
  int fileNumber;
  std::string symbol;
  std::string name;
};

inline void PutLittleEndian(Bytes& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

// An XMASTER listing daily six-field series (Date, Open, High, Low, Close, Vol).
inline Bytes BuildXmasterBytes(const std::vector<XmasterSpec>& series, int countOverride = -1) {
  Bytes out(kXmasterRecordSize, 0);
  out[0] = 0x5D;
  out[1] = 0xFE;
  out[2] = 'X';
  out[3] = 'M';
  const auto count = static_cast<std::uint32_t>(
      countOverride >= 0 ? countOverride : static_cast<int>(series.size()));
  PutLittleEndian(out, xmaster_offset::kRecordCount, count, 2);
  // As the real files: the count twice, then one above the highest file number.
  PutLittleEndian(out, xmaster_offset::kRecordCountAgain, count, 2);
  int highest = kFirstXmasterFileNumber - 1;
  for (const XmasterSpec& s : series) highest = std::max(highest, s.fileNumber);
  PutLittleEndian(out, xmaster_offset::kNextFileNumber, static_cast<std::uint32_t>(highest + 1), 2);
  for (const XmasterSpec& s : series) {
    Bytes record(kXmasterRecordSize, 0);
    record[0] = 1;
    std::memcpy(record.data() + xmaster_offset::kSymbol, s.symbol.data(), s.symbol.size());
    std::memcpy(record.data() + xmaster_offset::kName, s.name.data(), s.name.size());
    record[xmaster_offset::kPeriodicity] = 'D';
    PutLittleEndian(record, xmaster_offset::kFileNumber, static_cast<std::uint32_t>(s.fileNumber),
                    2);
    record[xmaster_offset::kFieldMask] = 0x3F;
    PutLittleEndian(record, xmaster_offset::kFirstDate, 20000103, 4);
    PutLittleEndian(record, xmaster_offset::kLastDate, 20000105, 4);
    out.insert(out.end(), record.begin(), record.end());
  }
  return out;
}

// 255 series in MASTER (M1..M255, files F1..F255) and `extra` more in XMASTER (X256...,
// stored in F256.MWD ...), each of 3 quotes whose closes tell the series apart.
inline std::string WriteWideFolder(const std::filesystem::path& dir, int extra) {
  std::vector<PortfolioSpec::Entry> entries;
  for (int n = 1; n <= kMaxSymbols; ++n)
    entries.push_back(
        SeriesEntry(MakeDailySeries(n, "M" + std::to_string(n), "MASTER " + std::to_string(n),
                                    Quotes(3, Day(2000, 1, 3), static_cast<float>(n)))));
  Write(dir, Portfolio(std::move(entries)));
  std::vector<XmasterSpec> listed;
  for (int n = 256; n < 256 + extra; ++n) {
    const std::string symbol = "X" + std::to_string(n);
    listed.push_back({n, symbol, "EXTENDED SERIES NUMBER " + std::to_string(n)});
    const SeriesSpec series =
        MakeDailySeries(n, symbol, symbol, Quotes(3, Day(2000, 1, 3), static_cast<float>(n)),
                        /*writeDop=*/false);
    WriteFileBytes(dir / MwdFileName(n), BuildDatBytes(series));
  }
  WriteFileBytes(dir / "XMASTER", BuildXmasterBytes(listed));
  return dir.string();
}

}  // namespace voltrim::testing
