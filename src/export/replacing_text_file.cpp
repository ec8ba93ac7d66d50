#include "export/replacing_text_file.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

#include "datafiles/io/regular_file.h"

namespace voltrim {

namespace {
// Output is gathered into blocks of this size so that a long export makes few writes.
constexpr std::size_t kPendingBlockSize = 64 * 1024;
}  // namespace

ReplacingTextFile::ReplacingTextFile(const std::string& path)
    : file_(std::make_unique<QSaveFile>(
          QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size()))))) {
  // A file the user may write in a folder where no temporary file can be made is still
  // written, in place.
  file_->setDirectWriteFallback(true);
  pending_.reserve(kPendingBlockSize);
}

// QSaveFile removes its temporary file when it is destroyed uncommitted.
ReplacingTextFile::~ReplacingTextFile() = default;

bool ReplacingTextFile::Open() {
  if (file_->fileName().isEmpty()) return false;
  failed_ = !file_->open(QIODevice::WriteOnly);
  if (failed_) NoteFailure();
  return !failed_;
}

// Keeps Qt's reason, so that a message can say why the file could not be written.
void ReplacingTextFile::NoteFailure() const {
  NoteFileFailure(QFile::encodeName(file_->fileName()).toStdString(),
                  file_->errorString().toStdString());
}

void ReplacingTextFile::Write(std::string_view text) {
  if (text.size() < kPendingBlockSize) {
    pending_.append(text);
    if (pending_.size() >= kPendingBlockSize) Flush();
    return;
  }
  // A large piece goes out as it is rather than through one more copy.
  Flush();
  if (!failed_) {
    const auto size = static_cast<qint64>(text.size());
    failed_ = file_->write(text.data(), size) != size;
  }
}

void ReplacingTextFile::Flush() {
  if (!failed_ && !pending_.empty()) {
    const auto size = static_cast<qint64>(pending_.size());
    failed_ = file_->write(pending_.data(), size) != size;
  }
  pending_.clear();
}

bool ReplacingTextFile::Commit() {
  if (!file_->isOpen()) return false;
  Flush();
  if (failed_) {
    NoteFailure();
    file_->cancelWriting();
    file_->commit();  // closes and removes the temporary file
    return false;
  }
  if (file_->commit()) return true;
  NoteFailure();
  return false;
}

}  // namespace voltrim
