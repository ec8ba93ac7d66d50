#include "splitsearch/split_results_file.h"

#include "export/replacing_text_file.h"

namespace voltrim {

void WriteSplitResults(TextSink& sink, const SplitSearchResults& results) {
  for (const std::string& line : results.Lines()) {
    sink.Write(line);
    sink.Write(kLineEnd);
  }
}

bool SaveSplitResults(const std::string& path, const SplitSearchResults& results) {
  ReplacingTextFile file(path);
  if (!file.Open()) return false;
  WriteSplitResults(file, results);
  return file.Commit();
}

std::string SaveSplitResultsFailedMessage(const std::string& path) {
  return "The search results could not be saved to\n" + path;
}

}  // namespace voltrim
