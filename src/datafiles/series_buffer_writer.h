#pragma once

#include "datafiles/series.h"

namespace voltrim {

// Decodes stored records by a layout whose field offsets are worked out once, so that
// reading many records costs only the conversions.
class RecordDecoder {
 public:
  RecordDecoder(const ColumnLayout& layout, int fieldCount);
  Quote Decode(const std::uint8_t* record) const;
  // Byte offset of a field in the record, -1 when the record does not hold it.
  int Offset(Field f) const { return offsets_[static_cast<std::size_t>(f)]; }

 private:
  float Slot(const std::uint8_t* record, Field f) const {
    const int offset = offsets_[static_cast<std::size_t>(f)];
    return offset < 0 ? -1.0f : MbfToIeee(record + offset);
  }
  std::array<int, kFieldKindCount> offsets_{};  // byte offset in the record, -1 when absent
};

// Fills a SeriesBuffer's columns; only the readers of this folder use it.
class SeriesBufferWriter {
 public:
  explicit SeriesBufferWriter(SeriesBuffer& buffer) : buffer_(buffer) {}

  void Put(int index, const Quote& quote);
  // Fills slots 0 onward, column by column, from count records laid end to end whose
  // numbers have already been converted to IEEE singles in place.
  void PutConvertedRecords(const std::uint8_t* records, int count, std::size_t recordLength,
                           const RecordDecoder& decoder);
  void SetCount(int count) { buffer_.count_ = count; }
  void SetTotal(std::int32_t total) { buffer_.total_ = total; }

 private:
  SeriesBuffer& buffer_;
};

}  // namespace voltrim
