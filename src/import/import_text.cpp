#include "import/import_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "datafiles/format/encodings.h"

namespace voltrim {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The number of up to 9 digits; -1 when s is not that.
int Digits(std::string_view s) {
  if (s.empty() || s.size() > 9) return -1;
  int value = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::size_t LineFeeds(std::string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// About the number of lines, with an eighth to spare: those of the text's first 64 KB, the
// rest taken to be alike, as counting them all costs a pass over the text.
std::size_t LinesAbout(std::string_view text) {
  constexpr std::size_t kSample = std::size_t{1} << 16;
  if (text.size() <= kSample) return LineFeeds(text) + 1;
  const std::size_t sampled = LineFeeds(text.substr(0, kSample)) + 1;
  const std::size_t lines = sampled * (text.size() / kSample + 1);
  return lines + lines / 8;
}

// What a character is to the reading of a line.
enum CharKind : std::uint8_t { kOrdinary, kDelimiter, kLineEnd, kQuoteOrBlank };
using CharKinds = std::array<std::uint8_t, 256>;

bool IsFieldEnd(std::uint8_t kind) { return kind == kDelimiter || kind == kLineEnd; }

CharKinds KindsFor(char delimiter) {
  CharKinds kinds{};
  for (const char c : {'"', ' ', '\t'}) kinds[static_cast<unsigned char>(c)] = kQuoteOrBlank;
  // Blanks as the delimiter come in runs, which SplitFields takes as one.
  if (delimiter != ' ') kinds[static_cast<unsigned char>(delimiter)] = kDelimiter;
  kinds['\r'] = kLineEnd;
  kinds['\n'] = kLineEnd;
  return kinds;
}

// Splits the text into lines; CR LF, LF and CR each end one.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : rest_(text) {
    if (rest_.substr(0, 3) == "\xEF\xBB\xBF") rest_.remove_prefix(3);
  }
  bool Next(std::string_view& line, int& number) {
    if (rest_.empty()) return false;
    // A plain scan: find_first_of tests each character against the set one call at a time.
    std::size_t end = 0;
    while (end < rest_.size() && rest_[end] != '\r' && rest_[end] != '\n') ++end;
    TakeLine(end, line, number);
    return true;
  }
  // The same, splitting the line at the delimiter in the one pass over it: a line is read
  // once. plain is false when the line holds a quote or a blank, which SplitFields then
  // handles (fields are left unfinished).
  bool NextSplit(const CharKinds& kinds, std::string_view& line, int& number,
                 std::vector<std::string_view>& fields, bool& plain) {
    if (rest_.empty()) return false;
    fields.clear();
    plain = true;
    const char* text = rest_.data();
    const std::size_t size = rest_.size();
    std::size_t start = 0;
    std::size_t end = 0;
    for (; end < size; ++end) {
      const std::uint8_t kind = kinds[static_cast<unsigned char>(text[end])];
      if (kind == kOrdinary) continue;
      if (kind == kLineEnd) break;
      if (kind == kDelimiter) {
        fields.emplace_back(text + start, end - start);
        start = end + 1;
      } else {
        plain = false;
      }
    }
    fields.emplace_back(text + start, end - start);
    TakeLine(end, line, number);
    return true;
  }

  // What is left of the text, from the start of the next line.
  std::string_view Rest() const { return rest_; }

  // The line is rest_'s first end characters; its line end is passed over.
  void TakeLine(std::size_t end, std::string_view& line, int& number) {
    line = rest_.substr(0, end);
    if (end == rest_.size()) {
      rest_ = {};
    } else {
      const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
      rest_.remove_prefix(end + (crlf ? 2 : 1));
    }
    number = ++count_;
  }

 private:
  std::string_view rest_;
  int count_ = 0;
};

// Splits a line into its fields, each without surrounding blanks and quotes: views of the
// line itself, or of scratch for a quoted field (whose doubled quotes are made single).
// Nothing is allocated per field: the vector and scratch are reused from line to line.
void SplitFields(std::string_view line, char delimiter, std::vector<std::string_view>& out,
                 std::string& scratch) {
  out.clear();
  scratch.clear();
  // No field's text is longer than the line, so the views into scratch stay where they are.
  scratch.reserve(line.size());
  const bool blanks = delimiter == ' ';
  std::size_t at = 0;
  const auto skipBlanks = [&] {
    while (at < line.size() && IsBlank(line[at]) && line[at] != delimiter) ++at;
  };
  if (blanks) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) at = std::string_view::npos;
  }
  while (at != std::string_view::npos) {
    skipBlanks();
    const std::size_t quotedFrom = scratch.size();
    const bool quoted = at < line.size() && line[at] == '"';
    if (quoted) {
      for (++at; at < line.size(); ++at) {
        if (line[at] != '"') {
          scratch.push_back(line[at]);
        } else if (at + 1 < line.size() && line[at + 1] == '"') {
          scratch.push_back('"');
          ++at;
        } else {
          ++at;
          break;
        }
      }
    }
    const std::size_t end = blanks ? std::min(line.find_first_of(" \t", at), line.size())
                                   : std::min(line.find(delimiter, at), line.size());
    const std::string_view rest = Trim(line.substr(at, end - at));
    if (quoted) {
      scratch.append(rest);
      out.push_back(std::string_view(scratch).substr(quotedFrom));
    } else {
      out.push_back(rest);
    }
    at = end;
    if (blanks) {
      while (at < line.size() && IsBlank(line[at])) ++at;
      if (at == line.size()) at = std::string_view::npos;
    } else if (at == line.size()) {
      at = std::string_view::npos;
    } else {
      ++at;  // past the delimiter
    }
  }
}

