#include <gtest/gtest.h>

#include <filesystem>

#include "cli_write_runner.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// A writable copy of a shipped data folder, or nothing when the data is not here.
std::string CopyOfData(const TempDir& temp, const char* folder) {
  const fs::path source = SharedDataDir() / folder;
  if (SharedDataDir().empty() || !fs::is_directory(source)) return {};
  const fs::path copy = temp.path() / folder;
  fs::copy(source, copy);
  for (const auto& entry : fs::directory_iterator(copy)) {
    fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write);
  }
  fs::permissions(copy, fs::perms::owner_all);
  return copy.string();
}

std::string Lines(const std::string& text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < count && end != std::string::npos; ++i) {
    end = text.find('\n', end == 0 ? 0 : end + 1);
  }
  return text.substr(0, end);
}

TEST(CliWriteRealData, LowerCaseFileNamesAreEditedInPlace) {
  TempDir temp;
  const std::string dir = CopyOfData(temp, "lowercase-names");
  if (dir.empty()) GTEST_SKIP() << "shared data folder lowercase-names is not here";
  const std::string symbol = "TU2__1990U";
  const CliResult before = RunCli({"quotes", dir, symbol});
  ASSERT_EQ(before.exitCode, 0) << before.err;
  ASSERT_NE(before.out.find("09/18/90\t96.5550\t96.5550\t96.5550\t96.5550\t20\t2163"),
            std::string::npos);

  const CliResult edit = RunCli({"edit", dir, symbol, "09/18/90", "--close", "96.6"});
  ASSERT_EQ(edit.exitCode, 0) << edit.err;
  const CliResult after = RunCli({"quotes", dir, symbol});
  EXPECT_NE(after.out.find("09/18/90\t96.5550\t96.5550\t96.5550\t96.6000\t20\t2163"),
            std::string::npos);
  // Every other row reads as before.
  EXPECT_EQ(Lines(after.out, 1), Lines(before.out, 1));
  EXPECT_TRUE(fs::exists(fs::path(dir) / "F1.dat"));
  EXPECT_FALSE(fs::exists(fs::path(dir) / "F1.DAT"));

  const CliResult removed = RunCli({"delete-quote", dir, symbol, "09/18/90"});
  ASSERT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_EQ(RunCli({"quotes", dir, symbol}).out.find("09/18/90"), std::string::npos);
}

}  // namespace
}  // namespace voltrim::testing
