// DAT reading: layouts (DOP or inferred, the 20-byte rule and intraday), window rules,
// short and damaged files and FindQuote, from memory so that runs are fast. The lookup
// and the file paths themselves are fuzzed by fuzz_portfolio.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "datafiles/format/series.h"

namespace {

// The DAT bytes as a read-only stream, as the readers get from a file.
std::FILE* Stream(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return std::fopen("/dev/null", "rb");
  return fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  // Byte 0: field count (record length 4 x that, as LocateSeries requires); byte 1: bit 0
  // a DOP file naming DATE, TIME, OPEN, CLOSE, bit 1 intraday; 2-5: start and count;
  // 6-7: day and time looked for; 8 onward: the DAT file.
  voltrim::SeriesLocation location;
  location.fieldCount = data[0] % 24;
  location.recordLength = 4 * location.fieldCount;
  const std::uint8_t* dat = data + 8;
  const std::size_t datSize = size - 8;
  if (data[1] & 1) {
    if (voltrim::ParseDopText("\"DATE\",0,0\n\"TIME\",0,0\n\"OPEN\",0,0\n\"CLOSE\",2,2\n",
                              location.layout) != voltrim::kOk)
      __builtin_trap();
  } else {
    const std::size_t length = static_cast<std::size_t>(location.recordLength);
    const std::uint8_t* firstQuote = datSize >= 2 * length && length > 0 ? dat + length : nullptr;
    if (voltrim::InferColumnLayout(location.recordLength, firstQuote, location.layout,
                                   (data[1] & 2) != 0) != voltrim::kOk)
      return 0;
  }
  if (voltrim::CheckColumnLayout(location.layout, location.fieldCount) != voltrim::kOk) return 0;

  const auto start = static_cast<std::int16_t>(data[2] | (data[3] << 8));
  const auto count = static_cast<std::int16_t>(data[4] | (data[5] << 8));
  // A small window still meets every clamp of the window rules, and keeps each run short.
  static voltrim::SeriesBuffer buffer;
  static const bool allocated = voltrim::AllocSeriesBuffer(buffer, 64) == voltrim::kOk;
  if (!allocated) return 0;
  // One reader for the whole run, so that its read-ahead block is allocated once.
  static voltrim::SeriesReader reader;
  if (reader.OpenStream(Stream(dat, datSize), location) == voltrim::kOk) {
    if (reader.Read(buffer, start, count) == voltrim::kOk) {
      if (buffer.Count() < 0 || buffer.Count() > buffer.Capacity()) __builtin_trap();
      for (int i = 0; i < buffer.Count(); ++i) (void)buffer.At(i);
    }
    // A second window from the same open file goes through the read-ahead.
    // (A count of 0 only learns the total and leaves the buffer's count as it was.)
    if (reader.Read(buffer, -1, count) == voltrim::kOk && count != 0) {
      if (buffer.Count() > reader.Total()) __builtin_trap();
    }
  }
  voltrim::DayNumber day = 0;
  voltrim::PackedTime time = 0;
  const int found = voltrim::FindQuoteIn(
      Stream(dat, datSize), location, static_cast<voltrim::DayNumber>(data[6] * 257u),
      static_cast<voltrim::PackedTime>(data[7] * 331u), &day, &time);
  // An index found lies within the series.
  if (found >= 0 && found >= reader.Total() && reader.IsOpen()) __builtin_trap();
  return 0;
}
