#pragma once

#include "prompt/user_prompt.h"

namespace voltrim::cli {

// The CLI's answer to the core's prompts: messages go to stderr with the program's own
// texts, questions are answered No (scripts never block), progress is not shown.
class CliPrompt : public UserPrompt {
 public:
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  void Beep(BeepKind) override {}
  void BeginWait() override {}
  void EndWait() override {}
  void ScanProgress(const std::string&, int) override {}
  void FillProgress(int, int) override {}
  void StatusText(const std::string&) override {}
};

}  // namespace voltrim::cli
