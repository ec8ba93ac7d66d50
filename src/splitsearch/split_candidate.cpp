#include "splitsearch/split_candidate.h"

#include <cstdio>

namespace voltrim {

std::string SplitCandidate::Line() const {
  const std::string date = FormatUserDate(day);
  const int size = std::snprintf(nullptr, 0, "%s possible %d for %d split on %s", symbol.c_str(),
                                 ratio.p, ratio.q, date.c_str());
  std::string line(static_cast<std::size_t>(size), '\0');
  std::snprintf(line.data(), line.size() + 1, "%s possible %d for %d split on %s", symbol.c_str(),
                ratio.p, ratio.q, date.c_str());
  return line;
}

}  // namespace voltrim
