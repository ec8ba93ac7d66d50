#include "splitsearch/split_search.h"

#include <algorithm>
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

class Searcher {
 public:
  Searcher(std::string_view portfolioDir, SplitSearchResults& results, UserPrompt& prompt,
           const CandidateListener& onCandidate, SeriesBuffer& window)
      : portfolioDir_(portfolioDir),
        results_(results),
        prompt_(prompt),
        onCandidate_(onCandidate),
        window_(window) {}

  // False when a read failed and the whole search must stop.
  bool SearchSymbol(int index, const std::string& symbol) {
    symbolIndex_ = index;
    // The series is looked up once; its windows are then read from the file found.
    // A symbol whose files cannot be read counts as having no quotes: one damaged
    // entry should not keep the rest of the portfolio from being searched.
    SeriesLocation location;
    SeriesReader reader;
    const bool readable =
        LocateAnySeries(portfolioDir_, symbol, location) == kOk && reader.Open(location) == kOk;
    const int total = readable ? reader.Total() : 0;
    if (total < 2) {
      prompt_.ShowMessage(FewerThanTwoQuotes(symbol));
      return true;
    }
    int first = 0;
    while (first + 1 != total) {
      const int count = std::min(total - first, kSplitSearchWindow);
      // A short read would leave stale quotes in the window; treat it as a failed read.
      if (reader.Read(window_, first, count) != kOk || window_.Count() != count) {
        prompt_.ShowMessage(kBarsReadError);
        return false;
      }
      TestWindow(symbol, first, count, location.layout.Has(Field::Time));
      first += count - 1;
    }
    prompt_.StatusText(symbol);
    return true;
  }

  int found() const { return found_; }

 private:
  void TestWindow(const std::string& symbol, int first, int count, bool hasTime) {
    // Straight from the columns: decoding whole quotes would cost more than the tests.
    const SeriesBuffer::Column high = window_.ValueColumn(Field::High);
    const SeriesBuffer::Column low = window_.ValueColumn(Field::Low);
    const SeriesBuffer::Column close = window_.ValueColumn(Field::Close);
    for (int k = 0; k + 1 < count; ++k) {
      if (hasTime && !StepTested(hasTime, window_.DateAt(k), window_.DateAt(k + 1))) continue;
      const PairBar earlier{high[k], low[k], close[k]};
      const PairBar later{high[k + 1], low[k + 1], close[k + 1]};
      if (const RatioPair* ratio = SplitBetween(earlier, later)) {
        List({symbol, *ratio, window_.DateAt(k + 1), symbolIndex_, first + k + 1});
      }
    }
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
  SeriesBuffer& window_;
  int symbolIndex_ = -1;
  int found_ = 0;
};

}  // namespace

SplitSearchRun RunSplitSearch(std::string_view portfolioDir,
                              const std::vector<std::string>& symbols, SplitSearchResults& results,
                              UserPrompt& prompt, const CandidateListener& onCandidate) {
  WaitCursor wait(prompt);
  SeriesBuffer window(kSplitSearchWindow);
  if (!window.Allocated()) {
    prompt.ShowMessage(kTooManyBars);
    return {SplitSearchOutcome::NoWindow, 0};
  }
  Searcher searcher(portfolioDir, results, prompt, onCandidate, window);
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    if (!searcher.SearchSymbol(static_cast<int>(i), symbols[i])) {
      return {SplitSearchOutcome::ReadFailed, searcher.found()};
    }
  }
  prompt.StatusText(kDoneSearch);
  prompt.Beep(BeepKind::Information);
  if (searcher.found() == 0) prompt.ShowMessage(kNoCandidates);
  return {SplitSearchOutcome::Finished, searcher.found()};
}

}  // namespace voltrim
