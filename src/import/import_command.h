#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "datafiles/write/import_quotes.h"
#include "import/import_text.h"

namespace voltrim {

// The end of every message of an import or update that wrote nothing.
inline constexpr char kNothingChanged[] = "\n\nNothing was changed.";

class UserPrompt;

// Quotes > Import and voltrim-cli import: reading the file, the preview, the import and
// what the user is told.

// The largest file read; a series of 32,766 quotes takes a few megabytes as text.
inline constexpr std::size_t kMaxImportFileBytes = std::size_t{64} << 20;

// Reads and parses the file; on failure tells the user (naming the line) and returns false.
bool ReadImportFile(const std::string& path, ImportText& out, UserPrompt& prompt);
// The same for text already in memory, named name in the message.
bool ParseImportFile(const std::string& name, std::string_view text, ImportText& out,
                     std::string& message);

// The request for a parsed file. The second takes the quotes out of text (a series may take
// 32,766 of them), leaving the rest of it as it was.
ImportRequest ImportRequestOf(const ImportText& text, ImportOverlap overlap);
ImportRequest ImportRequestOf(ImportText&& text, ImportOverlap overlap);

// What becomes of the file's columns in a series: ignored (read as nothing), dropped (a
// field the series lacks, by the file's name) and missing (a value field of the series
// the file lacks, stored as 0 in new quotes; by the program's name).
struct ImportColumnNotes {
  std::vector<std::string> ignored;
  std::vector<std::string> dropped;
  std::vector<std::string> missing;
};
ImportColumnNotes ColumnNotesOf(const ImportText& text, const ColumnLayout& layout);

// The summary: the counts, then one line for each kind of note there is.
std::vector<std::string> ImportSummary(const std::string& symbol, const ImportResult& result,
                                       const ImportColumnNotes& notes);

// The first rows of the file as they will be stored in a series of the layout: the date
// (MM/DD/YY), the time (HH:MM:SS) when the series has times, then each value column of the
// series with the digits that give back the stored single.
struct ImportPreviewRows {
  std::vector<Field> columns;  // Date, Time, Open, ... as the series has them
  std::vector<std::vector<std::string>> rows;
};
ImportPreviewRows PreviewRowsOf(const ImportText& text, const ColumnLayout& layout,
                                std::size_t count);

// What the preview shows of an import into the series: the counts (new, unchanged and
// differing dates), the notes and the first rows. A status other than kOk, kImportDiffers
// and kImportTooMany means the series cannot take the file (see ImportFailureText).
struct ImportPreview {
  Status status = kOk;
  ImportResult result;
  ImportColumnNotes notes;
  ImportPreviewRows rows;
};
ImportPreview PreviewImportFile(const std::string& portfolioDir, const std::string& symbol,
                                const ImportText& text, std::size_t rows);

// What the user is told when an import with that status did not go through (kOk: nothing).
// advice ends a refusal of differing dates (how to choose).
std::string ImportFailureText(Status status, const std::string& fileName, const std::string& symbol,
                              const ImportResult& result, const std::string& advice);

// The dates of quotes for a message: MM/DD/YY, with HH:MM:SS where times tell them apart.
std::string ImportQuoteDate(const ImportQuote& quote, bool withTime);

struct ImportOutcome {
  bool succeeded = false;
  bool partlyDone = false;  // the quotes stand but MASTER's dates do not follow yet
  bool reloadGrid = false;
  ImportResult result;
  std::vector<std::string> summary;  // after success, for the caller to show
};

// Imports the parsed file into the series, taking its quotes (see ImportRequestOf); every
// failure is told through the prompt.
ImportOutcome RunImport(const std::string& portfolioDir, const std::string& symbol,
                        const std::string& fileName, ImportText&& text, ImportOverlap overlap,
                        UserPrompt& prompt, const std::string& advice);

}  // namespace voltrim
