#pragma once

#include <string>
#include <string_view>

#include "export/export_settings.h"
#include "prompt/user_prompt.h"

namespace voltrim {

class SettingsStore;

enum class ExportOutcome {
  Written,   // the file holds the export
  Declined,  // the file existed and the user kept it; nothing saved or written
  Failed,    // "file export error" was shown; the choices were saved
};

// What the Export dialog's OK runs: asks before replacing an existing file, saves the
// choices, and writes the series (portfolioDir, symbol), whose grid shows quoteCount
// quotes, to the chosen file. The file is replaced only once it is complete.
ExportOutcome RunExport(std::string_view portfolioDir, std::string_view symbol, int quoteCount,
                        const ExportSettings& chosen, SettingsStore& store, UserPrompt& prompt);

// True when a file of that name can be opened for reading.
bool ExportFileExists(const std::string& fileName);

}  // namespace voltrim
