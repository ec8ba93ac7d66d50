#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/status.h"

namespace voltrim {

enum class QuoteOrder { kNewestFirst, kOldestFirst };

// One series as the quotes grid and voltrim-cli show it: found once, its data file opened
// once, its quotes read window by window from that file. The desktop program's grid and
// every command of voltrim-cli read a series through this, so both show the same rows.
class SeriesView {
 public:
  // Quotes read at a time into one reused window, so memory stays flat whatever the length.
  static constexpr int kWindow = 400;

  SeriesView() : window_(kWindow) {}

  // Finds the series (in MASTER's tree, then in the folder's XMASTER) and opens its data
  // file. A failure status names what went wrong (kFileNotFound: no such symbol, or no
  // MASTER); the view is then closed.
  Status Open(std::string_view portfolioDir, std::string_view symbol);
  bool IsOpen() const { return reader_.IsOpen(); }
  const SeriesLocation& Location() const { return location_; }
  // Quotes in the series, as its header counts them.
  int Total() const { return reader_.Total(); }

  // Hands every quote to onQuote(const Quote&) in the order asked. Stops at a window that
  // cannot be read (its status), or that comes back short because the file holds fewer
  // quotes than its header counts (kFileRead, and EndedShort() says so); the quotes handed
  // on before stand.
  template <typename OnQuote>
  Status ReadQuotes(QuoteOrder order, OnQuote&& onQuote);
  // As ReadQuotes, a window at a time: onWindow(const SeriesBuffer&) gets the windows in
  // the order asked, each holding its quotes oldest first.
  template <typename OnWindow>
  Status ReadWindows(QuoteOrder order, OnWindow&& onWindow);
  bool EndedShort() const { return endedShort_; }

  // MM/DD/YY of the oldest and of the newest quote, "00/00/00" when there is none.
  std::string OldestDateText() { return EndDateText(0); }
  std::string NewestDateText() { return EndDateText(-1); }

 private:
  Status ReadWindow(int start, int count);
  std::string EndDateText(int start);

  SeriesLocation location_;
  SeriesReader reader_;
  SeriesBuffer window_;
  bool endedShort_ = false;
};

// Appends the quotes of a window to out newest first, decoded field by field: a whole
// series goes into the quotes grid this way at little more than the cost of reading it.
void AppendNewestFirst(const SeriesBuffer& window, std::vector<Quote>& out);

template <typename OnWindow>
Status SeriesView::ReadWindows(QuoteOrder order, OnWindow&& onWindow) {
  const bool newestFirst = order == QuoteOrder::kNewestFirst;
  const int total = Total();
  for (int done = 0; done < total;) {
    const int chunk = std::min(total - done, kWindow);
    const Status status = ReadWindow(newestFirst ? total - done - chunk : done, chunk);
    if (status != kOk) return status;
    onWindow(static_cast<const SeriesBuffer&>(window_));
    done += chunk;
  }
  return kOk;
}

template <typename OnQuote>
Status SeriesView::ReadQuotes(QuoteOrder order, OnQuote&& onQuote) {
  const bool newestFirst = order == QuoteOrder::kNewestFirst;
  return ReadWindows(order, [&](const SeriesBuffer& window) {
    const int count = window.Count();
    for (int i = 0; i < count; ++i) onQuote(window.At(newestFirst ? count - 1 - i : i));
  });
}

}  // namespace voltrim
