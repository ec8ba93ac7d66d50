#include <new>

#include "datafiles/series.h"
#include "datafiles/series_buffer_writer.h"

namespace voltrim {

namespace {

// Index of a value field in the buffer's float columns (Open is 0).
std::size_t ValueColumn(Field f) {
  return static_cast<std::size_t>(static_cast<int>(f) - static_cast<int>(Field::Open));
}

}  // namespace

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
  const auto i = static_cast<std::size_t>(index);
  Quote q;
  q.date = dates_[i];
  q.time = times_[i];
  q.open = values_[0][i];
  q.high = values_[1][i];
  q.low = values_[2][i];
  q.close = values_[3][i];
  q.volume = values_[4][i];
  q.openInterest = values_[5][i];
  return q;
}

float SeriesBuffer::ValueAt(Field f, int index) const {
  const auto i = static_cast<std::size_t>(index);
  if (f == Field::Date) return static_cast<float>(dates_[i]);
  if (f == Field::Time) return static_cast<float>(times_[i]);
  return values_[ValueColumn(f)][i];
}

void SeriesBufferWriter::Put(int index, const Quote& quote) {
  const auto i = static_cast<std::size_t>(index);
  buffer_.dates_[i] = quote.date;
  buffer_.times_[i] = quote.time;
  buffer_.values_[0][i] = quote.open;
  buffer_.values_[1][i] = quote.high;
  buffer_.values_[2][i] = quote.low;
  buffer_.values_[3][i] = quote.close;
  buffer_.values_[4][i] = quote.volume;
  buffer_.values_[5][i] = quote.openInterest;
}

Status AllocSeriesBuffer(SeriesBuffer& buffer, int capacity) {
  FreeSeriesBuffer(buffer);
  // The capacity is a signed 16-bit number of quotes.
  if (capacity < 0 || capacity > 32767) return kMalloc;
  const auto size = static_cast<std::size_t>(capacity);
  try {
    buffer.dates_.assign(size, 0);
    buffer.times_.assign(size, 0);
    for (auto& column : buffer.values_) column.assign(size, -1.0f);
  } catch (const std::bad_alloc&) {
    FreeSeriesBuffer(buffer);
    return kMalloc;
  }
  buffer.capacity_ = capacity;
  buffer.count_ = capacity;
  buffer.total_ = 0;
  return kOk;
}

void FreeSeriesBuffer(SeriesBuffer& buffer) {
  buffer.dates_ = {};
  buffer.times_ = {};
  for (auto& column : buffer.values_) column = {};
  buffer.capacity_ = 0;
  buffer.count_ = 0;
  buffer.total_ = 0;
}

Status SetSeriesCount(SeriesBuffer& buffer, int count) {
  if (count < 0 || count > buffer.capacity_) return kMalloc;
  buffer.count_ = count;
  return kOk;
}

Quote DecodeQuoteRecord(const std::uint8_t* record, const ColumnLayout& layout, int fieldCount) {
  // Absent fields (position 0, or one the record does not hold) read as -1.0.
  auto slot = [&](Field f) {
    const int position = layout[f].position;
    if (position < 1 || position > fieldCount) return -1.0f;
    return MbfToIeee(record + 4 * (position - 1));
  };
  Quote q;
  q.date = DateFloatToDay(slot(Field::Date));
  q.time = TimeFloatToPacked(slot(Field::Time));
  q.open = slot(Field::Open);
  q.high = slot(Field::High);
  q.low = slot(Field::Low);
  q.close = slot(Field::Close);
  q.volume = slot(Field::Vol);
  q.openInterest = slot(Field::Oi);
  return q;
}

}  // namespace voltrim
