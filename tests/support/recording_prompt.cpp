#include "support/recording_prompt.h"

#include <algorithm>

namespace voltrim::testing {

void RecordingPrompt::ShowMessage(const std::string& text, MessageIcon icon) {
  messages.push_back({text, icon});
}

bool RecordingPrompt::AskYesNo(const std::string& text) {
  questions.push_back(text);
  if (answers_.empty()) return false;
  const bool yes = answers_.front();
  answers_.pop_front();
  return yes;
}

void RecordingPrompt::BeginWait() {
  ++waitDepth;
  maxWaitDepth = std::max(maxWaitDepth, waitDepth);
}

void RecordingPrompt::EndWait() { --waitDepth; }

void RecordingPrompt::ScanProgress(const std::string& path, int found) {
  scanPaths.push_back(path);
  scanCounts.push_back(found);
}

void RecordingPrompt::FillProgress(int done, int total) { fillProgress.emplace_back(done, total); }

std::vector<std::string> RecordingPrompt::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& m : messages) texts.push_back(m.text);
  return texts;
}

}  // namespace voltrim::testing
