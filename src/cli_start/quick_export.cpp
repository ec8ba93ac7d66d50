#include "cli_start/quick_export.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/status_text.h"
#include "cli/stdout_sink.h"
#include "export/portfolio_export.h"

namespace voltrim::cli {

namespace {

// Well-formed UTF-8 of characters Qt passes through its argument and file name conversions
// unchanged: no surrogates, no noncharacters, nothing past U+10FFFF.
bool KeptByQt(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      ++at;
      continue;
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size()) return false;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[at + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
        (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE)
      return false;
    at += length;
  }
  return true;
}

// The format's name as the whole program takes it, in either case.
std::optional<ExportFormat> FormatNamed(std::string_view name) {
  std::string lower(name);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower == "text") return ExportFormat::Text;
  if (lower == "csv") return ExportFormat::Csv;
  return std::nullopt;
}

}  // namespace

std::optional<QuickExport> QuickExportOf(int argc, const char* const* argv) {
  if (argc < 3 || std::string_view(argv[1]) != "export") return std::nullopt;
  QuickExport request;
  bool all = false, formatGiven = false, dirGiven = false;
  for (int i = 2; i < argc; ++i) {
    const std::string_view word = argv[i];
    std::optional<std::string_view> format;
    if (word == "--all" && !all) {
      all = true;
    } else if (word == "--format" && i + 1 < argc) {
      format = argv[++i];
    } else if (word.rfind("--format=", 0) == 0) {
      format = word.substr(9);
    } else if (!word.empty() && word[0] != '-' && !dirGiven && KeptByQt(word)) {
      request.dir = word;
      dirGiven = true;
    } else {
      return std::nullopt;
    }
    if (format) {
      const auto named = FormatNamed(*format);
      if (formatGiven || !named) return std::nullopt;
      request.format = *named;
      formatGiven = true;
    }
  }
  if (!all || !dirGiven) return std::nullopt;
  return request;
}

std::optional<int> RunQuickExport(const QuickExport& request) {
  StdoutSink out;
  std::vector<SkippedSeries> skipped;
  if (WritePortfolioExport(out, request.dir, ExportSettings{}, request.format, skipped) != kOk)
    return std::nullopt;
  for (const SkippedSeries& series : skipped) {
    const std::string line =
        series.symbol + " (" + series.file + ") skipped: " + DescribeStatus(series.status);
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  // Standard output that fails is not a file the user named: the status says it, no message.
  if (!out.Finish()) return 1;
  return skipped.empty() ? 0 : 1;
}

}  // namespace voltrim::cli
