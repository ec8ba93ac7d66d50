#include "check/series_check.h"

#include <cmath>
#include <string>

#include "datafiles/format/encodings.h"
#include "quotes/quote_rules.h"
#include "text/number_format.h"

namespace voltrim {

namespace {

std::string NumberText(float value) {
  char text[kNumberTextMax];
  return std::string(text, WriteRoundTrip(text, value));
}

class QuoteChecker {
 public:
  QuoteChecker(const RawSeries& series, const Finding& base, std::vector<Finding>& out)
      : series_(series), base_(base), out_(out) {}

  float Value(int quote, Field field) const {
    const int position = series_.layout[field].position;
    if (position == 0) return -1.0f;
    return series_
        .values[static_cast<std::size_t>(quote) * static_cast<std::size_t>(series_.fieldCount) +
                static_cast<std::size_t>(position - 1)];
  }

  void Add(int quote, FindingKind kind, std::string detail) const {
    Finding finding = base_;
    finding.kind = kind;
    finding.detail = std::move(detail);
    finding.quoteIndex = quote;
    const float date = Value(quote, Field::Date);
    finding.date = IsValidDateFloat(date) ? DateFloatToDay(date) : DayNumber{0};
    out_.push_back(std::move(finding));
  }

  void CheckDates(int quote) const {
    const float date = Value(quote, Field::Date);
    if (!IsValidDateFloat(date)) {
      Add(quote, FindingKind::InvalidDate, "stored date " + NumberText(date) + " is not a day");
      return;
    }
    if (quote == 0) return;
    const float before = Value(quote - 1, Field::Date);
    if (!IsValidDateFloat(before)) return;
    const float time = Value(quote, Field::Time);
    const float timeBefore = Value(quote - 1, Field::Time);
    if (date < before || (date == before && time < timeBefore)) {
      Add(quote, FindingKind::DateOrder,
          "dated before the quote ahead of it (" + FormatUserDate(DateFloatToDay(before)) + ")");
    } else if (date == before && time == timeBefore) {
      Add(quote, FindingKind::DuplicateDate, "same date as the quote ahead of it");
    }
  }

  void CheckValues(int quote) const {
    QuoteValues values;
    for (std::size_t i = 0; i < kValueFields.size(); ++i) {
      values.held[i] = series_.layout.Has(kValueFields[i]);
      if (values.held[i]) values.value[i] = Value(quote, kValueFields[i]);
    }
    // The rules are the quote editor's too, so it warns of what the check would report.
    for (const QuoteRuleBreach& breach : BrokenQuoteRules(values)) {
      const Field field = kValueFields[static_cast<std::size_t>(breach.field)];
      const float value = values.value[static_cast<std::size_t>(breach.field)];
      const float high = values.value[kHighValue];
      const float low = values.value[kLowValue];
      switch (breach.rule) {
        case QuoteRule::NotFinite:
          Add(quote, FindingKind::NotFinite, FieldName(field) + " is " + NumberText(value));
          break;
        case QuoteRule::NegativeValue:
          Add(quote, FindingKind::NegativeValue, FieldName(field) + " is " + NumberText(value));
          break;
        case QuoteRule::HighBelowLow:
          Add(quote, FindingKind::HighBelowLow,
              "high " + NumberText(high) + " is below low " + NumberText(low));
          break;
        case QuoteRule::OutsideRange:
          Add(quote, FindingKind::OutsideRange,
              FieldName(field) + " " + NumberText(value) + " is outside " + NumberText(low) +
                  " - " + NumberText(high));
          break;
      }
    }
  }

  void CheckMasterDate(float stored, int quote, FindingKind kind, const char* which,
                       const char* indexFile) const {
    const float actual = Value(quote, Field::Date);
    if (stored == actual) return;
    Add(quote, kind,
        std::string(indexFile) + "'s " + which + " date " + NumberText(stored) + ", the " + which +
            " quote's " + NumberText(actual));
  }

 private:
  static std::string FieldName(Field field) {
    switch (field) {
      case Field::Open:
        return "open";
      case Field::High:
        return "high";
      case Field::Low:
        return "low";
      case Field::Close:
        return "close";
      case Field::Vol:
        return "volume";
      default:
        return "open interest";
    }
  }

  const RawSeries& series_;
  const Finding& base_;
  std::vector<Finding>& out_;
};

}  // namespace

bool IsValidDateFloat(float dateFloat) {
  if (!(dateFloat >= 0.0f) || dateFloat >= 16777216.0f) return false;
  const auto whole = static_cast<int>(dateFloat);
  if (static_cast<float>(whole) != dateFloat) return false;
  const int year = whole / 10000;
  const int month = whole / 100 % 100;
  const int day = whole % 100;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year + 1900, month)) return false;
  // Only days from 1 January 1961 on have a day number; the count ends late in 2140.
  const DayNumber number = YmdToDay(year, month, day);
  const Ymd back = DayToYmd(number);
  return number != 0 && back.year == year && back.month == month && back.day == day;
}

void CheckSeriesQuotes(const RawSeries& series, const MasterRecord& record, const Finding& base,
                       std::vector<Finding>& out, const char* indexFile) {
  const QuoteChecker checker(series, base, out);
  for (int quote = 0; quote < series.quotes; ++quote) {
    checker.CheckDates(quote);
    checker.CheckValues(quote);
  }
  if (series.quotes == 0) return;
  checker.CheckMasterDate(record.FirstDate(), 0, FindingKind::MasterFirstDate, "first", indexFile);
  // The last quote of a cut-short file is gone, so MASTER cannot be compared with it.
  if (!series.complete) return;
  checker.CheckMasterDate(record.LastDate(), series.quotes - 1, FindingKind::MasterLastDate, "last",
                          indexFile);
}

}  // namespace voltrim
