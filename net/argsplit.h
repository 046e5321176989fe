#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splits a command line into its arguments the way the Microsoft C runtime does for
// a program's argv, so that a command line means the same on every platform:
//
// - The program name (the first argument) runs to the first blank or tab outside
//   double quotation marks; its quotation marks are dropped, backslashes are plain.
// - The other arguments are separated by blanks and tabs outside quotation marks.
//   2n backslashes before a quotation mark give n backslashes and the mark opens or
//   closes a quoted part; 2n+1 backslashes before it give n backslashes and a literal
//   mark; backslashes before anything else are plain. Inside a quoted part, two
//   quotation marks in a row give one literal mark and the part stays open.
//
// An empty line gives one empty program name.
std::vector<std::string> splitCommandLine(std::string_view line);
