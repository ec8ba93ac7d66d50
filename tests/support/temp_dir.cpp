#include "support/temp_dir.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <stdexcept>

namespace voltrim::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "voltrim-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (std::filesystem::remove_all(path_, ec) != static_cast<std::uintmax_t>(-1) && !ec) return;
  // Tests may leave read-only folders behind; make them writable so removal works.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::vector<unsigned char> ReadFileBytes(const std::filesystem::path& file) {
  // Through the system's calls, sized first: the write sweeps read hundreds of thousands of
  // small files, and a stream (or a large block on the stack) costs more than the read.
  std::vector<unsigned char> bytes;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  struct stat status {};
  if (::fstat(fd, &status) == 0) bytes.resize(static_cast<std::size_t>(status.st_size) + 1);
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(2 * done + 4096);  // grown since, or no size
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return bytes;
}

void WriteFileBytes(const std::filesystem::path& file, const std::vector<unsigned char>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace voltrim::testing
