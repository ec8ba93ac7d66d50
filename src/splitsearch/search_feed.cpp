#include "splitsearch/search_feed.h"

#include <utility>

namespace voltrim {

SearchFeed::SearchFeed(Show show, Clock::duration interval)
    : show_(std::move(show)), interval_(interval) {}

void SearchFeed::Candidate(const SplitCandidate& candidate) {
  pending_.candidates.push_back(candidate);
  ++found_;
  anythingPending_ = true;
  ShowIfDue();
}

void SearchFeed::Status(const std::string& text) {
  pending_.status = text;
  anythingPending_ = true;
  ShowIfDue();
}

void SearchFeed::ShowIfDue() {
  // The first candidate shows at once: the user sees the search has found something.
  const bool firstCandidate = !shownOnce_ && !pending_.candidates.empty();
  if (!firstCandidate && lastShown_ && Clock::now() - *lastShown_ < interval_) return;
  Flush();
}

void SearchFeed::Flush() {
  if (!anythingPending_) return;
  pending_.found = found_;
  SearchFeedBatch batch = std::move(pending_);
  pending_ = SearchFeedBatch{};
  anythingPending_ = false;
  if (!batch.candidates.empty()) shownOnce_ = true;
  lastShown_ = Clock::now();
  if (show_) show_(batch);
}

void FeedPrompt::ShowMessage(const std::string& text, MessageIcon icon) {
  feed_.Flush();
  prompt_.ShowMessage(text, icon);
}

bool FeedPrompt::AskYesNo(const std::string& text) {
  feed_.Flush();
  return prompt_.AskYesNo(text);
}

}  // namespace voltrim
