#include "import/new_portfolio.h"

#include "datafiles/io/portfolio_lock.h"
#include "datafiles/write/new_files.h"
#include "prompt/user_prompt.h"

namespace voltrim {

std::string NewPortfolioRefusal(const std::string& reason) {
  return "The portfolio could not be created.\n\nReason: " + reason;
}

bool RunNewPortfolio(const std::string& directory, UserPrompt& prompt) {
  Status status = kOk;
  {
    WaitCursor wait(prompt);
    status = CreatePortfolio(directory);
  }
  switch (status) {
    case kOk:
      return true;
    case kNotAFolder:
      prompt.ShowMessage(NewPortfolioRefusal(directory + " is not a folder."));
      break;
    case kPortfolioThere:
      prompt.ShowMessage(NewPortfolioRefusal(directory + " already holds a MASTER file."));
      break;
    case kFolderNotEmpty:
      prompt.ShowMessage(NewPortfolioRefusal(directory +
                                             " is not empty; a new portfolio needs a new or "
                                             "empty folder."));
      break;
    case kPortfolioBusy:
      prompt.ShowMessage(kPortfolioBusyMessage);
      break;
    default:
      prompt.ShowMessage("The portfolio could not be created.");
      break;
  }
  return false;
}

}  // namespace voltrim
