#pragma once
// Parses and checks the JSON text of a data-flash description (format in
// docs/dfdesc-format.md). Never throws.

#include <cstddef>
#include <string>

#include "dfdesc/DfDescription.h"

namespace gaugecal::dfdesc {

// Largest description text accepted, in bytes.
constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;

// True and the description in out when the text is a valid description; otherwise false and
// the reason (with the place in the file) in error, and out untouched.
bool ParseDescription(const std::string& text, DfDescription& out, std::string& error);

}  // namespace gaugecal::dfdesc
