#include "splitsearch/split_results_file.h"

#include "export/replacing_text_file.h"

namespace voltrim {

bool SaveSplitResults(const std::string& path, const SplitSearchResults& results) {
  return SaveSplitLines(path, results.Lines());
}

bool SaveSplitLines(const std::string& path, const std::vector<std::string>& lines) {
  ReplacingTextFile file(path);
  if (!file.Open()) return false;
  for (const std::string& line : lines) {
    file.Write(line);
    file.Write(kLineEnd);
  }
  return file.Commit();
}

std::string SaveSplitResultsFailedMessage(const std::string& path) {
  return "The search results could not be saved to\n" + path;
}

}  // namespace voltrim
