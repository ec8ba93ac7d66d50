#pragma once

#include "prompt/user_prompt.h"

namespace voltrim::cli {

// The CLI's answer to the core's prompts: messages go to stderr with the program's own
// texts, questions are answered No (scripts never block), progress is not shown.
class CliPrompt : public QuietPrompt {
 public:
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
};

}  // namespace voltrim::cli
