#pragma once

#include "datafiles/series.h"

namespace voltrim {

// Fills a SeriesBuffer's columns; only the readers of this folder use it.
class SeriesBufferWriter {
 public:
  explicit SeriesBufferWriter(SeriesBuffer& buffer) : buffer_(buffer) {}

  void Put(int index, const Quote& quote);
  void SetCount(int count) { buffer_.count_ = count; }
  void SetTotal(std::int32_t total) { buffer_.total_ = total; }

 private:
  SeriesBuffer& buffer_;
};

}  // namespace voltrim
