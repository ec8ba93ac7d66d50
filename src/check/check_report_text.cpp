#include "check/check_report_text.h"

namespace voltrim {

std::string FindingPlace(const Finding& finding) {
  if (finding.quoteIndex < 0) return {};
  if (finding.date != 0) return FormatUserDate(finding.date);
  return "quote " + std::to_string(finding.quoteIndex + 1);
}

std::string FindingLine(const Finding& finding) {
  return finding.symbol + '\t' + finding.file + '\t' + FindingPlace(finding) + '\t' +
         KindName(finding.kind) + '\t' + finding.detail;
}

std::string CheckSummary(const CheckReport& report) {
  const std::size_t found = report.findings.size();
  const std::string checked = std::to_string(report.seriesChecked) + " series, " +
                              std::to_string(report.quotesChecked) + " quotes checked";
  if (found == 0) return "No problems found; " + checked;
  return std::to_string(found) + (found == 1 ? " problem found; " : " problems found; ") + checked;
}

}  // namespace voltrim
