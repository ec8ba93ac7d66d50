#pragma once

namespace voltrim {

// Qt sets the C library's locale from the environment when the application object is made.
// The program's numbers and its matching of names without regard to case must not follow
// it: printf would write a decimal comma in much of the world, and under Turkish rules
// toupper('i') is not 'I', so a symbol or a file name would no longer find itself. Called
// right after the application object is made; system messages keep the user's language.
void KeepNumbersAndCaseLocaleFree();

}  // namespace voltrim
