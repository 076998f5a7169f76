#pragma once

#include <cstddef>
#include <string>

// Made-up contents of net_send.ini for the benchmarks: computer names as real users keep them, in the
// file's 8-bit code page (Windows-1251), one or two to a line, CR LF line ends.
//  - about half the names are Latin (letters, digits, '-', '_'), the other half Cyrillic;
//  - every 8th line is a quoted name with a comma and a blank inside ("Отдел, 3");
//  - every 5th line holds two names separated by a comma;
//  - names are 6 to 15 characters long.
// The same count always gives the same bytes, so every run reads the same file.

namespace bench {

// Exactly `count` names as the list-input rules read them (a quoted name with its comma is one).
std::string MakeNameList(std::size_t count);

// Exactly `count` names, one to a line, as the program itself writes the file: what the opening
// benchmark reads, so that a floor splitting at line ends alone puts the very names in its list that
// the program puts in its own.
std::string MakeNameLines(std::size_t count);

// How many line ends the text holds: what a floor that splits at line ends alone sees.
std::size_t CountLines(const std::string& text);

}  // namespace bench
