#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "prompt/user_prompt.h"
#include "splitsearch/split_candidate.h"

namespace voltrim {

// What a window shows of a running search, handed on in batches: the candidates listed
// since the last batch, the status text last reported and how many this run has found.
// Their lines are not copied here (a copy of each cost the window's path a percent or two
// of the search): they are the last ones the search's results hold when the batch is shown.
struct SearchFeedBatch {
  std::vector<SplitCandidate> candidates;
  std::string status;  // empty when no status came since the last batch
  int found = 0;       // in this run so far
};

// Gathers what a split search reports and shows it at most once an interval (the first
// candidate at once, and whatever is left when flushed). Painting a window for every
// candidate and every symbol cost many times the search itself; a batch costs one paint.
class SearchFeed {
 public:
  using Show = std::function<void(const SearchFeedBatch&)>;
  using Clock = std::chrono::steady_clock;

  explicit SearchFeed(Show show, Clock::duration interval = std::chrono::milliseconds(40));

  // The search's listener: one candidate listed.
  void Candidate(const SplitCandidate& candidate);
  // The search's status text: the symbol just searched, or the end of the search.
  void Status(const std::string& text);
  // Shows what is gathered now: at the end of a search, and before anything that waits
  // for the user, so a message never stands beside a list that lags behind it.
  void Flush();

  int Found() const { return found_; }

 private:
  void ShowIfDue();

  Show show_;
  Clock::duration interval_;
  // Empty until the first batch: a clock's zero is no "never" (a steady clock starts at
  // the machine's boot, so a fresh machine would hold the first report back).
  std::optional<Clock::time_point> lastShown_;
  bool shownOnce_ = false;
  SearchFeedBatch pending_;
  bool anythingPending_ = false;
  int found_ = 0;
};

// The prompt a search window hands to the search: messages, questions and sounds go to the
// program's prompt once the feed has shown what it holds; the status text goes to the feed.
class FeedPrompt : public UserPrompt {
 public:
  FeedPrompt(UserPrompt& prompt, SearchFeed& feed) : prompt_(prompt), feed_(feed) {}

  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  void Beep(BeepKind kind) override { prompt_.Beep(kind); }
  void BeginWait() override { prompt_.BeginWait(); }
  void EndWait() override { prompt_.EndWait(); }
  void ScanProgress(const std::string& path, int found) override {
    prompt_.ScanProgress(path, found);
  }
  void FillProgress(int done, int total) override { prompt_.FillProgress(done, total); }
  void StatusText(const std::string& text) override { feed_.Status(text); }

 private:
  UserPrompt& prompt_;
  SearchFeed& feed_;
};

}  // namespace voltrim
