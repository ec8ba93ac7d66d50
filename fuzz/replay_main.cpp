// Runs every seed file through its fuzz target's entry point, so the seeds stay exercised
// in ordinary test runs. Usage: voltrim_fuzz_replay SEEDS_DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int fuzz_master_entry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzz_dop_entry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzz_dat_entry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzz_date_text_entry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzz_settings_seed_entry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzz_portfolio_entry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzz_rewrite_entry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzz_emaster_entry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzz_xmaster_entry(const std::uint8_t* data, std::size_t size);
extern "C" int fuzz_import_entry(const std::uint8_t* data, std::size_t size);

namespace {

struct Target {
  const char* name;  // seeds live in SEEDS_DIR/<name>/
  int (*entry)(const std::uint8_t*, std::size_t);
};

constexpr Target kTargets[] = {{"master", fuzz_master_entry},
                               {"dop", fuzz_dop_entry},
                               {"dat", fuzz_dat_entry},
                               {"date_text", fuzz_date_text_entry},
                               {"settings_seed", fuzz_settings_seed_entry},
                               {"portfolio", fuzz_portfolio_entry},
                               {"rewrite", fuzz_rewrite_entry},
                               {"emaster", fuzz_emaster_entry},
                               {"xmaster", fuzz_xmaster_entry},
                               {"import", fuzz_import_entry}};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SEEDS_DIR\n", argv[0]);
    return 2;
  }
  int failures = 0;
  for (const Target& target : kTargets) {
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / target.name;
    std::error_code ec;
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                            std::istreambuf_iterator<char>()};
      target.entry(bytes.data(), bytes.size());
      ++seeds;
    }
    std::printf("%s: %d seeds\n", target.name, seeds);
    // A target without seeds means the seeds were lost, not that all is well.
    if (seeds == 0) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
