#pragma once
// How the commands print a JSON document.

#include <ostream>

namespace gaugecal::cli {

// Two-space indented, one document per run. Texts from files and paths may hold bytes that are
// not UTF-8 (a Latin-1 degree sign in an ini value, a description saved as UTF-16): they are
// replaced by U+FFFD, so the document is always printed.
template <typename Json>
void WriteJson(std::ostream& out, const Json& j) {
  out << j.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace gaugecal::cli
