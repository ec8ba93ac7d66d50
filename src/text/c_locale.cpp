#include "text/c_locale.h"

#include <clocale>

namespace voltrim {

void KeepNumbersAndCaseLocaleFree() {
  std::setlocale(LC_NUMERIC, "C");
  // C.UTF-8 keeps the C rules of case for ASCII and still passes UTF-8 messages through.
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) std::setlocale(LC_CTYPE, "C");
}

}  // namespace voltrim
