// The pieces of the whole-process export measure (bench/export_process.sh), so that its
// figures can be reproduced:
//   export_process_tool portfolio DIR       writes the measured portfolio into DIR
//   export_process_tool nodop DIR           the same series with no DOP files: 5, 6 and 7
//                                           fields inferred from the record length, 4
//                                           decimals
//   export_process_tool wide DIR            255 series in MASTER and 2,591 in XMASTER, 3
//                                           quotes each
//   export_process_tool long DIR            writes a portfolio of one series (LONG) of
//                                           32,766 quotes, for the one-series commands
//   export_process_tool raw DIR             reads every data file of DIR whole, no output
//   export_process_tool printf DIR text|csv writes what export --all writes, with plain
//                                           snprintf per number (the CSV baseline prints
//                                           "%.9g", which also reads back exactly)
//   export_process_tool measure RUNS OUT PROGRAM ARGS...
//                                           runs PROGRAM once to warm the page cache, then
//                                           RUNS times with standard output to OUT, and
//                                           prints the median CPU, user, system and wall
//                                           milliseconds: CPU as the scheduler counts it to
//                                           the nanosecond, user and system as getrusage
//                                           does (in clock ticks on some systems, too coarse
//                                           for a process of a few milliseconds)
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "datafiles/format/master.h"
#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/portfolio_files.h"
#include "samples/portfolio_builder.h"
#include "wide_folder.h"

namespace {

using namespace voltrim;

// The shape of a real evening download: 215 daily series, 359,631 quotes in all.
constexpr int kSeries = 215;
constexpr int kMeanQuotes = 1672;
constexpr int kExtraQuotes = 151;  // on the last series, to reach 359,631

int Usage() {
  std::fprintf(stderr,
               "usage: export_process_tool portfolio|nodop|wide|long DIR | raw DIR | "
               "printf DIR text|csv | measure RUNS OUT PROGRAM ARGS...\n");
  return 2;
}

// Quote counts around the mean in pairs that cancel, so the total is exact.
std::vector<int> SeriesLengths(std::mt19937& random) {
  std::vector<int> lengths(kSeries, kMeanQuotes);
  for (int s = 0; s + 1 < kSeries; s += 2) {
    const int spread = static_cast<int>(random() % 1401);
    lengths[static_cast<std::size_t>(s)] += spread;
    lengths[static_cast<std::size_t>(s + 1)] -= spread;
  }
  lengths.back() += kExtraQuotes;
  return lengths;
}

float Rounded(double value, int decimals) {
  double scale = 1.0;
  for (int d = 0; d < decimals; ++d) scale *= 10.0;
  return static_cast<float>(static_cast<double>(static_cast<long long>(value * scale + 0.5)) /
                            scale);
}

// How the measured portfolio's series are stored.
enum class Shape {
  kWithDop,  // 6 fields, 7 with open interest on every third series; 2 to 4 decimals
  kNoDop,    // 5, 6 or 7 fields by turns, inferred from the record length; 4 decimals
};

std::vector<Field> FieldsOf(int fileNumber, Shape shape) {
  std::vector<Field> fields = {Field::Date, Field::Open, Field::High, Field::Low, Field::Close};
  const int kind = fileNumber % 3;
  if (shape == Shape::kNoDop && kind == 1) return fields;  // 20 bytes: read as OHLC
  fields.push_back(Field::Vol);
  if (kind == 0) fields.push_back(Field::Oi);
  return fields;
}

// Prices that walk from a start between 0.50 and 500, whole volumes, and open interest.
SeriesSpec MakeSeries(int fileNumber, int quotes, std::mt19937& random, Shape shape,
                      const char* symbol = nullptr, const char* firstDate = "01/03/95") {
  SeriesSpec series;
  series.fileNumber = fileNumber;
  char text[17];
  std::snprintf(text, sizeof text, "SYM%03d", fileNumber);
  series.symbol = symbol != nullptr ? symbol : text;
  std::snprintf(text, sizeof text, "COMPANY %03d INC", fileNumber);
  series.name = text;
  series.fields = FieldsOf(fileNumber, shape);
  series.writeDop = shape == Shape::kWithDop;
  const int decimals = shape == Shape::kNoDop ? 4 : 2 + fileNumber % 3;
  double price = 0.5 + static_cast<double>(random() % 50000) / 100.0;
  auto unit = [&random] { return static_cast<double>(random() % 10001) / 10000.0; };
  DayNumber day = ParseUserDate(firstDate);
  for (int k = 0; k < fileNumber % 40; ++k) day = NextWeekday(day);
  double interest = 1000.0 + static_cast<double>(random() % 100000);
  for (int i = 0; i < quotes; ++i) {
    const double open = price;
    price *= 0.97 + 0.06 * unit();
    const double high = std::max(open, price) * (1.0 + 0.02 * unit());
    const double low = std::min(open, price) * (1.0 - 0.02 * unit());
    RawRecord record = {DayToDateValue(day), Rounded(open, decimals), Rounded(high, decimals),
                        Rounded(low, decimals), Rounded(price, decimals)};
    const float volume = static_cast<float>(100 + random() % 5000000);
    if (series.fields.size() > 5) record.push_back(volume);
    if (series.fields.size() > 6) {
      interest = std::max(0.0, interest + static_cast<double>(random() % 2001) - 1000.0);
      record.push_back(static_cast<float>(interest));
    }
    series.records.push_back(std::move(record));
    day = NextWeekday(day);
  }
  return series;
}

int WriteMeasuredPortfolio(const std::string& dir, Shape shape) {
  std::mt19937 random(26);
  PortfolioSpec plan;
  const std::vector<int> lengths = SeriesLengths(random);
  for (int s = 1; s <= kSeries; ++s) {
    plan.entries.push_back(
        {false, MakeSeries(s, lengths[static_cast<std::size_t>(s - 1)], random, shape), {}});
  }
  if (WritePortfolio(dir, plan) != kOk) {
    std::fprintf(stderr, "cannot write the portfolio in %s\n", dir.c_str());
    return 1;
  }
  return 0;
}

// The longest series a DAT file holds, open interest included.
int WriteLongSeries(const std::string& dir) {
  std::mt19937 random(26);
  PortfolioSpec plan;
  plan.entries.push_back(
      {false, MakeSeries(3, 32766, random, Shape::kWithDop, "LONG", "01/02/70"), {}});
  if (WritePortfolio(dir, plan) != kOk) {
    std::fprintf(stderr, "cannot write the portfolio in %s\n", dir.c_str());
    return 1;
  }
  return 0;
}

// 2,846 series of 3 quotes, 8,538 quotes in all: a folder whose cost is per series, as a
// real one of that width (most of its series hold a few recent quotes).
int WriteWideFolder(const std::string& dir) {
  std::vector<DailyQuote> quotes;
  DayNumber day = ParseUserDate("01/03/95");
  float close = 50.0f;
  for (int i = 0; i < 3; ++i, day = NextWeekday(day)) {
    close *= 1.0f + static_cast<float>(i % 200 - 100) / 5000.0f;
    const float price = Rounded(close, 2);
    quotes.push_back({day, price, Rounded(close * 1.01f, 2), Rounded(close * 0.99f, 2), price,
                      1000.0f + static_cast<float>(i)});
  }
  bench::WriteWideFolder(dir, quotes);
  return 0;
}

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bytes.clear();
  std::uint8_t block[65536];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
    bytes.insert(bytes.end(), block, block + got);
  }
  std::fclose(file);
  return true;
}

