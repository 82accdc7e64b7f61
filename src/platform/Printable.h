#pragma once
// Texts from files and the command line go into one-line messages on a terminal: control
// characters in them must not break the line or drive the terminal.

#include <string>

namespace gaugecal {

// The text with every control character written as an escape (\n, \r, \t, else \xHH); all
// other bytes stay as they are.
std::string Printable(const std::string& text);

}  // namespace gaugecal
