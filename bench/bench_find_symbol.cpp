// FindSymbol over a 255-record MASTER whose subdirectory entries lead to further full
// MASTER files, next to a raw read of the same MASTER files.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/format/master.h"
#include "samples/portfolio_builder.h"

namespace {

constexpr int kSubdirectories = 4;

struct Fixture {
  voltrim::bench::ScratchFolder folder{"voltrim-bench-find-symbol"};
  std::string dir = folder.str();
  std::vector<std::string> masters;  // every MASTER the lookup reads, in its order

  Fixture() {
    Write(dir, "T", kSubdirectories);
    for (int s = 0; s < kSubdirectories; ++s) {
      const std::string sub = dir + "/SUB" + std::to_string(s);
      Write(sub, std::string("S") + std::to_string(s) + "_", 0);
    }
  }

  // 255 entries: the subdirectories first, then symbols named prefix + number.
  void Write(const std::string& at, const std::string& prefix, int subdirectories) {
    voltrim::PortfolioSpec plan;
    for (int i = 0; i < 255; ++i) {
      voltrim::PortfolioSpec::Entry entry;
      if (i < subdirectories) {
        entry.isSubdirectory = true;
        entry.subdirectory.name = "SUB" + std::to_string(i);
      } else {
        entry.series.fileNumber = i + 1;
        entry.series.symbol = prefix + std::to_string(i);
        entry.series.name = "Name " + prefix + std::to_string(i);
        entry.series.fields = {voltrim::Field::Date, voltrim::Field::Close};
        entry.series.records = {{1000103.0f, 1.0f}};
      }
      plan.entries.push_back(entry);
    }
    voltrim::WritePortfolio(at, plan);
    masters.push_back(at + "/MASTER");
  }
};

const Fixture& Data() {
  static const Fixture fixture;
  return fixture;
}

void RawReadAllMasters(benchmark::State& state) {
  std::vector<unsigned char> bytes(53 * 256);
  for (auto _ : state) {
    for (const std::string& path : Data().masters) {
      std::FILE* file = std::fopen(path.c_str(), "rb");
      benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), file));
      std::fclose(file);
    }
  }
}
BENCHMARK(RawReadAllMasters);

// The last symbol of the last subdirectory: every MASTER is read and every record compared.
void FindSymbolLastInTree(benchmark::State& state) {
  const std::string text = std::string("S") + std::to_string(kSubdirectories - 1) + "_254";
  for (auto _ : state) {
    voltrim::FoundSymbol found;
    if (voltrim::FindSymbol(Data().dir, text, found) != voltrim::kOk)
      state.SkipWithError("not found");
  }
}
BENCHMARK(FindSymbolLastInTree);

void FindSymbolMissing(benchmark::State& state) {
  for (auto _ : state) {
    voltrim::FoundSymbol found;
    benchmark::DoNotOptimize(voltrim::FindSymbol(Data().dir, "NOSUCH", found));
  }
}
BENCHMARK(FindSymbolMissing);

}  // namespace

int main(int argc, char** argv) {
  Data();  // write the portfolio before any timing
  return voltrim::bench::RunWithRatios(
      argc, argv,
      {{"FindSymbol of the last symbol / raw read of every MASTER", "FindSymbolLastInTree",
        "RawReadAllMasters"},
       {"FindSymbol of a missing symbol / raw read of every MASTER", "FindSymbolMissing",
        "RawReadAllMasters"}});
}
