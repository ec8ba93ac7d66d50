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
#include "import/import_fields.h"
#include "import/import_values.h"

namespace voltrim {

namespace {

using namespace import_reading;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

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