bool ReadMaster(const std::string& dir, MasterFile& master) {
  return ReadMasterFile(ResolveInDirectory(dir, "MASTER"), master) == kOk;
}

// Every data file MASTER and XMASTER name, by the names the portfolio writer gives them.
int RawRead(const std::string& dir) {
  MasterFile master;
  if (!ReadMaster(dir, master)) return 1;
  std::vector<std::string> names;
  for (const MasterRecord& record : master.records)
    names.push_back(DatFileName(record.FileNumber()));
  XmasterFile xmaster;
  if (ReadXmasterFile(dir, xmaster) == kOk) {
    for (const XmasterRecord& record : xmaster.records)
      names.push_back(MwdFileName(record.fileNumber));
  }
  std::vector<std::uint8_t> bytes;
  std::uint64_t sum = 0;
  for (const std::string& name : names) {
    if (!ReadWhole(dir + "/" + name, bytes)) return 1;
    for (const std::uint8_t byte : bytes) sum += byte;
  }
  return sum == 1 ? 3 : 0;  // the sum keeps the reading from being optimised away
}

// Every number through snprintf, one line at a time, as a straightforward converter would.
int PrintfWriter(const std::string& dir, bool csv) {
  MasterFile master;
  if (!ReadMaster(dir, master)) return 1;
  std::vector<std::uint8_t> bytes;
  std::printf(csv ? "symbol,date,time,open,high,low,close,volume,openint\n" : "");
  for (const MasterRecord& record : master.records) {
    const std::string datPath = ResolveInDirectory(dir, DatFileName(record.FileNumber()));
    ColumnLayout layout;
    const int length = record.RecordLength();
    if (ReadColumnLayout(ResolveInDirectory(dir, DopFileName(record.FileNumber())), length,
                         layout) != kOk ||
        !ReadWhole(datPath, bytes)) {
      return 1;
    }
    std::string symbol = record.SymbolField();
    symbol.erase(symbol.find_last_not_of(' ') + 1);
    const auto recordLength = static_cast<std::size_t>(length);
    for (std::size_t at = recordLength; at + recordLength <= bytes.size(); at += recordLength) {
      float values[kFieldKindCount];
      for (std::size_t f = 0; f < kFieldKindCount; ++f) {
        const int position = layout.fields[f].position;
        values[f] = position > 0
                        ? MbfToIeee(&bytes[at + 4 * static_cast<std::size_t>(position - 1)])
                        : -1.0f;
      }
      const int date = static_cast<int>(values[0]);
      const int year = 1900 + date / 10000;
      const int month = date / 100 % 100;
      const int mday = date % 100;
      char line[512];
      int used = csv ? std::snprintf(line, sizeof line, "%s,%04d-%02d-%02d,", symbol.c_str(), year,
                                     month, mday)
                     : std::snprintf(line, sizeof line, "%s %02d/%02d/%02d", symbol.c_str(), month,
                                     mday, year % 100);
      for (std::size_t f = 2; f < kFieldKindCount; ++f) {
        const auto room = sizeof line - static_cast<std::size_t>(used);
        const double value = values[f];
        if (csv) {
          used += layout.fields[f].position > 0 ? std::snprintf(line + used, room, ",%.9g", value)
                                                : std::snprintf(line + used, room, ",");
        } else {
          used += value < 0.0 ? std::snprintf(line + used, room, " N/A")
                              : std::snprintf(line + used, room, f < 6 ? " %.4f" : " %.2f", value);
        }
      }
      std::fputs(line, stdout);
      std::fputs(csv ? "\n" : "\r\n", stdout);
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

struct Times {
  double cpu = 0;   // milliseconds
  double user = 0;
  double system = 0;
  double wall = 0;
};

// The time on a processor of every thread the process still has (the first field of
// /proc/PID/task/TID/schedstat, in nanoseconds), in milliseconds; -1 when it cannot be read.
double SchedulerCpuMs(pid_t process) {
  const std::string tasks = "/proc/" + std::to_string(process) + "/task";
  DIR* listing = opendir(tasks.c_str());
  if (listing == nullptr) return -1;
  double total = 0;
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_name[0] == '.') continue;
    std::FILE* stat = std::fopen((tasks + "/" + entry->d_name + "/schedstat").c_str(), "r");
    unsigned long long ns = 0;
    if (stat == nullptr || std::fscanf(stat, "%llu", &ns) != 1) total = -1e18;
    if (stat != nullptr) std::fclose(stat);
    total += static_cast<double>(ns) / 1e6;
  }
  closedir(listing);
  return total < 0 ? -1 : total;
}

bool RunOnce(char** command, const char* out, Times& times) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    const int fd = open(out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) _exit(126);
    execv(command[0], command);
    _exit(127);
  }
  // The child's CPU time, read while it is still there to read (exited, not yet reaped).
  siginfo_t exited{};
  if (waitid(P_PID, static_cast<id_t>(child), &exited, WEXITED | WNOWAIT) != 0) return false;
  times.cpu = SchedulerCpuMs(child);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)) return false;
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  times.user = ms(usage.ru_utime);
  times.system = ms(usage.ru_stime);
  times.wall =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int Measure(int runs, const char* out, char** command) {
  Times times;
  if (runs < 1 || !RunOnce(command, out, times)) {
    std::fprintf(stderr, "%s failed\n", command[0]);
    return 1;
  }
  std::vector<double> cpu, user, system, wall;
  for (int run = 0; run < runs; ++run) {
    if (!RunOnce(command, out, times)) return 1;
    // Without the scheduler's count, the coarser getrusage sum stands in.
    cpu.push_back(times.cpu >= 0 ? times.cpu : times.user + times.system);
    user.push_back(times.user);
    system.push_back(times.system);
    wall.push_back(times.wall);
  }
  std::printf("%.2f %.2f %.2f %.2f\n", Median(cpu), Median(user), Median(system), Median(wall));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  if (std::strcmp(argv[1], "measure") == 0) {
    return argc >= 5 ? Measure(std::atoi(argv[2]), argv[3], argv + 4) : Usage();
  }
  const std::string mode = argv[1];
  const std::string dir = argv[2];
  if (mode == "portfolio" && argc == 3) return WriteMeasuredPortfolio(dir, Shape::kWithDop);
  if (mode == "nodop" && argc == 3) return WriteMeasuredPortfolio(dir, Shape::kNoDop);
  if (mode == "wide" && argc == 3) return WriteWideFolder(dir);
  if (mode == "long" && argc == 3) return WriteLongSeries(dir);
  if (mode == "raw" && argc == 3) return RawRead(dir);
  if (mode == "printf" && argc == 4) return PrintfWriter(dir, std::strcmp(argv[3], "csv") == 0);
  return Usage();
}
