#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/status.h"

namespace voltrim {

// Many files of one folder replaced as one step of a larger write (a portfolio update's
// thousands of data files). Each Replace is ReplaceFileContent's protocol, with two
// differences that make the step cheap: the folder is listed once for the names' case
// variants (names a Replace creates are found as given), and its renames are made durable
// together by Finish, one folder sync for the lot. Until Finish returns, a power cut may
// leave any of the files old (never broken), so nothing that names their new content may
// be written before it.
class FolderReplaceBatch {
 public:
  explicit FolderReplaceBatch(const std::string& directory);

  // names.directory must be the batch's folder.
  Status Replace(const ReplaceNames& names, const std::vector<std::uint8_t>& content);
  // Syncs the folder: kFileWrite when the system refuses.
  Status Finish();

 private:
  std::string directory_;
  FolderNames names_;
};

}  // namespace voltrim
