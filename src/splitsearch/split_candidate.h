#pragma once

#include <string>

#include "datafiles/format/encodings.h"
#include "splitsearch/split_pair_test.h"

namespace voltrim {

// One possible split: the symbol, the ratio pair and the date of the later quote.
struct SplitCandidate {
  std::string symbol;
  RatioPair ratio;
  DayNumber day = 0;
  // Where it was found: the place of the symbol in the list searched (the symbols grid's
  // row) and the later quote's index in its series (0 = the oldest).
  int symbolIndex = -1;
  int quoteIndex = -1;

  // "XYZ possible 2 for 1 split on 05/27/99"
  std::string Line() const;
};

}  // namespace voltrim
