#include <algorithm>
#include <cstring>
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

void SeriesBufferWriter::PutConvertedRecords(const std::uint8_t* records, int count,
                                             std::size_t recordLength,
                                             const RecordDecoder& decoder) {
  const auto n = static_cast<std::size_t>(count);
  auto load = [](const std::uint8_t* at) {
    float value;
    std::memcpy(&value, at, sizeof value);
    return value;
  };
  // Where each value column comes from: its place in the records, or one constant -1.0
  // (stride 0) for the columns the records do not hold.
  static const float kAbsent = -1.0f;
  std::array<float*, kValueFields.size()> outs{};
  std::array<const std::uint8_t*, kValueFields.size()> sources{};
  std::array<std::size_t, kValueFields.size()> strides{};
  for (std::size_t k = 0; k < kValueFields.size(); ++k) {
    const int offset = decoder.Offset(kValueFields[k]);
    outs[k] = buffer_.values_[k].data();
    sources[k] = offset < 0 ? reinterpret_cast<const std::uint8_t*>(&kAbsent) : records + offset;
    strides[k] = offset < 0 ? 0 : recordLength;
  }
  const auto dateOffset = static_cast<std::size_t>(decoder.Offset(Field::Date));
  const int timeOffset = decoder.Offset(Field::Time);
  if (timeOffset < 0) std::fill_n(buffer_.times_.begin(), n, PackedTime{0});

  // One pass over the records, so each is read from memory once.
  DateFloatDecoder toDay;
  const std::uint8_t* record = records;
  for (std::size_t i = 0; i < n; ++i, record += recordLength) {
    buffer_.dates_[i] = toDay(load(record + dateOffset));
    if (timeOffset >= 0) buffer_.times_[i] = TimeFloatToPacked(load(record + timeOffset));
    for (std::size_t k = 0; k < kValueFields.size(); ++k)
      outs[k][i] = load(sources[k] + i * strides[k]);
  }
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
