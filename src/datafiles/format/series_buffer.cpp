#include <algorithm>
#include <cstring>
#include <new>

#include "datafiles/format/series.h"
#include "datafiles/format/series_buffer_writer.h"

namespace voltrim {

float Quote::Value(Field f) const {
  switch (f) {
    case Field::Open:
      return open;
    case Field::High:
      return high;
    case Field::Low:
      return low;
    case Field::Close:
      return close;
    case Field::Vol:
      return volume;
    case Field::Oi:
      return openInterest;
    case Field::Date:
      return static_cast<float>(date);
    case Field::Time:
      return static_cast<float>(time);
  }
  return -1.0f;
}

Quote SeriesBuffer::At(int index) const {
  Quote q;
  q.date = DateAt(index);
  q.time = TimeAt(index);
  q.open = ValueAt(Field::Open, index);
  q.high = ValueAt(Field::High, index);
  q.low = ValueAt(Field::Low, index);
  q.close = ValueAt(Field::Close, index);
  q.volume = ValueAt(Field::Vol, index);
  q.openInterest = ValueAt(Field::Oi, index);
  return q;
}

std::uint8_t* SeriesBufferWriter::PrepareRows(int count, const ColumnLayout& layout,
                                              int fieldCount) {
  SeriesBuffer& b = buffer_;
  b.rowCount_ = 0;
  b.stride_ = fieldCount;
  for (std::size_t f = 0; f < b.offsets_.size(); ++f) {
    const int position = layout.fields[f].position;
    b.offsets_[f] = position < 1 || position > fieldCount ? -1 : position - 1;
  }
  try {
    // Grows only: later reads of the same size reuse the memory without clearing it.
    b.rows_.resize(std::max(
        b.rows_.size(), static_cast<std::size_t>(count) * static_cast<std::size_t>(fieldCount)));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return reinterpret_cast<std::uint8_t*>(b.rows_.data());
}

void SeriesBufferWriter::SetRows(int rows) { buffer_.rowCount_ = rows; }

SeriesBuffer::SeriesBuffer(int capacity) { (void)AllocSeriesBuffer(*this, capacity); }

Status AllocSeriesBuffer(SeriesBuffer& buffer, int capacity) {
  FreeSeriesBuffer(buffer);
  // The capacity is a signed 16-bit number of quotes.
  if (capacity < 0 || capacity > 32767) return kMalloc;
  buffer.allocated_ = true;
  buffer.capacity_ = capacity;
  buffer.count_ = capacity;
  buffer.total_ = 0;
  return kOk;
}

void FreeSeriesBuffer(SeriesBuffer& buffer) { buffer = SeriesBuffer{}; }

Status SetSeriesCount(SeriesBuffer& buffer, int count) {
  if (count < 0 || count > buffer.capacity_) return kMalloc;
  buffer.count_ = count;
  return kOk;
}

RecordDecoder::RecordDecoder(const ColumnLayout& layout, int fieldCount) {
  // Absent fields (position 0, or one the record does not hold) read as -1.0.
  for (std::size_t f = 0; f < offsets_.size(); ++f) {
    const int position = layout.fields[f].position;
    offsets_[f] = position < 1 || position > fieldCount ? -1 : 4 * (position - 1);
  }
}

Quote RecordDecoder::Decode(const std::uint8_t* record) const {
  Quote q;
  q.date = DateFloatToDay(Slot(record, Field::Date));
  q.time = offsets_[static_cast<std::size_t>(Field::Time)] < 0
               ? PackedTime{0}
               : TimeFloatToPacked(Slot(record, Field::Time));
  q.open = Slot(record, Field::Open);
  q.high = Slot(record, Field::High);
  q.low = Slot(record, Field::Low);
  q.close = Slot(record, Field::Close);
  q.volume = Slot(record, Field::Vol);
  q.openInterest = Slot(record, Field::Oi);
  return q;
}

Quote DecodeQuoteRecord(const std::uint8_t* record, const ColumnLayout& layout, int fieldCount) {
  return RecordDecoder(layout, fieldCount).Decode(record);
}

}  // namespace voltrim
