#include "browser/series_view.h"

#include "datafiles/format/encodings.h"
#include "datafiles/format/xmaster.h"

namespace voltrim {

Status SeriesView::Open(std::string_view portfolioDir, std::string_view symbol) {
  endedShort_ = false;
  Status status = LocateAnySeries(portfolioDir, symbol, location_);
  if (status == kOk) status = reader_.Open(location_);
  return status;
}

Status SeriesView::ReadWindow(int start, int count) {
  const Status status = reader_.Read(window_, start, count);
  if (status != kOk) return status;
  // A short window would show quotes twice or leave a hole without a word.
  if (window_.Count() != count) {
    endedShort_ = true;
    return kFileRead;
  }
  return kOk;
}

void AppendNewestFirst(const SeriesBuffer& window, std::vector<Quote>& out) {
  const SeriesBuffer::Column open = window.ValueColumn(Field::Open);
  const SeriesBuffer::Column high = window.ValueColumn(Field::High);
  const SeriesBuffer::Column low = window.ValueColumn(Field::Low);
  const SeriesBuffer::Column close = window.ValueColumn(Field::Close);
  const SeriesBuffer::Column volume = window.ValueColumn(Field::Vol);
  const SeriesBuffer::Column openInterest = window.ValueColumn(Field::Oi);
  const SeriesBuffer::Column date = window.ValueColumn(Field::Date);
  const bool dated = window.HasField(Field::Date);
  DateFloatDays days;
  out.reserve(out.size() + static_cast<std::size_t>(window.Count()));
  for (int i = window.Count() - 1; i >= 0; --i) {
    out.push_back({dated ? days(date[i]) : DayNumber{0}, window.TimeAt(i), open[i], high[i], low[i],
                   close[i], volume[i], openInterest[i]});
  }
}

std::string SeriesView::EndDateText(int start) {
  DayNumber day = 0;
  if (reader_.IsOpen() && reader_.Read(window_, start, 1) == kOk && window_.Count() >= 1) {
    day = window_.DateAt(0);
  }
  return FormatUserDate(day);
}

}  // namespace voltrim
