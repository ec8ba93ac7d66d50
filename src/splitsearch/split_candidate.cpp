#include "splitsearch/split_candidate.h"

#include <string>

namespace voltrim {

std::string SplitCandidate::Line() const {
  // Put together piece by piece rather than printed twice (once to measure): the search
  // and its window make a line for every candidate. Texts end at a NUL, as printed ones do.
  const std::string date = FormatUserDate(day);
  std::string line = symbol.c_str();
  line += " possible ";
  line += std::to_string(ratio.p);
  line += " for ";
  line += std::to_string(ratio.q);
  line += " split on ";
  line += date.c_str();
  return line;
}

}  // namespace voltrim
