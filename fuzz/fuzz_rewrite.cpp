// The write path over untrusted series: a fuzzed DAT rewritten with every field scaled by 1
// must read back equal, or the rewrite must refuse and leave the file byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/io/memory_files.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/rewrite_series.h"
#include "samples/portfolio_builder.h"

namespace {

// Every quote's values as read from the stream; a NaN stands as a NaN of its own, and zero
// has one sign (a stored value too small for a float reads as a zero of either sign and is
// written back as zero).
bool ReadAll(std::FILE* stream, const voltrim::SeriesLocation& location,
             std::vector<std::uint32_t>& out) {
  out.clear();
  // Buffers live for the whole run: allocating 2000 quotes' worth per input dominated it.
  static voltrim::SeriesBuffer buffer;
  static const bool allocated = voltrim::AllocSeriesBuffer(buffer, 2000) == voltrim::kOk;
  static voltrim::SeriesReader reader;
  if (!allocated || stream == nullptr) return false;
  const bool read = reader.OpenStream(stream, location) == voltrim::kOk &&
                    reader.Read(buffer, 0, -1) == voltrim::kOk;
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
  return read;
}

std::FILE* MemoryStream(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return std::fopen("/dev/null", "rb");
  return fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Byte 0: field count (record length 4 x that); byte 1: bit 0 a DOP naming DATE, TIME,
  // OPEN, CLOSE, bit 1 intraday; the rest is the DAT file, at most 2000 quotes' worth.
  if (size < 2 || size > 2 + 1000 * 4 * 8) return 0;
  // The folder lives in memory files: the same reading and writing code as on disk (the
  // replace protocol included), without a system call. Made and dropped within the run, so
  // that libFuzzer's count of allocations balances and it does not look for a leak after
  // every input.
  voltrim::file_ops::MemoryFiles files;
  const voltrim::file_ops::MemoryFilesScope scope(files);
  const std::string dir = "/rewrite";
  files.MakeFolder(dir);
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
  const auto master = voltrim::BuildMasterBytes(plan);
  files.PutFile(dir + "/MASTER", master.data(), master.size());
  if (data[1] & 1) {
    static const std::string dop = "\"DATE\",0,0\n\"TIME\",0,0\n\"OPEN\",0,0\n\"CLOSE\",2,2\n";
    files.PutFile(dir + "/F1.DOP", reinterpret_cast<const std::uint8_t*>(dop.data()), dop.size());
  }
  files.PutFile(dir + "/F1.DAT", data + 2, size - 2);

  // The layout comes from the files as the rewrite sees them; the series itself is read
  // from memory before and from the file after.
  voltrim::SeriesLocation location;
  std::vector<std::uint32_t> before, after;
  const bool located = voltrim::LocateSeries(dir, "S", location) == voltrim::kOk;
  const bool readable = located && ReadAll(MemoryStream(data + 2, size - 2), location, before);
  voltrim::SeriesEdit edit;
  edit.kind = voltrim::edit_kind::kScale;
  edit.firstDay = 0;
  edit.lastDay = 65535;
  edit.values = {1, 1, 1, 1, 1, 1};
  const voltrim::Status status = voltrim::RewriteSeries(edit, dir, "S");
  std::vector<std::uint8_t> stored;
  (void)voltrim::ReadWholeFile(dir + "/F1.DAT", stored, voltrim::kMaxPortfolioFileBytes);
  if (status != voltrim::kOk) {
    if (stored != std::vector<std::uint8_t>(data + 2, data + size)) __builtin_trap();
    return 0;
  }
  // A rewrite that succeeded was of a series that could be read, and reads back the same.
  if (!readable || !ReadAll(MemoryStream(stored.data(), stored.size()), location, after) ||
      after != before)
    __builtin_trap();
  return 0;
}
