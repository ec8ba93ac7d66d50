#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "prompt/user_prompt.h"

namespace voltrim::testing {

// Records every text the core shows and answers Yes/No questions from a script.
class RecordingPrompt : public UserPrompt {
 public:
  struct Message {
    std::string text;
    MessageIcon icon;
  };

  // Answers for the next questions, in order; a question with no answer left gets No.
  void AnswerNext(bool yes) { answers_.push_back(yes); }

  void ShowMessage(const std::string& text, MessageIcon icon) override {
    messages.push_back({text, icon});
  }
  bool AskYesNo(const std::string& text) override {
    if (onQuestion) onQuestion();
    questions.push_back(text);
    const bool yes = !answers_.empty() && answers_.front();
    if (!answers_.empty()) answers_.pop_front();
    return yes;
  }
  void Beep(BeepKind kind) override { beeps.push_back(kind); }
  void BeginWait() override { maxWaitDepth = std::max(maxWaitDepth, ++waitDepth); }
  void EndWait() override { --waitDepth; }
  void ScanProgress(const std::string& path, int) override { scanPaths.push_back(path); }
  void FillProgress(int, int) override {}
  void StatusText(const std::string& text) override { statusTexts.push_back(text); }

  // A step of the test run first, as the event loop would while a question is open.
  std::function<void()> onQuestion;
  std::vector<Message> messages;
  std::vector<std::string> questions;
  std::vector<BeepKind> beeps;
  std::vector<std::string> scanPaths;
  std::vector<std::string> statusTexts;
  int waitDepth = 0;  // open BeginWait calls
  int maxWaitDepth = 0;

  // Texts of all messages, for comparing word for word.
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
  }

 private:
  std::deque<bool> answers_;
};

}  // namespace voltrim::testing
