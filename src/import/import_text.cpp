#include "import/import_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
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
  if (!AllDigits(s) || s.size() > 9) return -1;
  int value = 0;
  for (const char c : s) value = value * 10 + (c - '0');
  return value;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

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
    if (end == rest_.size()) end = std::string_view::npos;
    line = rest_.substr(0, end);
    if (end == std::string_view::npos) {
      rest_ = {};
    } else {
      const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
      rest_.remove_prefix(end + (crlf ? 2 : 1));
    }
    number = ++count_;
    return true;
  }

 private:
  std::string_view rest_;
  int count_ = 0;
};

// Splits a line into its fields, each without surrounding blanks and quotes.
// The strings of out are reused from line to line, so that a long file is read without an
// allocation per field.
void SplitFields(std::string_view line, char delimiter, std::vector<std::string>& out) {
  std::size_t count = 0;
  const auto next = [&]() -> std::string& {
    if (count == out.size()) out.emplace_back();
    std::string& field = out[count++];
    field.clear();
    return field;
  };
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
    std::string& field = next();
    skipBlanks();
    if (at < line.size() && line[at] == '"') {
      for (++at; at < line.size(); ++at) {
        if (line[at] != '"') {
          field.push_back(line[at]);
        } else if (at + 1 < line.size() && line[at + 1] == '"') {
          field.push_back('"');
          ++at;
        } else {
          ++at;
          break;
        }
      }
    }
    const std::size_t end = blanks ? std::min(line.find_first_of(" \t", at), line.size())
                                   : std::min(line.find(delimiter, at), line.size());
    field.append(Trim(line.substr(at, end - at)));
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
  out.resize(count);
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
  const std::size_t split = s.find_first_of(" T");
  if (split != std::string_view::npos) {
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
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (end != s.data() + s.size()) return Read::kBad;
  if (error == std::errc::result_out_of_range) return Read::kBeyond;
  if (error != std::errc()) return Read::kBad;
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
    LineReader lines(text);
    std::string_view line;
    int number = 0;
    bool first = true;
    while (lines.Next(line, number)) {
      if (Trim(line).empty()) continue;
      if (first) {
        first = false;
        out_.delimiter = DelimiterOf(line);
        SplitFields(line, out_.delimiter, fields_);
        if (!Columns(number)) return false;
        if (out_.header) continue;
      } else {
        SplitFields(line, out_.delimiter, fields_);
      }
      if (!Quote(number)) return false;
    }
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
    if (fields_.size() > 1 && fields_[1].find(':') != std::string::npos) {
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
      const std::string& name = fields_[c];
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
                    [](const std::string& f) { return !f.empty(); }))
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
        (column == ImportColumn::kSymbol ? out_.symbols : out_.periods).push_back(fields_[c]);
        continue;
      }
      const std::string& cell = fields_[c];
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
    out_.quotes.push_back(quote);
    present_.push_back(present);
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
  std::vector<std::string> fields_;
  std::vector<std::uint8_t> present_;  // per quote: bit f set when field f had a value
  bool symbols_;
  std::array<int, 2> special_{-1, -1};  // the symbol and periodicity columns
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
