#include "text/version_text.h"

namespace voltrim {

std::string VersionText(std::string_view program, std::string_view version) {
  return std::string(program) + " " + std::string(version) +
         "\n"
         "Copyright (C) 2026 The Voltrim developers\n"
         "License GPL-3.0-or-later: GNU GPL version 3 or later "
         "<https://www.gnu.org/licenses/gpl-3.0.html>.\n"
         "This is free software: you are free to change and redistribute it.\n"
         "There is NO WARRANTY, to the extent permitted by law.\n";
}

}  // namespace voltrim
