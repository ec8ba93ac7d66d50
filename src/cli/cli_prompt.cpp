#include "cli/cli_prompt.h"

#include <cstdio>

namespace voltrim::cli {

void CliPrompt::ShowMessage(const std::string& text, MessageIcon) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

bool CliPrompt::AskYesNo(const std::string& text) {
  std::fprintf(stderr, "%s\n(answered No)\n", text.c_str());
  return false;
}

}  // namespace voltrim::cli
