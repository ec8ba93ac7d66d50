#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datafiles/write/update_portfolio.h"

namespace voltrim {

// Reading the sources of a portfolio update: files of quotes of many symbols (a symbol or
// ticker column, rows of any symbols in any order, optionally a periodicity column), and
// folders of one file per symbol (named after the symbol, any extension), each file read
// as an import reads it.

struct UpdateSources {
  std::vector<std::string> files;  // every file read, in reading order
  // The quotes' line numbers are places in this table (from 1): the file (index into files)
  // and the line in it, so that messages name both.
  std::vector<std::pair<int, int>> lines;
  std::vector<UpdateSeriesRequest> series;  // one per symbol, in order of first appearance
  // Per series, the fields' names as its file gives them (for the column notes).
  std::vector<std::array<std::string, kFieldKindCount>> fieldNames;
  std::vector<std::vector<std::string>> ignored;  // per series, columns read as nothing
};

// The place of a quote's line: "FILE line N".
std::string UpdateLinePlace(const UpdateSources& sources, int line);

// Reads every source (a file or a folder). False with the message (the file and line, and
// that nothing was changed) when any file or line cannot be read. Rows of one symbol from
// several sources go to that symbol's series together.
bool ReadUpdateSources(const std::vector<std::string>& paths, UpdateSources& out,
                       std::string& message);

// The same for one source already in memory: text as a file with a symbol column holds it,
// named name in messages.
bool ReadUpdateText(const std::string& name, std::string_view text, UpdateSources& out,
                    std::string& message);

}  // namespace voltrim
