// Splits a fuzz input into pieces: each piece but the last is preceded by its 16-bit
// little-endian length (cut to what is left).
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzzing {

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
