#include "import/import_command.h"

#include <cstdio>
#include <utility>

#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/rewrite_series.h"
#include "prompt/user_prompt.h"
#include "text/number_format.h"

namespace voltrim {

namespace {

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
    text += items[i];
  }
  return text;
}

std::string RoundTrip(float value) {
  char text[kNumberTextMax];
  return std::string(text, WriteRoundTrip(text, value));
}

std::string TimeText(float timeValue) {
  const auto whole = static_cast<int>(timeValue);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", whole / 10000 % 100, whole / 100 % 100,
                whole % 100);
  return text;
}

}  // namespace

bool ReadImportFile(const std::string& path, ImportText& out, UserPrompt& prompt) {
  file_ops::FileBytes bytes;
  const Status read = ReadWholeFile(path, bytes, kMaxImportFileBytes);
  if (read == kDamagedFile) {
    prompt.ShowMessage(path + " cannot be imported: it is larger than 64 MB." + kNothingChanged);
    return false;
  }
  if (read != kOk) {
    prompt.ShowMessage(path + " cannot be read.");
    return false;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::string message;
  if (ParseImportFile(path, text, out, message)) return true;
  prompt.ShowMessage(message);
  return false;
}

bool ParseImportFile(const std::string& name, std::string_view text, ImportText& out,
                     std::string& message) {
  ImportTextError error;
  if (ParseImportText(text, out, error)) return true;
  if (error.line == 0) {
    message = name + " cannot be imported: " + error.reason + "." + kNothingChanged;
  } else {
    message = name + " cannot be imported.\n\nLine " + std::to_string(error.line) + ": " +
              error.reason + "." + kNothingChanged;
  }
  return false;
}

ImportRequest ImportRequestOf(const ImportText& text, ImportOverlap overlap) {
  return {text.quotes, text.given, overlap};
}

ImportRequest ImportRequestOf(ImportText&& text, ImportOverlap overlap) {
  return {std::move(text.quotes), text.given, overlap};
}

ImportColumnNotes ColumnNotesOf(const ImportText& text, const ColumnLayout& layout) {
  ImportColumnNotes notes;
  notes.ignored = text.ignored;
  for (int f = 1; f < kFieldKindCount; ++f) {
    const Field field = static_cast<Field>(f);
    const bool given = text.given[FieldSlot(field)];
    if (given && !layout.Has(field)) notes.dropped.push_back(text.fieldNames[FieldSlot(field)]);
    if (!given && layout.Has(field) && field != Field::Time)
      notes.missing.push_back(ImportFieldTitle(field));
  }
  return notes;
}

std::vector<std::string> ImportSummary(const std::string& symbol, const ImportResult& result,
                                       const ImportColumnNotes& notes) {
  std::vector<std::string> lines;
  lines.push_back(symbol + ": " + std::to_string(result.added) +
                  (result.added == 1 ? " quote added, " : " quotes added, ") +
                  std::to_string(result.replaced) + " replaced, " + std::to_string(result.kept) +
                  " kept, " + std::to_string(result.skipped) + " skipped (already stored).");
  if (!notes.ignored.empty()) lines.push_back("Columns ignored: " + Joined(notes.ignored) + ".");
  if (!notes.dropped.empty())
    lines.push_back("Columns the series does not hold, left out: " + Joined(notes.dropped) + ".");
  if (!notes.missing.empty())
    lines.push_back("Columns the file does not hold, stored as 0 in new quotes: " +
                    Joined(notes.missing) + ".");
  return lines;
}

ImportPreviewRows PreviewRowsOf(const ImportText& text, const ColumnLayout& layout,
                                std::size_t count) {
  ImportPreviewRows preview;
  for (int f = 0; f < kFieldKindCount; ++f)
    if (layout.Has(static_cast<Field>(f))) preview.columns.push_back(static_cast<Field>(f));
  for (std::size_t i = 0; i < text.quotes.size() && i < count; ++i) {
    const ImportQuote& q = text.quotes[i];
    std::vector<std::string> row;
    for (const Field field : preview.columns) {
      if (field == Field::Date) {
        row.push_back(FormatUserDate(DateFloatToDay(q.date)));
      } else if (field == Field::Time) {
        row.push_back(TimeText(text.given[FieldSlot(Field::Time)] ? q.time : 0.0f));
      } else {
        const std::size_t k = FieldSlot(field) - FieldSlot(Field::Open);
        row.push_back(RoundTrip(text.given[FieldSlot(field)] ? q.values[k] : 0.0f));
      }
    }
    preview.rows.push_back(std::move(row));
  }
  return preview;
}

ImportPreview PreviewImportFile(const std::string& portfolioDir, const std::string& symbol,
                                const ImportText& text, std::size_t rows) {
  ImportPreview preview;
  preview.status = PreviewImport(portfolioDir, symbol, ImportRequestOf(text, ImportOverlap::kKeep),
                                 preview.result);
  preview.notes = ColumnNotesOf(text, preview.result.layout);
  preview.rows = PreviewRowsOf(text, preview.result.layout, rows);
  return preview;
}

std::string ImportQuoteDate(const ImportQuote& quote, bool withTime) {
  std::string text = FormatUserDate(DateFloatToDay(quote.date));
  if (withTime) text += " " + TimeText(quote.time);
  return text;
}

std::string ImportFailureText(Status status, const std::string& fileName, const std::string& symbol,
                              const ImportResult& result, const std::string& advice) {
  const bool withTime = result.layout.Has(Field::Time);
  switch (status) {
    case kOk:
      return {};
    case kImportDuplicate:
      return fileName + " cannot be imported.\n\nLines " +
             std::to_string(result.duplicateLines[0]) + " and " +
             std::to_string(result.duplicateLines[1]) + " both hold a quote of " +
             ImportQuoteDate(result.duplicate, withTime) + "." + kNothingChanged;
    case kImportTooMany:
      return fileName + " cannot be imported: " + symbol + " would hold " +
             std::to_string(result.quotesAfter) + " quotes, and a series holds at most " +
             "32,766." + kNothingChanged;
    case kImportDiffers: {
      std::vector<std::string> dates;
      for (const ImportQuote& q : result.firstDiffering)
        dates.push_back(ImportQuoteDate(q, withTime));
      const int more = result.differing - static_cast<int>(dates.size());
      if (more > 0) dates.push_back(std::to_string(more) + " more");
      return fileName + " gives other values for " + std::to_string(result.differing) +
             (result.differing == 1 ? " quote " : " quotes ") + symbol +
             " already holds: " + Joined(dates) + "." + kNothingChanged + " " + advice;
    }
    case kPortfolioBusy:
      return kPortfolioBusyMessage;
    case kMasterDatesNotUpdated:
    case kXmasterDatesNotUpdated:
      return "The quotes were imported into " + symbol + ", but " +
             (status == kMasterDatesNotUpdated ? "MASTER" : "XMASTER") +
             "'s first and last dates could not be updated. Importing the file again brings "
             "them in step.";
    case kDamagedFile:
    case kNoLayout:
    case kFileOpen:
    case kFileRead:
    case kFileNotFound:
      return "The quotes of " + symbol +
             " cannot be read: the symbol is no longer in MASTER or XMASTER, or its files are "
             "missing or "
             "damaged." +
             kNothingChanged;
    default:
      return "The import into " + symbol + " failed." + kNothingChanged;
  }
}

ImportOutcome RunImport(const std::string& portfolioDir, const std::string& symbol,
                        const std::string& fileName, ImportText&& text, ImportOverlap overlap,
                        UserPrompt& prompt, const std::string& advice) {
  ImportOutcome outcome;
  Status status = kOk;
  {
    WaitCursor wait(prompt);
    status = ImportQuotes(portfolioDir, symbol, ImportRequestOf(std::move(text), overlap),
                          outcome.result);
  }
  const bool datesBehind = status == kMasterDatesNotUpdated || status == kXmasterDatesNotUpdated;
  const bool written = status == kOk || datesBehind;
  outcome.reloadGrid = written;
  outcome.partlyDone = datesBehind;
  outcome.succeeded = status == kOk;
  if (status != kOk) {
    prompt.ShowMessage(ImportFailureText(status, fileName, symbol, outcome.result, advice));
  }
  if (written) {
    outcome.summary =
        ImportSummary(symbol, outcome.result, ColumnNotesOf(text, outcome.result.layout));
  }
  return outcome;
}

}  // namespace voltrim
