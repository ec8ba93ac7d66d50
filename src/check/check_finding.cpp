#include "check/check_finding.h"

#include <array>

namespace voltrim {

const char* KindName(FindingKind kind) {
  static constexpr std::array<const char*, kFindingKindCount> kNames = {
      "master-count",  "empty-symbol",      "duplicate-file",   "duplicate-symbol",
      "bad-record",    "missing-file",      "not-regular-file", "short-file",
      "unlisted-file", "unreadable-dop",    "date-order",       "duplicate-date",
      "invalid-date",  "high-below-low",    "outside-range",    "negative-value",
      "not-finite",    "master-first-date", "master-last-date"};
  const auto index = static_cast<std::size_t>(kind);
  return index < kNames.size() ? kNames[index] : "";
}

}  // namespace voltrim
