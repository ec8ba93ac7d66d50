#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "export/text_sink.h"

class QSaveFile;

namespace voltrim {

// Writes a text file that replaces path only when everything was written: the text goes
// to a temporary file beside it, which is synced and renamed over path by Commit. Until
// then, and after any failure, an existing file at path stays as it was.
class ReplacingTextFile : public TextSink {
 public:
  explicit ReplacingTextFile(const std::string& path);
  ~ReplacingTextFile() override;  // discards the text unless committed
  ReplacingTextFile(const ReplacingTextFile&) = delete;
  ReplacingTextFile& operator=(const ReplacingTextFile&) = delete;

  // False when the file cannot be created (empty name, missing folder, no rights). A
  // failure here or in Commit is noted with its reason (LastFileFailure).
  bool Open();
  void Write(std::string_view text) override;
  // True only when all the text is on disk under path.
  bool Commit();

 private:
  void Flush();
  void NoteFailure() const;

  std::unique_ptr<QSaveFile> file_;
  std::string pending_;
  bool failed_ = false;
};

}  // namespace voltrim
