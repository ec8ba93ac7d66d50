#include "cli/status_text.h"

#include <string>

#include "datafiles/io/portfolio_lock.h"

namespace voltrim::cli {

std::string DescribeStatus(Status status) {
  switch (status) {
    case kFileOpen:
      return "a data file cannot be opened";
    case kMalloc:
      return "not enough memory";
    case kFileRead:
      return "a file cannot be read";
    case kFileNotFound:
      return "the symbol or the MASTER file is not there";
    case kRecordNotFound:
      return "no quote at that position";
    case kNoLayout:
      return "the series has no DOP file and no known record layout";
    case kQuoteNotFound:
      return "the quote is not there";
    case kDamagedFile:
      return "a file of the portfolio is damaged";
    case kFileWrite:
      return "a file cannot be written";
    case kNoMbfForm:
      return "a value is too large to be stored";
    case kBadRequest:
      return "the request cannot be carried out";
    case kPortfolioBusy:
      return "another program is changing the portfolio";
    default:
      return "error " + std::to_string(status);
  }
}

}  // namespace voltrim::cli
