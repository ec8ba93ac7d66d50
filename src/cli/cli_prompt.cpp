#include "cli/cli_prompt.h"

#include <cstdio>

#include "cli/cli_common.h"

namespace voltrim::cli {

void CliPrompt::ShowMessage(const std::string& text, MessageIcon) { PrintFailure(text); }

bool CliPrompt::AskYesNo(const std::string& text) {
  std::fprintf(stderr, "%s\n(answered No)\n", text.c_str());
  return false;
}

}  // namespace voltrim::cli
