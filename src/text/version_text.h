#pragma once

#include <string>
#include <string_view>

namespace voltrim {

// What --version prints: the program and its version on the first line (scripts read it),
// then the copyright and the licence, as GNU programs give them.
std::string VersionText(std::string_view program, std::string_view version);

}  // namespace voltrim
