#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace voltrim::testing {

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

std::vector<unsigned char> ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, const std::vector<unsigned char>& bytes);
inline std::string ReadText(const std::filesystem::path& file) {
  const std::vector<unsigned char> bytes = ReadFileBytes(file);
  return {bytes.begin(), bytes.end()};
}

// The real data folders shipped beside the project, or an empty path when missing.
inline std::filesystem::path SharedDataDir() {
  std::error_code ec;
  const std::filesystem::path dir = VOLTRIM_SHARED_DATA_DIR;
  return std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path();
}

}  // namespace voltrim::testing
