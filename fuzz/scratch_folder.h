// A folder of its own per fuzzing process, memory-backed where possible, into which each
// input is written as portfolio files; removed when the process ends.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fuzzing {

inline std::vector<std::string>& ScratchPaths() {
  static auto* paths = new std::vector<std::string>;  // never destroyed: the exit handler reads it
  return *paths;
}

inline void RemoveScratch() {
  std::error_code ec;
  for (const std::string& path : ScratchPaths()) std::filesystem::remove_all(path, ec);
}

// The folder for name, made on the first call (targets sharing a replay process each get
// their own); callers keep the result.
inline std::string ScratchFolder(const char* name) {
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
  const auto path = (base / (std::string(name) + "-" + std::to_string(::getpid()))).string();
  if (ScratchPaths().empty()) std::atexit(RemoveScratch);
  std::filesystem::create_directories(path);
  ScratchPaths().push_back(path);
  return path;
}

// Replaces the content of path with the bytes (a few system calls, no stream).
inline void PutFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  for (std::size_t done = 0; done < size;) {
    const ssize_t put = ::write(fd, data + done, size - done);
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  ::close(fd);
}

inline void DropFile(const std::string& path) { ::unlink(path.c_str()); }

// Splits the input into pieces: each piece but the last is preceded by its 16-bit
// little-endian length (cut to what is left).
class Pieces {
 public:
  Pieces(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Next(const std::uint8_t*& at, std::size_t& length) {
    if (size_ < 2) return false;
    length = static_cast<std::size_t>(data_[0] | (data_[1] << 8));
    data_ += 2;
    size_ -= 2;
    if (length > size_) length = size_;
    at = data_;
    data_ += length;
    size_ -= length;
    return true;
  }
  void Rest(const std::uint8_t*& at, std::size_t& length) const {
    at = data_;
    length = size_;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace fuzzing