char DelimiterOf(std::string_view line) {
  if (line.find('\t') != std::string_view::npos) return '\t';
  if (line.find(';') != std::string_view::npos) return ';';
  if (line.find(',') != std::string_view::npos) return ',';
  return ' ';
}

enum class Read { kValue, kEmpty, kBad, kBeyond };

// HH:MM:SS, HH:MM (hours of one or two digits), HHMMSS or HHMM.
Read ReadTime(std::string_view s, float& out) {
  int h = -1, m = -1, sec = 0;
  const std::size_t colon = s.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view rest = s.substr(colon + 1);
    const std::size_t second = rest.find(':');
    if (colon > 2 || rest.substr(0, second).size() != 2) return Read::kBad;
    h = Digits(s.substr(0, colon));
    m = Digits(rest.substr(0, second));
    if (second != std::string_view::npos) {
      if (rest.size() - second - 1 != 2) return Read::kBad;
      sec = Digits(rest.substr(second + 1));
    }
  } else if (s.size() == 4 || s.size() == 6) {
    h = Digits(s.substr(0, 2));
    m = Digits(s.substr(2, 2));
    if (s.size() == 6) sec = Digits(s.substr(4, 2));
  }
  if (h < 0 || h > 23 || m < 0 || m > 59 || sec < 0 || sec > 59) return Read::kBad;
  out = static_cast<float>(h * 10000 + m * 100 + sec);
  return Read::kValue;
}

