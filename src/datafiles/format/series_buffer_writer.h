#pragma once

#include "datafiles/format/series.h"

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

// Fills a SeriesBuffer; only the readers of this folder use it.
class SeriesBufferWriter {
 public:
  explicit SeriesBufferWriter(SeriesBuffer& buffer) : buffer_(buffer) {}

  // Room for count stored records of the layout, to be read into as bytes; null when the
  // memory cannot be had. The buffer holds no quotes until SetRows.
  std::uint8_t* PrepareRows(int count, const ColumnLayout& layout, int fieldCount);
  // The first rows records of the room, converted to IEEE singles in place, are the quotes.
  void SetRows(int rows);
  void SetCount(int count) { buffer_.count_ = count; }
  void SetTotal(std::int32_t total) { buffer_.total_ = total; }

 private:
  SeriesBuffer& buffer_;
};

}  // namespace voltrim
