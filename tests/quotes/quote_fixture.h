#pragma once

#include <memory>
#include <string>

#include "datafiles/fixtures.h"
#include "quotes/quote_command.h"
#include "settings/settings_store.h"
#include "support/recording_prompt.h"

namespace voltrim::testing {

// One portfolio with ACME (file 1: Date, Open, High, Low, Close, Vol) holding these quotes,
// newest last:
//   0 Mon 01/03/00  12.34567 13   12   12.5  1234.6
//   1 Tue 01/04/00  13       14   12.5 13.5  2000
//   2 Tue 01/04/00  13.1     14.1 12.6 13.6  2100   (same day)
//   3 Thu 01/06/00  14       15   13   14.5  3000   (Wednesday missing)
//   4 Sat 01/08/00  15       16   14   15.5  4000   (Monday after it missing)
//   5 Tue 01/11/00  16       17   15   16.5  5000
// and a settings store on a temporary file.
class QuoteFixture {
 public:
  QuoteFixture();

  static std::vector<RawRecord> Records();
  std::string Dir() const { return (temp_.path() / "p").string(); }
  Bytes Dat() const { return ReadFileBytes(temp_.path() / "p" / "F1.DAT"); }
  // The DAT bytes of ACME holding these records.
  Bytes DatOf(const std::vector<RawRecord>& records) const;
  QuoteSeriesContext Context() const;
  QuoteCommandIo Io() { return {prompt, settings.get()}; }
  std::string Setting(const char* section, const char* name) const {
    return settings->GetString(section, name, "<none>");
  }

  TempDir temp_;
  SeriesSpec series;
  RecordingPrompt prompt;
  std::unique_ptr<SettingsStore> settings;
};

}  // namespace voltrim::testing