// The date forms, and a time after a blank or "T". kBeyond: a calendar day without a day
// number.
Read ReadDate(std::string_view s, float& date, float& time, bool& withTime) {
  withTime = false;
  std::size_t split = 0;  // a plain scan, as find_first_of calls memchr for each character
  while (split < s.size() && s[split] != ' ' && s[split] != 'T') ++split;
  if (split != s.size()) {
    if (ReadTime(Trim(s.substr(split + 1)), time) != Read::kValue) return Read::kBad;
    withTime = true;
    s = s.substr(0, split);
  }
  int year = -1, month = -1, day = -1;
  if (s.size() == 10 && s[4] == '-' && s[7] == '-') {
    year = Digits(s.substr(0, 4));
    month = Digits(s.substr(5, 2));
    day = Digits(s.substr(8, 2));
  } else if (s.size() == 8 && AllDigits(s)) {
    year = Digits(s.substr(0, 4));
    month = Digits(s.substr(4, 2));
    day = Digits(s.substr(6, 2));
  } else if (const std::size_t first = s.find('/'); first == 1 || first == 2) {
    const std::size_t second = s.find('/', first + 1);
    if (second == std::string_view::npos || second - first - 1 < 1 || second - first - 1 > 2)
      return Read::kBad;
    const std::string_view yearText = s.substr(second + 1);
    month = Digits(s.substr(0, first));
    day = Digits(s.substr(first + 1, second - first - 1));
    year = Digits(yearText);
    if (yearText.size() == 2 && year >= 0) {
      year += year < 60 ? 2000 : 1900;
    } else if (yearText.size() != 4) {
      return Read::kBad;
    }
  }
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return Read::kBad;
  // Day numbers run from 1 January 1961 to 4 June 2140.
  const long ymd = year * 10000L + month * 100L + day;
  if (ymd < 19610101L || ymd > 21400604L) return Read::kBeyond;
  date = static_cast<float>(ymd - 19000000L);
  return Read::kValue;
}

// The nearest single of the decimal whole / 10^scale (whole of at most 15 digits, exact in
// a double), the common case, without the general conversion. One multiplication by the
// double nearest 10^-scale lands within two units of the double's last place of the
// decimal, so rounding it to a single gives the single nearest the decimal unless it lies
// within those few units of a point halfway between two singles, where the decimal may lie
// to either side. False for that case: from_chars decides it. The value is 0 or lies
// between 10^-15 and 10^15, well inside the normal singles.
bool DecimalValue(std::uint64_t whole, int scale, bool negative, float& out) {
  static constexpr double kInversePowers[] = {1e0,  1e-1, 1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                              1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15};
  // Converted as a signed number, which takes one instruction where an unsigned one takes a
  // test and two paths; under 10^15 it is the same number.
  const double value =
      static_cast<double>(static_cast<std::int64_t>(whole)) * kInversePowers[scale];
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  // A double's 52 stored bits hold a single's 23 and 29 below them: halfway is the first of
  // those 29 alone; 4 units either side of it cover the product's error.
  constexpr std::uint64_t kHalfway = 0x10000000u;
  if ((bits & 0x1FFFFFFFu) - (kHalfway - 4) <= 8) return false;
  out = static_cast<float>(negative ? -value : value);
  return true;
}

// The digits of a plain decimal ([-]digits[.digits]) from at, up to the first character
// that cannot continue it.
struct DecimalDigits {
  std::uint64_t whole = 0;
  int digits = 0;
  int decimals = -1;  // digits after the point; -1 without one
  bool negative = false;
};

// The digits from at on, taken into whole; where they end. Unbounded (kBounded false) only
// where a character that is no digit is known to come before end.
template <bool kBounded>
const char* TakeDigits(const char* at, const char* end, std::uint64_t& whole) {
  std::uint64_t value = whole;
  for (; !kBounded || at < end; ++at) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*at)) - '0';
    if (digit >= 10) break;
    // Past 15 digits the whole number is not used (and may wrap).
    value = value * 10 + digit;
  }
  whole = value;
  return at;
}

// Counted in locals and stored in d once: d's members, kept in memory, would have to be
// stored and loaded again around every character read, which may alias them. Inlined into
// the quick reading of a line, where d then stays in registers too.
template <bool kBounded = true>
[[gnu::always_inline]] inline const char* ScanDecimal(const char* at, const char* end,
                                                      DecimalDigits& d) {
  const bool negative = (!kBounded || at < end) && *at == '-';
  if (negative) ++at;
  std::uint64_t whole = 0;
  const char* const wholeFrom = at;
  at = TakeDigits<kBounded>(at, end, whole);
  int digits = static_cast<int>(at - wholeFrom);
  int decimals = -1;
  if ((!kBounded || at < end) && *at == '.') {
    const char* const decimalsFrom = ++at;
    at = TakeDigits<kBounded>(at, end, whole);
    decimals = static_cast<int>(at - decimalsFrom);
    digits += decimals;
  }
  d = {whole, digits, decimals, negative};
  return at;
}

