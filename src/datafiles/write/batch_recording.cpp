#include "datafiles/write/batch_recording.h"

#include "datafiles/io/change_journal.h"
#include "datafiles/write/symbol_batch.h"

namespace voltrim {

Status RecordOrTakeBack(const std::string& folder, const std::string& what,
                        const std::function<Status(bool& takeBack)>& write) {
  bool takeBack = false;
  Status status = kOk;
  {
    const ChangeRecording recording(what);
    status = write(takeBack);
  }
  if (status == kOk || !takeBack) return status;
  std::string words, differing;
  return TakeBackLastChange(folder, words, differing) == kOk ? status : kSymbolsPartlyDone;
}

std::string SymbolsChangeName(const char* verb, std::size_t count, const std::string& first) {
  if (count == 1) return std::string(verb) + " Symbol " + first;
  return std::string(verb) + " " + std::to_string(count) + " Symbols";
}

}  // namespace voltrim
