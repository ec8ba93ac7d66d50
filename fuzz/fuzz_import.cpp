// Reading quote files for the import, and the merge of what was read into a stored series.
// The first byte picks the series (daily or intraday, stored quotes in order or not, the
// overlap choice); the rest is the file's text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/write/import_quotes.h"
#include "import/import_command.h"
#include "import/import_text.h"

namespace {

using voltrim::Field;

// A seven-field series (with TIME instead of OI when intraday) of three stored quotes.
voltrim::SeriesLocation Series(bool intraday, std::vector<std::uint8_t>& dat, bool unordered) {
  voltrim::SeriesLocation series;
  series.recordLength = 28;
  series.fieldCount = 7;
  const Field fields[] = {Field::Date,
                          intraday ? Field::Time : Field::Open,
                          intraday ? Field::Open : Field::High,
                          intraday ? Field::High : Field::Low,
                          intraday ? Field::Low : Field::Close,
                          intraday ? Field::Close : Field::Vol,
                          intraday ? Field::Vol : Field::Oi};
  for (std::int16_t i = 0; i < 7; ++i)
    series.layout[fields[i]].position = static_cast<std::int16_t>(i + 1);
  dat.assign(28 * 4, 0);
  dat[2] = 4;
  const float dates[] = {1000103, unordered ? 991231.0f : 1000104, 1000105};
  for (std::size_t q = 0; q < 3; ++q) {
    std::uint8_t* record = dat.data() + 28 * (q + 1);
    voltrim::IeeeToMbf(dates[q], record);
    for (std::size_t f = 1; f < 7; ++f)
      voltrim::IeeeToMbf(intraday && f == 1 ? 93000.0f : 1.5f, record + 4 * f);
  }
  return series;
}

}  // namespace

// A blank after each delimiter changes nothing a file says (fields are read without the
// blanks around them), but sends every line through the reading of fields with blanks:
// the quick reading of plain lines must agree with it, in the result or the message.
void ExpectBlanksChangeNothing(std::string_view text, const voltrim::ImportText& parsed,
                               const voltrim::ImportTextError& error, bool read) {
  if (text.find('"') != std::string_view::npos || parsed.delimiter == ' ') return;
  std::string blanked;
  for (const char c : text) {
    blanked += c;
    if (c == parsed.delimiter) blanked += ' ';
  }
  voltrim::ImportText other;
  voltrim::ImportTextError otherError;
  if (voltrim::ParseImportText(blanked, other, otherError) != read ||
      otherError.line != error.line || otherError.reason != error.reason)
    std::abort();
  if (read && (other.given != parsed.given || other.quotes.size() != parsed.quotes.size() ||
               std::memcmp(other.quotes.data(), parsed.quotes.data(),
                           parsed.quotes.size() * sizeof(voltrim::ImportQuote)) != 0))
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t choice = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  voltrim::ImportText parsed;
  voltrim::ImportTextError error;
  const bool read = voltrim::ParseImportText(text, parsed, error);
  ExpectBlanksChangeNothing(text, parsed, error, read);
  if (!read) {
    // A refusal names a line of the file, or none.
    if (error.line < 0 || error.reason.empty()) std::abort();
    return 0;
  }
  if (parsed.quotes.empty()) std::abort();
  std::vector<std::uint8_t> dat;
  const voltrim::SeriesLocation series = Series((choice & 1) != 0, dat, (choice & 2) != 0);
  const auto overlap = static_cast<voltrim::ImportOverlap>((choice >> 2) % 3);
  voltrim::ImportResult result;
  std::vector<std::uint8_t> content;
  const voltrim::Status status =
      voltrim::PlanImport(series, dat, voltrim::ImportRequestOf(parsed, overlap), result, &content);
  // Whatever was read can be stored: only the refusals of the merge itself remain.
  if (status == voltrim::kBadRequest || status == voltrim::kDamagedFile) std::abort();
  if (status == voltrim::kOk) {
    if (content.size() != 28 * static_cast<std::size_t>(result.quotesAfter + 1)) std::abort();
    if (result.added + result.skipped + result.differing != static_cast<int>(parsed.quotes.size()))
      std::abort();
  }
  (void)voltrim::ImportSummary("S", result, voltrim::ColumnNotesOf(parsed, series.layout));
  (void)voltrim::PreviewRowsOf(parsed, series.layout, 20);
  return 0;
}