bool DigitsValue(const DecimalDigits& d, float& out) {
  return d.digits > 0 && d.digits <= 15 &&
         DecimalValue(d.whole, d.decimals < 0 ? 0 : d.decimals, d.negative, out);
}

// A plain decimal, the whole of s; false for any other form (from_chars reads those).
bool PlainDecimal(std::string_view s, float& out) {
  DecimalDigits d;
  return ScanDecimal(s.data(), s.data() + s.size(), d) == s.data() + s.size() &&
         DigitsValue(d, out);
}

// YYYY-MM-DD, the most common form, read at once: false for anything else, and for a day
// ReadDate refuses, which then reads (or refuses) it.
bool QuickIsoDate(std::string_view s, float& date) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  const auto digit = [&](std::size_t i) {
    return static_cast<unsigned>(static_cast<unsigned char>(s[i])) - '0';
  };
  for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
    if (digit(i) > 9) return false;
  const int year = static_cast<int>(digit(0) * 1000 + digit(1) * 100 + digit(2) * 10 + digit(3));
  const int month = static_cast<int>(digit(5) * 10 + digit(6));
  const int day = static_cast<int>(digit(8) * 10 + digit(9));
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  const long ymd = year * 10000L + month * 100L + day;
  if (ymd < 19610101L || ymd > 21400604L) return false;
  date = static_cast<float>(ymd - 19000000L);
  return true;
}

// The month of the last YYYY-MM-DD date read: the lines of a file come day by day, so a
// date whose first eight characters ("YYYY-MM-") are the last one's needs only its day read.
class LastIsoMonth {
 public:
  // The YYYY-MM-DD at at (whose field ends at at[10]) as QuickIsoDate reads it.
  bool Read(const char* at, float& date) {
    std::uint64_t head = 0;
    std::memcpy(&head, at, sizeof head);
    if (head != head_) return ReadMonth(at, head, date);
    const unsigned tens = static_cast<unsigned>(static_cast<unsigned char>(at[8])) - '0';
    const unsigned ones = static_cast<unsigned>(static_cast<unsigned char>(at[9])) - '0';
    const unsigned day = tens * 10 + ones;
    if (tens > 9 || ones > 9 || day < 1 || day > lastDay_) return false;
    date = static_cast<float>(monthBase_ + static_cast<int>(day));
    return true;
  }

 private:
  bool ReadMonth(const char* at, std::uint64_t head, float& date) {
    if (!QuickIsoDate(std::string_view(at, 10), date)) return false;
    const auto value = static_cast<int>(date);  // (year - 1900) x 10000 + month x 100 + day
    monthBase_ = value - value % 100;
    lastDay_ = static_cast<unsigned>(LastImportDay(value / 10000 + 1900, value / 100 % 100));
    head_ = head;
    return true;
  }

  std::uint64_t head_ = 0;
  int monthBase_ = 0;
  unsigned lastDay_ = 0;  // no day before a month is read
};

// A decimal read to the nearest single; kBeyond for what a data file cannot hold.
Read ReadValue(std::string_view s, float& out) {
  if (s.empty()) return Read::kEmpty;
  if (s.size() == 3 && std::toupper(static_cast<unsigned char>(s[0])) == 'N' && s[1] == '/' &&
      std::toupper(static_cast<unsigned char>(s[2])) == 'A')
    return Read::kEmpty;
  if (s.front() == '+') {
    s.remove_prefix(1);
    if (s.empty() || s.front() == '-') return Read::kBad;
  }
  // Words such as "inf" and "nan" read as numbers; they are no price.
  const char lead = s.front() == '-' && s.size() > 1 ? s[1] : s.front();
  if (!(lead == '.' || (lead >= '0' && lead <= '9'))) return Read::kBad;
  float value = 0.0f;
  if (!PlainDecimal(s, value)) {
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (end != s.data() + s.size()) return Read::kBad;
    if (error == std::errc::result_out_of_range) return Read::kBeyond;
    if (error != std::errc()) return Read::kBad;
  }
  if (!HasMbfForm(value)) return Read::kBeyond;
  out = value;
  return Read::kValue;
}

