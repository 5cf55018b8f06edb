// Field cutting shared by the script parser, the file engines and the
// program's catalogue.
#pragma once

#include <string>

namespace sl {

// Takes the leading field (up to the first separator) off line and returns it
// trimmed of blanks, tabs, CR and LF at both ends, upper-cased when upper is
// set. line keeps the text after the separator (empty when there was none).
std::string CutField(std::string& line, char separator, bool upper);

// Trims blanks, tabs, CR and LF at both ends.
std::string Trim(const std::string& text);

// ASCII upper case (the C locale conversion of the platform's ANSI calls).
std::string ToUpper(std::string text);

// Reads a decimal number like atoi: blanks, optional sign, leading digits;
// anything else gives 0. Saturates instead of overflowing.
long ParseNumber(const std::string& text);

}  // namespace sl
