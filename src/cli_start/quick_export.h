#pragma once

#include <optional>
#include <string>

#include "export/export_writer.h"

namespace voltrim::cli {

// `export DIR --all`, with `--format text|csv` at most, to standard output: the one command
// voltrim-cli runs without loading Qt, whose loading is most of the time of a small export.
struct QuickExport {
  std::string dir;
  ExportFormat format = ExportFormat::Text;
};

// The request when the arguments (the program's name first) are exactly such a command and
// DIR is text Qt would pass on unchanged; nullopt for anything else, which the whole program
// runs as always.
std::optional<QuickExport> QuickExportOf(int argc, const char* const* argv);

// Writes every series as the whole program's export does and returns its exit status;
// nullopt, with nothing written, when the portfolio cannot be listed: the whole program then
// runs the command and says why.
std::optional<int> RunQuickExport(const QuickExport& request);

}  // namespace voltrim::cli