std::string NormalName(std::string_view name) {
  std::string normal;
  for (const char c : name) {
    if (IsBlank(c) || c == '_' || c == '.' || c == '-' || c == '<' || c == '>' || c == '"')
      continue;
    normal.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return normal;
}

ImportColumn ColumnNamed(std::string_view name, bool symbols) {
  const std::string n = NormalName(name);
  if (symbols && (n == "symbol" || n == "ticker")) return ImportColumn::kSymbol;
  if (symbols && (n == "per" || n == "period")) return ImportColumn::kPeriod;
  if (n == "date" || n == "timestamp" || n == "datetime") return ImportColumn::kDate;
  if (n == "time") return ImportColumn::kTime;
  if (n == "open") return ImportColumn::kOpen;
  if (n == "high") return ImportColumn::kHigh;
  if (n == "low") return ImportColumn::kLow;
  if (n == "close") return ImportColumn::kClose;
  if (n == "volume" || n == "vol") return ImportColumn::kVolume;
  if (n == "openint" || n == "openinterest" || n == "oi") return ImportColumn::kOpenInterest;
  return ImportColumn::kNone;
}

Field FieldOf(ImportColumn column) {
  switch (column) {
    case ImportColumn::kDate:
      return Field::Date;
    case ImportColumn::kTime:
      return Field::Time;
    case ImportColumn::kOpen:
      return Field::Open;
    case ImportColumn::kHigh:
      return Field::High;
    case ImportColumn::kLow:
      return Field::Low;
    case ImportColumn::kClose:
      return Field::Close;
    case ImportColumn::kVolume:
      return Field::Vol;
    default:
      return Field::Oi;
  }
}

class Parser {
 public:
  Parser(ImportText& out, ImportTextError& error, bool symbols)
      : out_(out), error_(error), symbols_(symbols) {}

  bool Run(std::string_view text) {
    out_ = ImportText{};
    // A quote a line (of LF or CR LF ends), ready to be written: see NextQuote.
    const std::size_t lineCount = LinesAbout(text);
    out_.quotes.resize(lineCount);
    present_.resize(lineCount);
    LineReader lines(text);
    const std::size_t lastEnd = text.find_last_of("\r\n");
    lastEnd_ = lastEnd == std::string_view::npos ? text.data() : text.data() + lastEnd;
    std::string_view line;
    int number = 0;
    bool first = true;
    bool plain = false;
    CharKinds kinds{};
    bool quick = false;
    while (true) {
      if (quick && QuickQuote(lines, kinds)) continue;
      if (!(first ? lines.Next(line, number)
                  : lines.NextSplit(kinds, line, number, fields_, plain)))
        break;
      if (Trim(line).empty()) continue;
      if (first) {
        first = false;
        out_.delimiter = DelimiterOf(line);
        // A blank delimiter is a run of blanks: every line goes through SplitFields.
        kinds = KindsFor(out_.delimiter);
        quick = out_.delimiter != ' ';
        SplitFields(line, out_.delimiter, fields_, scratch_);
        if (!Columns(number)) return false;
        if (out_.header) continue;
      } else if (!plain) {
        SplitFields(line, out_.delimiter, fields_, scratch_);
      }
      if (!Quote(number)) return false;
    }
    out_.quotes.resize(kept_);
    present_.resize(kept_);
    if (out_.quotes.empty()) return Fail(0, "the file holds no quotes");
    if (symbols_) {
      out_.present = std::move(present_);
      return true;
    }
    return EveryLineHasTheGivenFields();
  }

 private:
  bool Fail(int line, std::string reason) {
    error_.line = line;
    error_.reason = std::move(reason);
    return false;
  }

  // The columns, from the header or, without one, from the first line's fields.
  bool Columns(int number) {
    float date = 0.0f, time = 0.0f;
    bool withTime = false;
    const Read first = ReadDate(fields_.front(), date, time, withTime);
    out_.header = first != Read::kValue && first != Read::kBeyond;
    if (out_.header) return NamedColumns(number);
    if (symbols_)
      return Fail(number, "the first line names no columns (a symbol column is needed)");
    static constexpr ImportColumn kOrder[] = {ImportColumn::kOpen,   ImportColumn::kHigh,
                                              ImportColumn::kLow,    ImportColumn::kClose,
                                              ImportColumn::kVolume, ImportColumn::kOpenInterest};
    out_.columns.push_back(ImportColumn::kDate);
    std::size_t next = 1;
    if (fields_.size() > 1 && fields_[1].find(':') != std::string_view::npos) {
      out_.columns.push_back(ImportColumn::kTime);
      next = 2;
    }
    for (std::size_t k = 0; next < fields_.size(); ++next, ++k)
      out_.columns.push_back(k < std::size(kOrder) ? kOrder[k] : ImportColumn::kNone);
    out_.names.assign(out_.columns.size(), std::string());
    for (std::size_t c = 0; c < out_.columns.size(); ++c) {
      if (out_.columns[c] == ImportColumn::kNone) {
        out_.ignored.push_back("column " + std::to_string(c + 1));
      } else {
        out_.fieldNames[FieldSlot(FieldOf(out_.columns[c]))] =
            ImportFieldTitle(FieldOf(out_.columns[c]));
      }
    }
    return true;
  }

  bool NamedColumns(int number) {
    std::array<bool, kFieldKindCount> seen{};
    for (std::size_t c = 0; c < fields_.size(); ++c) {
      const std::string name(fields_[c]);
      const ImportColumn column = ColumnNamed(name, symbols_);
      out_.names.push_back(name);
      out_.columns.push_back(column);
      if (column == ImportColumn::kSymbol || column == ImportColumn::kPeriod) {
        const std::size_t slot = column == ImportColumn::kSymbol ? 0 : 1;
        if (special_[slot] >= 0)
          return Fail(number,
                      "two columns hold the " + std::string(slot == 0 ? "symbol" : "periodicity"));
        special_[slot] = static_cast<int>(c);
        continue;
      }
      if (column == ImportColumn::kNone) {
        out_.ignored.push_back(name.empty() ? "column " + std::to_string(c + 1) : name);
        continue;
      }
      const Field field = FieldOf(column);
      if (seen[FieldSlot(field)])
        return Fail(number, "two columns hold the " + std::string(ImportFieldTitle(field)) + " (" +
                                out_.fieldNames[FieldSlot(field)] + " and " + name + ")");
      seen[FieldSlot(field)] = true;
      out_.fieldNames[FieldSlot(field)] = name;
    }
    if (!seen[FieldSlot(Field::Date)]) return Fail(number, "no column is named Date");
    if (symbols_ && special_[0] < 0) return Fail(number, "no column is named Symbol or Ticker");
    return true;
  }

  bool Quote(int number) {
    const std::size_t expected = out_.columns.size();
    if (fields_.size() < expected ||
        std::any_of(fields_.begin() + static_cast<std::ptrdiff_t>(expected), fields_.end(),
                    [](std::string_view f) { return !f.empty(); }))
      return Fail(number, "the line has " + std::to_string(fields_.size()) + " fields where " +
                              std::to_string(expected) + " were expected");
    ImportQuote quote;
    quote.line = number;
    std::uint8_t present = 0;
    for (std::size_t c = 0; c < expected; ++c) {
      const ImportColumn column = out_.columns[c];
      if (column == ImportColumn::kNone) continue;
      if (column == ImportColumn::kSymbol || column == ImportColumn::kPeriod) {
        if (column == ImportColumn::kSymbol && fields_[c].empty())
          return Fail(number, "the line names no symbol");
        (column == ImportColumn::kSymbol ? out_.symbols : out_.periods).emplace_back(fields_[c]);
        continue;
      }
      const std::string_view cell = fields_[c];
      const Field field = FieldOf(column);
      if (column == ImportColumn::kDate) {
        bool withTime = false;
        float time = 0.0f;
        const Read read = ReadDate(cell, quote.date, time, withTime);
        if (read == Read::kBeyond)
          return Fail(number, Quoted(cell) +
                                  " lies outside the dates a data file holds (1 January "
                                  "1961 to 4 June 2140)");
        if (read != Read::kValue) return Fail(number, Quoted(cell) + " is not a date");
        if (withTime && (present & (1u << FieldSlot(Field::Time))) == 0) {
          quote.time = time;
          present |= static_cast<std::uint8_t>(1u << FieldSlot(Field::Time));
          if (out_.fieldNames[FieldSlot(Field::Time)].empty())
            out_.fieldNames[FieldSlot(Field::Time)] = ImportFieldTitle(Field::Time);
        }
        continue;
      }
      if (column == ImportColumn::kTime) {
        if (cell.empty()) continue;
        if (ReadTime(cell, quote.time) != Read::kValue)
          return Fail(number, Quoted(cell) + " is not a time");
        present |= static_cast<std::uint8_t>(1u << FieldSlot(field));
        continue;
      }
      const std::size_t k = FieldSlot(field) - FieldSlot(Field::Open);
      const Read read = ReadValue(cell, quote.values[k]);
      if (read == Read::kEmpty) continue;
      if (read != Read::kValue) {
        const std::string where = " in column " + out_.fieldNames[FieldSlot(field)];
        if (read == Read::kBad) return Fail(number, Quoted(cell) + where + " is not a number");
        return Fail(number, Quoted(cell) + where + " is beyond what a data file can hold");
      }
      present |= static_cast<std::uint8_t>(1u << FieldSlot(field));
    }
    NextQuote() = quote;
    KeepQuote(present);
    return true;
  }

  // The quote of the line at hand, in its place among the quotes, all zeros: the quotes are
  // sized ahead (and grown where the lines outnumber the guess), so that a line's fields go
  // straight to their place. A copy of a quote just written field by field would wait on
  // each field's store.
  ImportQuote& NextQuote() {
    if (kept_ == out_.quotes.size()) {
      out_.quotes.resize(std::max<std::size_t>(64, 2 * kept_));
      present_.resize(out_.quotes.size());
    }
    return out_.quotes[kept_];
  }
  void KeepQuote(std::uint8_t present) { present_[kept_++] = present; }

  // The common line, read in the one pass over it: each field read where it stands. False,
  // with the line left unread, for any line that needs a closer look (quotes, blanks, a
  // date with its time, numbers of other forms, fields too few or too many, a blank line,
  // anything refused): Quote reads it again and gives the same result or the message.
  bool QuickQuote(LineReader& lines, const CharKinds& kinds) {
    const std::string_view rest = lines.Rest();
    const char* const begin = rest.data();
    // Every scan of the line stops at a line end, and the text has one at lastEnd_: no scan
    // tests for the text's end. A line after the last line end goes the slow way.
    if (rest.empty() || begin >= lastEnd_) return false;
    const char* const end = lastEnd_;
    const auto kindAt = [&](const char* at) -> std::uint8_t {
      return kinds[static_cast<unsigned char>(*at)];
    };
    const char* at = begin;
    ImportQuote& quote = NextQuote();
    // A line left unread leaves its place all zeros again.
    const auto unread = [&quote] {
      quote = ImportQuote{};
      return false;
    };
    std::uint8_t present = 0;
    std::string_view symbol, period;
    const std::size_t count = out_.columns.size();
    for (std::size_t c = 0; c < count; ++c) {
      const ImportColumn column = out_.columns[c];
      const char* const field = at;
      if (column >= ImportColumn::kOpen && column <= ImportColumn::kOpenInterest) {
        DecimalDigits digits;
        at = ScanDecimal<false>(at, end, digits);
        if (!IsFieldEnd(kindAt(at))) return unread();
        if (at != field) {
          const Field f = FieldOf(column);
          float& value = quote.values[FieldSlot(f) - FieldSlot(Field::Open)];
          // Up to 2^24 a value has an MBF form: the check need not wait for the division.
          if (!DigitsValue(digits, value) || (digits.whole > (1u << 24) && !HasMbfForm(value)))
            return unread();
          present |= static_cast<std::uint8_t>(1u << FieldSlot(f));
        }
      } else if (column == ImportColumn::kDate && end - at > 10 && IsFieldEnd(kindAt(at + 10)) &&
                 isoMonth_.Read(at, quote.date)) {
        at += 10;
      } else {
        while (kindAt(at) == kOrdinary) ++at;
        const std::string_view cell(field, static_cast<std::size_t>(at - field));
        if (column == ImportColumn::kDate) {
          bool withTime = false;
          float time = 0.0f;
          if (!QuickIsoDate(cell, quote.date) &&
              (ReadDate(cell, quote.date, time, withTime) != Read::kValue || withTime))
            return unread();
        } else if (column == ImportColumn::kTime && !cell.empty()) {
          if (ReadTime(cell, quote.time) != Read::kValue) return unread();
          present |= static_cast<std::uint8_t>(1u << FieldSlot(Field::Time));
        } else if (column == ImportColumn::kSymbol) {
          if (cell.empty()) return unread();
          symbol = cell;
        } else if (column == ImportColumn::kPeriod) {
          period = cell;
        }
      }
      if (c + 1 < count) {
        if (kindAt(at) != kDelimiter) return unread();
        ++at;
      }
    }
    // Empty fields past the columns are no fault; anything else is for Quote to name.
    while (kindAt(at) == kDelimiter) ++at;
    if (kindAt(at) != kLineEnd) return unread();
    std::string_view line;
    lines.TakeLine(static_cast<std::size_t>(at - begin), line, quote.line);
    if (special_[0] >= 0) out_.symbols.emplace_back(symbol);
    if (special_[1] >= 0) out_.periods.emplace_back(period);
    KeepQuote(present);
    return true;
  }

  bool EveryLineHasTheGivenFields() {
    std::uint8_t given = 0;
    for (const std::uint8_t p : present_) given |= p;
    out_.given[FieldSlot(Field::Date)] = true;
    for (int f = 1; f < kFieldKindCount; ++f)
      out_.given[static_cast<std::size_t>(f)] = (given & (1u << f)) != 0;
    for (std::size_t i = 0; i < present_.size(); ++i) {
      const auto lacking = static_cast<std::uint8_t>(given & ~present_[i]);
      if (lacking == 0) continue;
      int f = 1;
      while ((lacking & (1u << f)) == 0) ++f;
      const std::string what =
          static_cast<Field>(f) == Field::Time
              ? "no time"
              : "no value in column " + out_.fieldNames[static_cast<std::size_t>(f)];
      return Fail(out_.quotes[i].line, what);
    }
    return true;
  }

  ImportText& out_;
  ImportTextError& error_;
  std::vector<std::string_view> fields_;  // of the line at hand
  std::string scratch_;                   // the text of its quoted fields
  std::vector<std::uint8_t> present_;     // per quote: bit f set when field f had a value
  std::size_t kept_ = 0;                  // the quotes read so far
  bool symbols_;
  std::array<int, 2> special_{-1, -1};  // the symbol and periodicity columns
  LastIsoMonth isoMonth_;
  const char* lastEnd_ = nullptr;  // the text's last line end
};

}  // namespace

bool ParseImportText(std::string_view text, ImportText& out, ImportTextError& error) {
  error = ImportTextError{};
  return Parser(out, error, false).Run(text);
}

bool ParseSymbolImportText(std::string_view text, ImportText& out, ImportTextError& error) {
  error = ImportTextError{};
  return Parser(out, error, true).Run(text);
}

const char* ImportFieldTitle(Field field) {
  switch (field) {
    case Field::Date:
      return "Date";
    case Field::Time:
      return "Time";
    case Field::Open:
      return "Open";
    case Field::High:
      return "High";
    case Field::Low:
      return "Low";
    case Field::Close:
      return "Close";
    case Field::Vol:
      return "Volume";
    case Field::Oi:
      return "Open Interest";
  }
  return "";
}

}  // namespace voltrim
