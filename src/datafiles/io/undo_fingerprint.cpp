#include "datafiles/io/undo_fingerprint.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "datafiles/io/file_ops.h"
#include "datafiles/io/replace_file.h"

namespace voltrim::undo {

namespace {

// Eight bytes a step (a byte at a time cost more than the rest of a quote write). Each step
// is a bijection of the running value, so one changed word always changes the result. The
// bytes may come in pieces, each a whole number of words but the last.
class Fingerprint {
 public:
  explicit Fingerprint(std::uint64_t size) : hash_(14695981039346656037ull ^ size) {}
  void Add(const std::uint8_t* bytes, std::size_t size) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, bytes + i, 8);
      Step(word);
    }
    if (i == size) return;
    std::uint64_t tail = 0;
    std::memcpy(&tail, bytes + i, size - i);
    Step(tail);
  }
  std::uint64_t Value() const { return hash_; }

 private:
  void Step(std::uint64_t word) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    hash_ = std::rotl(hash_ ^ word, 29) * kMultiplier;
  }
  std::uint64_t hash_;
};

// Whether the files at path and copy, both of size bytes, hold the same bytes; whole when
// the file's every byte is in pieces.now (read in a single piece).
Status SameBytes(const std::string& path, const std::string& copy, std::uint64_t size,
                 ReadPieces& pieces, bool& same, bool& whole) {
  file_ops::File file, previous;
  if (file_ops::OpenForRead(path, file) != kOk || file_ops::OpenForRead(copy, previous) != kOk)
    return kFileRead;
  same = true;
  const std::size_t piece = pieces.PieceFor(size, true);
  std::uint64_t total = 0;
  for (std::size_t got = piece; same && got == piece;) {
    std::size_t gotBefore = 0;
    if (file_ops::ReadSome(file, pieces.now.data(), piece, got) != kOk ||
        file_ops::ReadSome(previous, pieces.before.data(), piece, gotBefore) != kOk)
      return kFileRead;
    same = gotBefore == got && std::memcmp(pieces.now.data(), pieces.before.data(), got) == 0;
    total += got;
  }
  // A file whose size moved meanwhile is a failure.
  if (same && total != size) return kFileRead;
  whole = total == size && total < piece;
  // A failed close of a file only read changes nothing on disk.
  (void)file_ops::Close(file);
  (void)file_ops::Close(previous);
  return kOk;
}

// The state of the regular file at path, of size bytes, read a piece at a time.
Status FingerprintOf(const std::string& path, std::uint64_t size, ReadPieces& pieces,
                     FileState& state) {
  file_ops::File file;
  if (file_ops::OpenForRead(path, file) != kOk) return kFileRead;
  Fingerprint fingerprint(size);
  const std::size_t piece = pieces.PieceFor(size, false);
  std::uint64_t total = 0;
  for (std::size_t got = piece; got == piece;) {
    if (file_ops::ReadSome(file, pieces.now.data(), piece, got) != kOk) return kFileRead;
    fingerprint.Add(pieces.now.data(), got);
    total += got;
  }
  if (total != size) return kFileRead;
  (void)file_ops::Close(file);
  state = FileState{true, size, fingerprint.Value()};
  return kOk;
}

}  // namespace

std::uint64_t ContentHash(const std::uint8_t* bytes, std::size_t size) {
  Fingerprint fingerprint(size);
  fingerprint.Add(bytes, size);
  return fingerprint.Value();
}

std::size_t ReadPieces::PieceFor(std::uint64_t size, bool withBefore) {
  const auto piece =
      static_cast<std::size_t>(std::min<std::uint64_t>(kMost, (size + 8) & ~std::uint64_t{7}));
  if (now.size() < piece) now.resize(piece);
  if (withBefore && before.size() < piece) before.resize(piece);
  return piece;
}

Status CompareWithCopy(const std::string& path, const std::string& copy, ReadPieces& pieces,
                       FileState& state, bool& same) {
  state = {};
  // A name is asked whether it exists only when it holds no regular file.
  const std::optional<std::uint64_t> copySize =
      copy.empty() ? std::nullopt : file_ops::RegularFileSize(copy);
  const bool copyExists = copySize || (!copy.empty() && file_ops::NameExists(copy));
  same = !copyExists;
  const std::optional<std::uint64_t> size = file_ops::RegularFileSize(path);
  if (!size && !file_ops::NameExists(path)) return kOk;
  if (!size || *size > kMaxPortfolioFileBytes || (copyExists && !copySize)) return kFileRead;
  same = false;
  if (copyExists && *copySize == *size) {
    bool whole = false;
    const Status status = SameBytes(path, copy, *size, pieces, same, whole);
    if (status != kOk || same) return status;
    // A file compared in a single piece is fingerprinted from it, not read again.
    if (whole) {
      state =
          FileState{true, *size, ContentHash(pieces.now.data(), static_cast<std::size_t>(*size))};
      return kOk;
    }
  }
  return FingerprintOf(path, *size, pieces, state);
}

Status StateOf(const std::string& path, ReadPieces& pieces, FileState& state) {
  bool same = false;
  return CompareWithCopy(path, std::string(), pieces, state, same);
}

}  // namespace voltrim::undo
