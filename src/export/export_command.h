#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "datafiles/write/symbol_batch.h"
#include "export/export_settings.h"
#include "export/portfolio_export.h"
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
// quotes, to the chosen file. The file is replaced only once it is complete; then the
// status text says how many quotes went to which file.
ExportOutcome RunExport(std::string_view portfolioDir, std::string_view symbol, int quoteCount,
                        const ExportSettings& chosen, SettingsStore& store, UserPrompt& prompt);

// The same for several series, rows of the symbols grid, in one file: each line led by the
// symbol, as voltrim-cli's export of many symbols writes them. A series that cannot be read
// whole is left out and named afterwards; the status text counts the series written.
ExportOutcome RunSeriesExport(std::string_view portfolioDir, const std::vector<ListedSymbol>& rows,
                              const ExportSettings& chosen, SettingsStore& store,
                              UserPrompt& prompt);

// True when a file of that name can be opened for reading.
bool ExportFileExists(const std::string& fileName);

// "Exported 250 quotes to /home/ann/Documents/output.txt"
std::string ExportedText(int quotes, const std::string& fileName);
// "Exported 3 series to /home/ann/Documents/output.txt"
std::string ExportedSeriesText(std::size_t series, const std::string& fileName);
// What a series export says of the series it left out, one line each with its data file.
std::string SeriesLeftOutText(const std::vector<SkippedSeries>& skipped);

// Where an export goes when its name holds no folder: the user's documents folder, or the
// home folder when there is none; never the folder the program was started in.
std::string ExportFolder();
// The file an export name stands for: an absolute name as it is, any other inside folder.
// An empty name stays empty (no file can be made of it).
std::string ExportPathIn(const std::string& name, const std::string& folder);

}  // namespace voltrim
