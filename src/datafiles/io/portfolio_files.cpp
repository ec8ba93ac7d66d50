#include "datafiles/io/portfolio_files.h"

#include <cctype>
#include <cstdio>

#include "datafiles/io/file_ops.h"

namespace voltrim {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y && !(x < 128 && y < 128 && std::tolower(x) == std::tolower(y))) return false;
  }
  return true;
}

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
    if (!EqualIgnoringCase(entry, name)) return true;
    found = dir + std::string(entry);
    return false;
  });
  return found;
}

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 128) c = static_cast<char>(std::toupper(u));
  }
  return upper;
}

}  // namespace

FolderNames::FolderNames(std::string_view directory) : dir_(WithTrailingSeparator(directory)) {
  file_ops::ForEachName(dir_, [&](std::string_view entry) {
    exact_.emplace(entry);
    byUpper_.emplace(Upper(entry), std::string(entry));
    return true;
  });
}

std::string FolderNames::Resolve(std::string_view name) const {
  const std::string given(name);
  if (exact_.count(given) != 0) return dir_ + given;
  const auto variant = byUpper_.find(Upper(name));
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
