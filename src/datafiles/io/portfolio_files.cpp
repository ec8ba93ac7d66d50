#include "datafiles/io/portfolio_files.h"

#include <cctype>
#include <cstdio>

#include "datafiles/format/ascii_case.h"
#include "datafiles/io/file_ops.h"

namespace voltrim {

namespace {

std::string NumberedName(const char* pattern, int fileNumber) {
  char text[32];
  std::snprintf(text, sizeof text, pattern, fileNumber);
  return text;
}

}  // namespace

std::string WithTrailingSeparator(std::string_view directory) {
  std::string result(directory);
  if (!result.empty() && result.back() != '/') result.push_back('/');
  return result;
}

std::string ResolveInDirectory(std::string_view directory, std::string_view name) {
  const std::string dir = WithTrailingSeparator(directory);
  const std::string exact = dir + std::string(name);
  if (file_ops::NameExists(exact)) return exact;
  std::string found = exact;
  file_ops::ForEachName(dir, [&](std::string_view entry) {
    if (!EqualIgnoringAsciiCase(entry, name)) return true;
    found = dir + std::string(entry);
    return false;
  });
  return found;
}

namespace {}  // namespace

FolderNames::FolderNames(std::string_view directory) : dir_(WithTrailingSeparator(directory)) {
  file_ops::ForEachName(dir_, [&](std::string_view entry) {
    exact_.emplace(entry);
    byUpper_.emplace(UpperAscii(entry), std::string(entry));
    return true;
  });
}

std::string FolderNames::Resolve(std::string_view name) const {
  const std::string given(name);
  if (exact_.count(given) != 0) return dir_ + given;
  const auto variant = byUpper_.find(UpperAscii(name));
  return dir_ + (variant != byUpper_.end() ? variant->second : given);
}

std::string DatFileName(int fileNumber) { return NumberedName("F%i.DAT", fileNumber); }
std::string DopFileName(int fileNumber) { return NumberedName("F%i.DOP", fileNumber); }
std::string BakFileName(int fileNumber) { return NumberedName("F%i.BAK", fileNumber); }
std::string NewFileName(int fileNumber) { return NumberedName("F%i.NEW", fileNumber); }

bool IsSafeSubdirectoryName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace voltrim
