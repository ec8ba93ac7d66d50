#include "splitsearch/split_search.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"

namespace voltrim {

namespace {

constexpr char kTooManyBars[] = "Too many bars";
constexpr char kBarsReadError[] = "Error in SplitSearch bars read";
constexpr char kNoCandidates[] = "No candidate splits found";
constexpr char kDoneSearch[] = "Done search";

std::string FewerThanTwoQuotes(const std::string& symbol) {
  constexpr char kFormat[] =
      "For symbol %s\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.";
  const int size = std::snprintf(nullptr, 0, kFormat, symbol.c_str());
  std::string text(static_cast<std::size_t>(size), '\0');
  std::snprintf(text.data(), text.size() + 1, kFormat, symbol.c_str());
  return text;
}

// One field of a stored record (an MBF single at a byte offset), as the search reads it
// straight from the file's bytes; -1.0 for a field the series does not have.
class StoredField {
 public:
  StoredField(const ColumnLayout& layout, Field f, int fieldCount) {
    const int position = layout[f].position;
    offset_ = position < 1 || position > fieldCount ? -1 : 4 * (position - 1);
  }
  float operator()(const std::uint8_t* record) const {
    return offset_ < 0 ? -1.0f : MbfWordToIeee(record + offset_);
  }

 private:
  int offset_;
};

// Where the tested fields lie in a series' records.
struct StoredQuotes {
  explicit StoredQuotes(const SeriesLocation& at)
      : length(static_cast<std::size_t>(at.recordLength)),
        hasTime(at.layout.Has(Field::Time)),
        date(at.layout, Field::Date, at.fieldCount),
        high(at.layout, Field::High, at.fieldCount),
        low(at.layout, Field::Low, at.fieldCount),
        close(at.layout, Field::Close, at.fieldCount) {}
  DayNumber Day(const std::uint8_t* record) const { return DateFloatToDay(date(record)); }

  std::size_t length;
  bool hasTime;
  StoredField date, high, low, close;
};

class Searcher {
 public:
  Searcher(std::string_view portfolioDir, SplitSearchResults& results, UserPrompt& prompt,
           const CandidateListener& onCandidate, SeriesReader& reader)
      : portfolioDir_(portfolioDir),
        results_(results),
        prompt_(prompt),
        onCandidate_(onCandidate),
        reader_(reader) {}

  // False when a read failed and the whole search must stop.
  bool SearchSymbol(int index, const std::string& symbol) {
    symbolIndex_ = index;
    // The series is looked up once; its windows are then read from the file found.
    // A symbol whose files cannot be read counts as having no quotes: one damaged
    // entry should not keep the rest of the portfolio from being searched.
    SeriesLocation location;
    const bool readable =
        LocateAnySeries(portfolioDir_, symbol, location) == kOk && reader_.Open(location) == kOk;
    const int total = readable ? reader_.Total() : 0;
    if (total < 2) {
      prompt_.ShowMessage(FewerThanTwoQuotes(symbol));
      return true;
    }
    // The windows are the stored records themselves: the test looks at three fields of
    // each quote, which costs less than converting every field of every record first.
    const StoredQuotes quotes(location);
    int first = 0;
    while (first + 1 != total) {
      const int count = std::min(total - first, kSplitSearchWindow);
      const std::uint8_t* records = nullptr;
      // A short read would leave quotes untested; treat it as a failed read.
      if (reader_.ReadStored(first, count, records) != count) {
        prompt_.ShowMessage(kBarsReadError);
        return false;
      }
      TestWindow(symbol, first, count, records, quotes);
      first += count - 1;
    }
    prompt_.StatusText(symbol);
    return true;
  }

  int found() const { return found_; }

 private:
  void TestWindow(const std::string& symbol, int first, int count, const std::uint8_t* records,
                  const StoredQuotes& quotes) {
    // The closes first, then which steps are out of the ordinary, each in a loop of its own
    // without branches (they vectorise); nearly every step is an ordinary day's, ruled out
    // by the closes alone, and only the rest is looked at whole.
    const auto n = static_cast<std::size_t>(count);
    for (std::size_t k = 0; k < n; ++k) closes_[k] = quotes.close(records + k * quotes.length);
    for (std::size_t k = 0; k + 1 < n; ++k)
      unusual_[k] = !IsOrdinaryStep(closes_[k], closes_[k + 1]);
    for (std::size_t k = 0; k + 1 < n; ++k)
      if (unusual_[k])
        TestPair(symbol, first + static_cast<int>(k), records + k * quotes.length, quotes);
  }

  // The step from the quote at index (its record at earlier) to the next, by the search's
  // one test.
  void TestPair(const std::string& symbol, int index, const std::uint8_t* earlier,
                const StoredQuotes& quotes) {
    const std::uint8_t* later = earlier + quotes.length;
    const DayNumber laterDay = quotes.Day(later);
    if (!StepTested(quotes.hasTime, quotes.Day(earlier), laterDay)) return;
    const PairBar a{quotes.high(earlier), quotes.low(earlier), quotes.close(earlier)};
    const PairBar b{quotes.high(later), quotes.low(later), quotes.close(later)};
    if (const RatioPair* ratio = SplitBetween(a, b))
      List({symbol, *ratio, laterDay, symbolIndex_, index + 1});
  }

  void List(const SplitCandidate& candidate) {
    results_.Add(candidate);
    ++found_;
    if (onCandidate_) onCandidate_(candidate);
  }

  std::string_view portfolioDir_;
  SplitSearchResults& results_;
  UserPrompt& prompt_;
  const CandidateListener& onCandidate_;
  SeriesReader& reader_;
  std::array<float, kSplitSearchWindow> closes_{};
  std::array<bool, kSplitSearchWindow> unusual_{};
  int symbolIndex_ = -1;
  int found_ = 0;
};

}  // namespace

SplitSearchRun RunSplitSearch(std::string_view portfolioDir,
                              const std::vector<std::string>& symbols, SplitSearchResults& results,
                              UserPrompt& prompt, const CandidateListener& onCandidate) {
  WaitCursor wait(prompt);
  // The window's memory is the reader's, kept from series to series.
  SeriesReader reader;
  if (!reader.ReserveReadAhead()) {
    prompt.ShowMessage(kTooManyBars);
    return {SplitSearchOutcome::NoWindow, 0, 0};
  }
  Searcher searcher(portfolioDir, results, prompt, onCandidate, reader);
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    if (!searcher.SearchSymbol(static_cast<int>(i), symbols[i])) {
      return {SplitSearchOutcome::ReadFailed, searcher.found(), static_cast<int>(i) + 1};
    }
  }
  prompt.StatusText(kDoneSearch);
  prompt.Beep(BeepKind::Information);
  if (searcher.found() == 0) prompt.ShowMessage(kNoCandidates);
  return {SplitSearchOutcome::Finished, searcher.found(), static_cast<int>(symbols.size())};
}

}  // namespace voltrim
