#pragma once

#include <string>
#include <string_view>

namespace voltrim {

// Names inside a portfolio match without regard to case: an existing case variant is
// used, otherwise the canonical spelling given.
std::string ResolveInDirectory(std::string_view directory, std::string_view name);

// directory + '/' unless it already ends in one (the portfolio of "/" is "/").
std::string WithTrailingSeparator(std::string_view directory);

std::string DatFileName(int fileNumber);  // "F%i.DAT"
std::string DopFileName(int fileNumber);  // "F%i.DOP"
std::string BakFileName(int fileNumber);  // "F%i.BAK"
std::string NewFileName(int fileNumber);  // "F%i.NEW"

// True for a subdirectory entry name that stays inside the portfolio tree.
bool IsSafeSubdirectoryName(std::string_view name);

}  // namespace voltrim
