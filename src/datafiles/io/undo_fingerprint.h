#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/status.h"

namespace voltrim::undo {

// The state of a file: absent, or present with this size and fingerprint.
struct FileState {
  bool exists = false;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;
  bool operator==(const FileState&) const = default;
};

// A fingerprint of bytes, to tell whether another program changed a file since.
std::uint64_t ContentHash(const std::uint8_t* bytes, std::size_t size);

// The pieces a file and a kept content are read in, side by side, kept from file to file:
// reading each file whole into new memory faulted in every page of it.
class ReadPieces {
 public:
  // The piece for a file of size bytes: the whole file and a word more, or kMost bytes (a
  // whole number of words), with room for it in now (and before).
  std::size_t PieceFor(std::uint64_t size, bool withBefore);
  std::vector<std::uint8_t> now, before;

 private:
  static constexpr std::uint64_t kMost = std::uint64_t{1} << 18;
};

// Whether the file at path holds the same bytes as copy (empty: none, or no such file) and,
// when it does not, the state path is in. A path that is no regular file, or cannot be read
// whole, is a failure.
Status CompareWithCopy(const std::string& path, const std::string& copy, ReadPieces& pieces,
                       FileState& state, bool& same);

// The state of the file at path (absent when there is none).
Status StateOf(const std::string& path, ReadPieces& pieces, FileState& state);

}  // namespace voltrim::undo
