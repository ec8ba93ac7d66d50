// DAT reading: window rules, short and damaged files, the 20-byte inference and FindQuote,
// through the real file path (the input is written as a one-series portfolio).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "datafiles/portfolio_builder.h"
#include "datafiles/series.h"

namespace {

// Never destroyed, so the exit handler can still read it.
std::string& PortfolioPath() {
  static auto* path = new std::string;
  return *path;
}

void RemovePortfolio() {
  std::error_code ec;
  std::filesystem::remove_all(PortfolioPath(), ec);
}

const std::string& Portfolio() {
  static const std::string dir = [] {
    // Memory-backed when there is such a place: every run rewrites the files.
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    const auto path = base / ("voltrim-fuzz-dat-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    std::atexit(RemovePortfolio);
    return PortfolioPath() = path.string();
  }();
  return dir;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  // Bytes 0-1: record length and field count bytes of the MASTER record; 2-5: start and
  // count; 6: whether a DOP file names every field; 7 onward: the DAT file.
  voltrim::SeriesSpec series;
  series.symbol = "S";
  series.fields = {voltrim::Field::Date};
  series.recordLengthByte = data[0] == 0 ? 0x100 : data[0];
  series.fieldCountByte = data[1] == 0 ? 0x100 : data[1];
  series.writeDop = false;
  voltrim::PortfolioSpec plan;
  plan.entries.resize(1);
  plan.entries[0].series = series;
  const std::string& dir = Portfolio();
  const auto master = voltrim::BuildMasterBytes(plan);
  WriteFile(dir + "/MASTER", master.data(), master.size());
  WriteFile(dir + "/F1.DAT", data + 7, size - 7);
  const std::string dop = "\"DATE\",0,0\n\"TIME\",0,0\n\"OPEN\",0,0\n\"CLOSE\",2,2\n";
  if (data[6] & 1)
    WriteFile(dir + "/F1.DOP", reinterpret_cast<const std::uint8_t*>(dop.data()), dop.size());
  else
    std::filesystem::remove(dir + "/F1.DOP");

  const auto start = static_cast<std::int16_t>(data[2] | (data[3] << 8));
  const auto count = static_cast<std::int16_t>(data[4] | (data[5] << 8));
  voltrim::SeriesBuffer buffer;
  if (voltrim::AllocSeriesBuffer(buffer, 500) != voltrim::kOk) return 0;
  if (voltrim::ReadSeries(buffer, dir, "S", start, count) == voltrim::kOk) {
    if (buffer.Count() < 0 || buffer.Count() > buffer.Capacity()) __builtin_trap();
    for (int i = 0; i < buffer.Count(); ++i) (void)buffer.At(i);
  }
  voltrim::DayNumber day = 0;
  voltrim::PackedTime time = 0;
  const int found = voltrim::FindQuote(dir, "S", static_cast<voltrim::DayNumber>(start),
                                       static_cast<voltrim::PackedTime>(count), &day, &time);
  (void)found;
  return 0;
}
