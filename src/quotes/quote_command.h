#pragma once

#include <string>

namespace voltrim {

class SettingsStore;
class UserPrompt;

// The series a quote command works on, as the browser holds it (the command line reads
// the same facts from the files).
struct QuoteSeriesContext {
  std::string portfolioDir;
  std::string symbol;         // the loaded symbol
  int quoteCount = 0;         // quotes as last read
  std::string firstDateText;  // oldest quote, MM/DD/YY
  std::string lastDateText;   // newest quote
  bool hasTime = false;       // the series has a time of day: commands name one bar
};

// Where the core reports to: the user, and the settings store that keeps the record of the
// last edit (none for the command line, which leaves the desktop's records alone).
struct QuoteCommandIo {
  UserPrompt& prompt;
  SettingsStore* settings = nullptr;
};

// What the caller does after a command: reload the quotes grid with the given row current
// and, after Add, go on into the quote editor on that row.
struct QuoteCommandOutcome {
  bool succeeded = false;
  // Not all was done, but the main change stands (the message said what is left):
  // repeating the command would do it twice.
  bool partlyDone = false;
  bool reloadGrid = false;
  int rowToShow = 0;
  bool openEditor = false;
  int barsChanged = 0;  // quotes set, deleted or added, once the rewrite stood
};

}  // namespace voltrim
