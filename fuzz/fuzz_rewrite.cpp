// The write path over untrusted series: a fuzzed DAT rewritten with every field scaled by 1
// must read back equal, or the rewrite must refuse and leave the file byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "datafiles/portfolio_builder.h"
#include "datafiles/rewrite_series.h"
#include "datafiles/series.h"
#include "scratch_folder.h"

namespace {

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  std::uint8_t chunk[1 << 14];
  for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;)
    bytes.insert(bytes.end(), chunk, chunk + got);
  ::close(fd);
  return bytes;
}

// Every quote's values as read; a NaN stands as a NaN of its own, and zero has one sign
// (a stored value too small for a float reads as a zero of either sign and is written
// back as zero).
bool ReadAll(const std::string& dir, std::vector<std::uint32_t>& out) {
  out.clear();
  voltrim::SeriesBuffer buffer;
  if (voltrim::AllocSeriesBuffer(buffer, 2000) != voltrim::kOk) return false;
  const bool read = voltrim::ReadSeries(buffer, dir, "S", 0, -1) == voltrim::kOk;
  for (int i = 0; read && i < buffer.Count(); ++i) {
    const voltrim::Quote q = buffer.At(i);
    out.push_back(q.date);
    out.push_back(q.time);
    for (float v : {q.open, q.high, q.low, q.close, q.volume, q.openInterest}) {
      if (v == 0.0f) v = 0.0f;
      std::uint32_t bits;
      std::memcpy(&bits, &v, sizeof bits);
      out.push_back(v != v ? 0x7FC00000u : bits);
    }
  }
  voltrim::FreeSeriesBuffer(buffer);
  return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Byte 0: field count (record length 4 x that); byte 1: bit 0 a DOP naming DATE, TIME,
  // OPEN, CLOSE, bit 1 intraday; the rest is the DAT file, at most 2000 quotes' worth.
  if (size < 2 || size > 2 + 1000 * 4 * 8) return 0;
  static const std::string dir = fuzzing::ScratchFolder("voltrim-fuzz-rewrite");
  voltrim::SeriesSpec series;
  series.symbol = "S";
  series.fields = {voltrim::Field::Date};
  series.periodicity = (data[1] & 2) ? 'I' : 'D';
  series.fieldCountByte = data[0] == 0 ? 0x100 : data[0];
  series.recordLengthByte = (4 * data[0]) & 0xFF ? (4 * data[0]) & 0xFF : 0x100;
  series.writeDop = false;
  voltrim::PortfolioSpec plan;
  plan.entries.resize(1);
  plan.entries[0].series = series;
  static std::vector<std::uint8_t> masterBytes;
  const auto master = voltrim::BuildMasterBytes(plan);
  if (master != masterBytes) {
    fuzzing::PutFile(dir + "/MASTER", master.data(), master.size());
    masterBytes = master;
  }
  fuzzing::DropFile(dir + "/F1.BAK");
  fuzzing::PutFile(dir + "/F1.DAT", data + 2, size - 2);
  const std::string dop = "\"DATE\",0,0\n\"TIME\",0,0\n\"OPEN\",0,0\n\"CLOSE\",2,2\n";
  if (data[1] & 1)
    fuzzing::PutFile(dir + "/F1.DOP", reinterpret_cast<const std::uint8_t*>(dop.data()),
                     dop.size());
  else
    fuzzing::DropFile(dir + "/F1.DOP");

  std::vector<std::uint32_t> before, after;
  const bool readable = ReadAll(dir, before);
  const std::vector<std::uint8_t> stored = FileBytes(dir + "/F1.DAT");
  voltrim::SeriesEdit edit;
  edit.kind = voltrim::edit_kind::kScale;
  edit.firstDay = 0;
  edit.lastDay = 65535;
  edit.values = {1, 1, 1, 1, 1, 1};
  const voltrim::Status status =
      voltrim::RewriteSeries(edit, dir, "S", static_cast<int>(before.size() / 8));
  if (status != voltrim::kOk) {
    if (FileBytes(dir + "/F1.DAT") != stored) __builtin_trap();
    return 0;
  }
  // A rewrite that succeeded was of a series that could be read, and reads back the same.
  if (!readable || !ReadAll(dir, after) || after != before) __builtin_trap();
  return 0;
}
